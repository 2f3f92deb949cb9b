// quillory-cli list driven as a process: output formats, escaping, views, overrides
// and exit statuses.
#include "support/Id3v2Builder.h"
#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;
using namespace quillory::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ListCommand : public ::testing::Test {
protected:
    ScratchFolder dir;
    QTemporaryDir config;

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QUILLORY_CLI"))
            GTEST_SKIP() << "QUILLORY_CLI not set";
        Bytes v1(128, 0);
        std::memcpy(v1.data(), "TAG", 3);
        std::memcpy(v1.data() + 3, "v1 title", 8);
        v1[126] = 4;
        v1[127] = 17;
        Bytes tag = Id3v2Builder(3)
                        .text("TIT2", 1, u"タブ\tと\n改行\\")
                        .text("TPE1", 1, u"アーティスト")
                        .text("TCON", 1, u"(17)")
                        .build();
        dir.write(QStringLiteral("a.mp3"), concat({tag, silentStream(FrameSpec{}, 3), v1}));
    }

    CliRun run(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QUILLORY_CLI"), QStringList{QStringLiteral("list")} + args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
};

} // namespace

TEST_F(ListCommand, TsvEscapesTabsBreaksAndBackslashes)
{
    CliRun r = run({QStringLiteral("--tsv"), QStringLiteral("--columns"), QStringLiteral("No,ColTitle,ColGenre"),
                 dir.path(QStringLiteral("a.mp3"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1\tタブ\\tと\\n改行\\\\\tロック\n"));
}

TEST_F(ListCommand, JsonHasEveryColumnAndExactText)
{
    CliRun r = run({QStringLiteral("--json"), dir.path(QString())});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    QJsonObject o = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(o.size(), 36);
    EXPECT_EQ(o.value(QStringLiteral("No")).toString(), QStringLiteral("1"));
    EXPECT_EQ(o.value(QStringLiteral("ColTitle")).toString(), QStringLiteral("タブ\tと\n改行\\"));
    EXPECT_EQ(o.value(QStringLiteral("ColTagKindV1")).toString(), QStringLiteral("v1.1"));
    EXPECT_TRUE(o.contains(QStringLiteral("ColPlaySeconds")));
    EXPECT_FALSE(o.value(QStringLiteral("ColAudioFormat")).toString().isEmpty());
}

TEST_F(ListCommand, V1ViewAndGenreOverride)
{
    CliRun r = run({QStringLiteral("--tsv"), QStringLiteral("--columns"), QStringLiteral("ColTitle,ColGenre,ColTitleV1"),
                 QStringLiteral("--v1-view"), QStringLiteral("-o"), QStringLiteral("Genre=0"),
                 dir.path(QStringLiteral("a.mp3"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("v1 title\tRock\tタブ\\tと\\n改行\\\\\n"));
}

TEST_F(ListCommand, MissingPathIsReportedAndOthersListed)
{
    QString missing = dir.path(QStringLiteral("nothing-here.mp3"));
    CliRun r = run({QStringLiteral("--tsv"), QStringLiteral("--columns"), QStringLiteral("ColArtist"), missing,
                 dir.path(QStringLiteral("a.mp3"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(missing + QStringLiteral(": "))) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("アーティスト\n"));
}

TEST_F(ListCommand, BadUsageExitsWithTwo)
{
    const QStringList bad[] = {
        {},
        {QStringLiteral("--bogus"), dir.path(QString())},
        {QStringLiteral("--tsv"), QStringLiteral("--columns"), QStringLiteral("ColNope"), dir.path(QString())},
        {QStringLiteral("--columns"), QStringLiteral("ColTitle"), dir.path(QString())},
        {QStringLiteral("-o"), QStringLiteral("NoSuchSetting=1"), dir.path(QString())},
        {QStringLiteral("-o"), QStringLiteral("Genre"), dir.path(QString())},
    };
    for (const QStringList& args : bad) {
        CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(ListCommand, TableFitsTheTerminal)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("COLUMNS"), QStringLiteral("80"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QUILLORY_CLI"), {QStringLiteral("list"), dir.path(QString())});
    p.waitForFinished(60000);
    ASSERT_EQ(p.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("No")));
    for (const QString& l : lines) {
        int width = 0;
        for (QChar c : l)
            width += (c.unicode() >= 0x1100 && !(c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 2 : 1;
        EXPECT_LE(width, 80) << l.toStdString();
    }
}
