#include "app/ShellLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;

TEST(ShellLink, ExecValuesRoundTripAwkwardPaths)
{
    const char16_t* programs[] = {u"/usr/bin/quillory", u"/home/太郎/My Apps/quillory", u"/opt/a\"b$c`d\\e/q",
                                  u"/opt/100%/quillory"};
    for (const char16_t* p : programs) {
        QString program = QString::fromUtf16(p);
        QString exec = DesktopExecValue(program);
        EXPECT_TRUE(exec.endsWith(QStringLiteral(" %F"))) << exec.toStdString();
        EXPECT_EQ(ProgramOfExecValue(exec), program) << exec.toStdString();
    }
    EXPECT_EQ(ProgramOfExecValue(QStringLiteral("quillory %F")), QStringLiteral("quillory"));
}

TEST(ShellLink, CreateCheckAndDelete)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString exe = dir.filePath(QStringLiteral("bin/quillory"));
    QDir().mkpath(dir.filePath(QStringLiteral("bin")));
    QFile(exe).open(QIODevice::WriteOnly);
    QString link = LinkFilePath(dir.filePath(QStringLiteral("Desktop")), QStringLiteral("Quillory"));
    EXPECT_TRUE(link.endsWith(QStringLiteral("/Desktop/Quillory.desktop")));
    EXPECT_FALSE(ChkLinkPath(link, exe));
    ASSERT_TRUE(CreateLink(link, exe, QStringLiteral("Quillory")));
    EXPECT_TRUE(QFileInfo(link).isExecutable());
    EXPECT_EQ(GetLinkToPath(link), exe);
    EXPECT_TRUE(ChkLinkPath(link, exe));
    EXPECT_FALSE(ChkLinkPath(link, dir.filePath(QStringLiteral("other"))));
    EXPECT_TRUE(DeleteLink(link));
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_TRUE(DeleteLink(link));
}

TEST(ShellLink, ABrokenDesktopLauncherIsRepaired)
{
    QTemporaryDir dir;
    QString exe = dir.filePath(QStringLiteral("quillory"));
    QFile(exe).open(QIODevice::WriteOnly);
    QString link = LinkFilePath(dir.path(), QStringLiteral("Quillory"));
    ASSERT_TRUE(CreateLink(link, dir.filePath(QStringLiteral("gone/quillory")), QStringLiteral("Quillory")));
    EXPECT_TRUE(RepairDesktopLink(link, exe, QStringLiteral("Quillory")));
    EXPECT_EQ(GetLinkToPath(link), exe);
    // A launcher whose program exists is left alone.
    EXPECT_FALSE(RepairDesktopLink(link, dir.filePath(QStringLiteral("x")), QStringLiteral("Quillory")));
}

TEST(ShellLink, HostileFilesReadAsNoTarget)
{
    QTemporaryDir dir;
    QString big = dir.filePath(QStringLiteral("big.desktop"));
    {
        QFile f(big);
        f.open(QIODevice::WriteOnly);
        f.write("[Desktop Entry]\nExec=/bin/x\n");
        f.write(QByteArray(200 * 1024, 'x'));
    }
    EXPECT_EQ(GetLinkToPath(big), QString());
    QString other = dir.filePath(QStringLiteral("other.desktop"));
    {
        QFile f(other);
        f.open(QIODevice::WriteOnly);
        f.write("[Other Group]\nExec=/bin/evil\n[Desktop Entry]\nExecX=/bin/no\nExec = /bin/yes %U\n");
    }
    EXPECT_EQ(GetLinkToPath(other), QStringLiteral("/bin/yes"));
    EXPECT_EQ(GetLinkToPath(dir.filePath(QStringLiteral("missing.desktop"))), QString());
}
