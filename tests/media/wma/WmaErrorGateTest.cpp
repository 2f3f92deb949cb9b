#include "media/wma/WmaErrorGate.h"

#include "app/UserPrompt.h"
#include "media/wma/WmaEditor.h"
#include "platform/FileAccess.h"
#include "support/AsfBuilder.h"
#include "support/Id3v2Builder.h"
#include "support/RiffBuilder.h"

#include <QFile>
#include <gtest/gtest.h>

#include <deque>
#include <sys/stat.h>

namespace quillory {
namespace {

using namespace quillory::test;

// Records what would have been shown and answers from a script (Ok when it runs out).
class ScriptedPrompt : public UserPrompt {
public:
    struct Shown {
        QString title;
        QString text;
        QList<Answer> buttons;
    };
    std::vector<Shown> shown;
    std::deque<Answer> answers;

    void ShowMessage(const QString& title, const QString& text, PromptIcon) override
    {
        shown.push_back({title, text, {}});
    }
    Answer Ask(Question& q) override
    {
        shown.push_back({q.title, q.text, q.buttons});
        if (answers.empty())
            return Answer::Ok;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

const QString kTail = QString::fromUtf16(wmamsg::kOpenFailedTail);

class WmaErrorGateTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    ScriptedPrompt prompt;
    WmaErrorGate gate{prompt};

    QString garbage(const QString& name, bool id3v1 = false)
    {
        Bytes b(300, 0x42);
        if (id3v1) {
            b[300 - 128] = 'T', b[301 - 128] = 'A', b[302 - 128] = 'G';
        }
        return folder.write(name, b);
    }
};

TEST_F(WmaErrorGateTest, ShowsOneMessagePerFile)
{
    gate.Report(QStringLiteral("first"));
    gate.Report(QStringLiteral("second"));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, QStringLiteral("first"));
    EXPECT_EQ(prompt.shown[0].title, QStringLiteral("Quillory"));
    EXPECT_EQ(gate.wmaErrorCount, 2u);
    gate.ResetErrorCount();
    gate.Report(QStringLiteral("next file"));
    EXPECT_EQ(prompt.shown.size(), 2u);
}

TEST_F(WmaErrorGateTest, OpenFailureAsksOkOrCancel)
{
    const QString path = garbage(QStringLiteral("bad.wma"));
    WmaOpenResult r = OpenWmaEditor(path, &gate);
    EXPECT_FALSE(r);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].title, QStringLiteral("Quillory"));
    EXPECT_EQ(prompt.shown[0].text, path + QStringLiteral("\nWMA ファイルの情報を取得するのに失敗しました。\n\n※キャンセルでスキップする"));
    EXPECT_EQ(prompt.shown[0].buttons, (QList<Answer>{Answer::Ok, Answer::Cancel}));
    EXPECT_EQ(gate.lastReportedPath, path);
    EXPECT_FALSE(gate.skipWmaOpenErrors); // answered OK
}

struct SilentCase {
    const char* what;
    bool id3v1;
    bool samePathAsLast;
    bool skipping;
    bool countAlreadyRaised;
};

TEST_F(WmaErrorGateTest, OpenFailureStaysSilentWhenItShould)
{
    const SilentCase cases[] = {
        {"an MPEG file with a WMA name (ends in TAG)", true, false, false, false},
        {"the path shown last", false, true, false, false},
        {"skipping after Cancel", false, false, true, false},
        {"this file already showed a failure", false, false, false, true},
    };
    int n = 0;
    for (const SilentCase& c : cases) {
        ScriptedPrompt p;
        WmaErrorGate g(p);
        const QString path = garbage(QStringLiteral("s%1.wma").arg(n++), c.id3v1);
        if (c.samePathAsLast)
            g.lastReportedPath = path;
        g.skipWmaOpenErrors = c.skipping;
        g.wmaErrorCount = c.countAlreadyRaised ? 1 : 0;
        EXPECT_FALSE(OpenWmaEditor(path, &g)) << c.what;
        EXPECT_TRUE(p.shown.empty()) << c.what;
    }
}

TEST_F(WmaErrorGateTest, TagLookUsesTheCallersHandle)
{
    const QString path = garbage(QStringLiteral("h.wma"), true);
    FileReader handle;
    ASSERT_TRUE(handle.open(path));
    EXPECT_TRUE(EndsWithId3v1(path, &handle));
    EXPECT_TRUE(EndsWithId3v1(path));
    EXPECT_FALSE(EndsWithId3v1(garbage(QStringLiteral("n.wma"))));
    EXPECT_FALSE(EndsWithId3v1(folder.path(QStringLiteral("missing.wma"))));
    EXPECT_FALSE(OpenWmaEditor(path, &gate, &handle));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(WmaErrorGateTest, CancelSkipsUntilTheListIsReadAgain)
{
    const QString a = garbage(QStringLiteral("a.wma"));
    const QString b = garbage(QStringLiteral("b.wma"));
    const QString c = garbage(QStringLiteral("c.wma"));

    // Two unreadable files in a row each show their own box.
    gate.ResetErrorCount();
    OpenWmaEditor(a, &gate);
    gate.ResetErrorCount();
    OpenWmaEditor(b, &gate);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_TRUE(prompt.shown[1].text.startsWith(b));

    // Cancel on the next one silences the rest...
    prompt.answers = {Answer::Cancel};
    gate.ResetErrorCount();
    OpenWmaEditor(c, &gate);
    EXPECT_TRUE(gate.skipWmaOpenErrors);
    gate.ResetErrorCount();
    OpenWmaEditor(a, &gate);
    EXPECT_EQ(prompt.shown.size(), 3u);

    // ...until the rows are read again.
    gate.ClearSkipOpenErrors();
    gate.ResetErrorCount();
    OpenWmaEditor(a, &gate);
    EXPECT_EQ(prompt.shown.size(), 4u);
}

TEST_F(WmaErrorGateTest, WriteFailuresPassThroughTheGate)
{
    const QString path = folder.write(QStringLiteral("ro.wma"), AsfFileBuilder::standard().build());
    ::chmod(QFile::encodeName(path).constData(), 0444);
    WmaOpenResult r = OpenWmaEditor(path, &gate);
    ASSERT_TRUE(r);
    EXPECT_FALSE(WriteWmaNumber(*r.editor, QStringLiteral("Bitrate"), 1)); // read-only value
    EXPECT_TRUE(WriteWmaText(*r.editor, QStringLiteral("Title"), QStringLiteral("x")));
    WmaStatus s = CommitWmaEditor(*r.editor);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.error, EACCES);
    // Two failures in one file, one message: the first.
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, QStringLiteral("ヘッダ・セクションへの設定に失敗"));
    EXPECT_EQ(gate.wmaErrorCount, 2u);

    gate.ResetErrorCount();
    WmaOpenResult again = OpenWmaEditor(path, &gate);
    WriteWmaText(*again.editor, QStringLiteral("Title"), QStringLiteral("y"));
    CommitWmaEditor(*again.editor);
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1].text, QStringLiteral("ファイルへの書き出しに失敗"));
    // The file is as it was.
    EXPECT_EQ(ReadWmaAttribute(*OpenWmaEditor(path).editor, QStringLiteral("Title")).found, false);
}

} // namespace
} // namespace quillory
