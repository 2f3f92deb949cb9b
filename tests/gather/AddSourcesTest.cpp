#include "gather/AddSources.h"
#include "gather/Gather.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillory;

TEST(AddSources, PlaylistTitleNamesThePlayerFolder)
{
    EXPECT_EQ(PlaylistDialogTitle(QStringLiteral("/media/w/MUSIC/a.m3u"), QStringLiteral("/media/w/MUSIC")),
              QStringLiteral("ファイルを開く [ WalkMan プレイリスト ]"));
    EXPECT_EQ(PlaylistDialogTitle(QStringLiteral("/home/a.m3u"), QStringLiteral("/media/w/MUSIC")),
              QStringLiteral("ファイルを開く"));
    EXPECT_EQ(PlaylistDialogTitle(QStringLiteral("/media/w/MUSIC/a.m3u"), QString()), QStringLiteral("ファイルを開く"));
}

TEST(AddSources, NearestExistingFolderWalksUp)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("a/b")));
    EXPECT_EQ(NearestExistingFolder(dir.filePath(QStringLiteral("a/b/c/d"))), dir.filePath(QStringLiteral("a/b")));
    EXPECT_EQ(NearestExistingFolder(dir.filePath(QStringLiteral("a"))), dir.filePath(QStringLiteral("a")));
    EXPECT_EQ(NearestExistingFolder(QStringLiteral("/no/such/folder/here")), QStringLiteral("/"));
    EXPECT_EQ(NearestExistingFolder(QString()), QString());
}

TEST(AddSources, FileDialogStartsAtTheLastFileElseTheLastFolder)
{
    EXPECT_EQ(FileDialogStartFolder(QStringLiteral("/m/x/a.mp3"), QStringLiteral("/s")), QStringLiteral("/m/x"));
    EXPECT_EQ(FileDialogStartFolder(QString(), QStringLiteral("/s")), QStringLiteral("/s"));
}

TEST(AddSources, DropAndClipboardListsKeepTheirOrder)
{
    QMimeData uris;
    uris.setUrls({QUrl::fromLocalFile(QStringLiteral("/m/b.mp3")), QUrl(QStringLiteral("https://example.com/x.mp3")),
                  QUrl::fromLocalFile(QStringLiteral("/m/曲 a.wav"))});
    EXPECT_EQ(LocalPathsFromMimeData(uris), (QStringList{"/m/b.mp3", QStringLiteral("/m/曲 a.wav")}));
    QMimeData gnome;
    gnome.setData(QStringLiteral("x-special/gnome-copied-files"),
                  "copy\nfile:///m/%E6%9B%B2.mp3\nfile:///m/z.wma\n");
    EXPECT_EQ(LocalPathsFromMimeData(gnome), (QStringList{QStringLiteral("/m/曲.mp3"), "/m/z.wma"}));
    QMimeData text;
    text.setText(QStringLiteral("/m/a.mp3"));
    EXPECT_TRUE(LocalPathsFromMimeData(text).isEmpty());
}

TEST(AddSources, PasteNeedsAnExistingAcceptedFirstFile)
{
    QTemporaryDir dir;
    QString mp3 = dir.filePath(QStringLiteral("a.MP3"));
    QString txt = dir.filePath(QStringLiteral("b.txt"));
    QFile(mp3).open(QIODevice::WriteOnly);
    QFile(txt).open(QIODevice::WriteOnly);
    EXPECT_TRUE(PasteableFileList({mp3, txt}, AcceptedExtensions()));
    EXPECT_FALSE(PasteableFileList({txt, mp3}, AcceptedExtensions()));
    EXPECT_FALSE(PasteableFileList({dir.filePath(QStringLiteral("gone.mp3"))}, AcceptedExtensions()));
    EXPECT_FALSE(PasteableFileList({}, AcceptedExtensions()));
}
