#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace quillory;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("Quillory.ini")); }

    // Copies the written file to a new name, so that the read comes from disk and
    // not from what QSettings still holds for the old name.
    QString reopenPath(const QString& from)
    {
        QString to = dir.filePath(QStringLiteral("copy%1.ini").arg(++copies_));
        EXPECT_TRUE(QFile::copy(from, to));
        return to;
    }

    void writeRaw(const QByteArray& text)
    {
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private:
    int copies_ = 0;
};

TEST_F(SettingsStoreTest, StringsSurviveTheFileExactly)
{
    const QStringList values = {
        QString(), QStringLiteral("-"), QStringLiteral("／-"), QStringLiteral("dword:00000001"),
        QStringLiteral("str:x"), QStringLiteral("str:"), QStringLiteral("@ByteArray(x)"), QStringLiteral("@@"),
        QStringLiteral("a, b"), QStringLiteral(" lead"), QStringLiteral("trail "), QStringLiteral("a;b"),
        QStringLiteral("x=y"), QStringLiteral("line1\r\nline2"), QStringLiteral("C:\\dir\\x"),
        QStringLiteral("日本語のテキスト"), QStringLiteral("😀 emoji"), QStringLiteral("\"quoted\""),
        QStringLiteral("#hash"), QStringLiteral("[section]")};
    {
        SettingsStore s(ini());
        for (int i = 0; i < values.size(); ++i)
            s.writeString(QStringLiteral("v%1").arg(i), values[i]);
        ASSERT_TRUE(s.sync());
    }
    SettingsStore r(reopenPath(ini()));
    for (int i = 0; i < values.size(); ++i) {
        const QString name = QStringLiteral("v%1").arg(i);
        SCOPED_TRACE(values[i].toStdString());
        EXPECT_EQ(r.kindOf(name), SettingKind::String);
        ASSERT_TRUE(r.readString(name).has_value());
        EXPECT_EQ(*r.readString(name), values[i]);
        EXPECT_FALSE(r.readInt(name).has_value());
        EXPECT_FALSE(r.readBinary(name).has_value());
    }
}

TEST_F(SettingsStoreTest, IntegersAreDwordsWithTheirSign)
{
    const int values[] = {0, 1, -1, INT_MAX, INT_MIN, (500 << 16) | 988, 8192};
    {
        SettingsStore s(ini());
        for (int v : values)
            s.writeInt(QStringLiteral("i%1").arg(v), v);
        ASSERT_TRUE(s.sync());
    }
    SettingsStore r(reopenPath(ini()));
    for (int v : values) {
        const QString name = QStringLiteral("i%1").arg(v);
        EXPECT_EQ(r.kindOf(name), SettingKind::Dword);
        EXPECT_EQ(r.readInt(name), v);
        EXPECT_EQ(r.readBool(name), v != 0);
        EXPECT_FALSE(r.readString(name).has_value());
        EXPECT_FALSE(r.readBinary(name).has_value());
    }
    // The file holds the registry export form.
    QFile f(ini());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("dword:01f403dc"));
}

TEST_F(SettingsStoreTest, BoolsAreDwordsZeroOrOne)
{
    SettingsStore s(ini());
    s.writeBool(QStringLiteral("on"), true);
    s.writeBool(QStringLiteral("off"), false);
    ASSERT_TRUE(s.sync());
    SettingsStore r(reopenPath(ini()));
    EXPECT_EQ(r.readInt(QStringLiteral("on")), 1);
    EXPECT_EQ(r.readInt(QStringLiteral("off")), 0);
    EXPECT_EQ(r.readBool(QStringLiteral("off")), false);
}

TEST_F(SettingsStoreTest, BinaryKeepsEveryByte)
{
    const QByteArray values[] = {QByteArray(), QByteArray(4, '\x04'), QByteArray(8, '\0'),
                                 QByteArray("\xff\xfe\x00\x01\x7f\x80", 6), QByteArray("dword:00000001")};
    {
        SettingsStore s(ini());
        for (int i = 0; i < int(std::size(values)); ++i)
            s.writeBinary(QStringLiteral("b%1").arg(i), values[i]);
        ASSERT_TRUE(s.sync());
    }
    SettingsStore r(reopenPath(ini()));
    for (int i = 0; i < int(std::size(values)); ++i) {
        const QString name = QStringLiteral("b%1").arg(i);
        EXPECT_EQ(r.kindOf(name), SettingKind::Binary);
        EXPECT_EQ(r.readBinary(name), values[i]);
        EXPECT_FALSE(r.readString(name).has_value());
        EXPECT_FALSE(r.readInt(name).has_value());
    }
}

// Hand-edited files: what each line's text is taken for.
struct RawCase {
    const char* line;
    SettingKind kind;
    std::optional<int> asInt;
    std::optional<QString> asString;
};

TEST_F(SettingsStoreTest, HandWrittenValuesKeepTheirKind)
{
    const RawCase cases[] = {
        {"x=988", SettingKind::String, std::nullopt, QStringLiteral("988")},
        {"x=dword:000003dc", SettingKind::Dword, 988, std::nullopt},
        {"x=dword:", SettingKind::String, std::nullopt, QStringLiteral("dword:")},
        {"x=dword:zz", SettingKind::String, std::nullopt, QStringLiteral("dword:zz")},
        {"x=dword:123456789", SettingKind::String, std::nullopt, QStringLiteral("dword:123456789")},
        {"x=\"str:dword:1\"", SettingKind::String, std::nullopt, QStringLiteral("dword:1")},
        {"x=a, b", SettingKind::String, std::nullopt, QStringLiteral("a, b")},
        {"x=@ByteArray(ab)", SettingKind::Binary, std::nullopt, std::nullopt},
    };
    for (const RawCase& c : cases) {
        SCOPED_TRACE(c.line);
        const QString path = dir.filePath(QStringLiteral("raw%1.ini").arg(int(&c - cases)));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[General]\n") + c.line + "\n");
        }
        SettingsStore s(path);
        EXPECT_EQ(s.kindOf(QStringLiteral("x")), c.kind);
        EXPECT_EQ(s.readInt(QStringLiteral("x")), c.asInt);
        EXPECT_EQ(s.readString(QStringLiteral("x")), c.asString);
    }
}

TEST_F(SettingsStoreTest, AbsentValuesReadAsNothing)
{
    SettingsStore s(ini());
    EXPECT_FALSE(s.contains(QStringLiteral("none")));
    EXPECT_EQ(s.kindOf(QStringLiteral("none")), SettingKind::None);
    EXPECT_FALSE(s.readBool(QStringLiteral("none")).has_value());
    EXPECT_FALSE(s.readInt(QStringLiteral("none")).has_value());
    EXPECT_FALSE(s.readString(QStringLiteral("none")).has_value());
    EXPECT_FALSE(s.readBinary(QStringLiteral("none")).has_value());
    EXPECT_FALSE(s.readWidePath(QStringLiteral("none")).has_value());
}

TEST_F(SettingsStoreTest, WidePathsAreUtf16AndMustStillExist)
{
    const QString existing = dir.filePath(QStringLiteral("音楽 フォルダ"));
    const QString doomed = dir.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(existing));
    ASSERT_TRUE(QDir().mkpath(doomed));
    {
        SettingsStore s(ini());
        s.writeWidePath(QStringLiteral("kept"), existing);
        s.writeWidePath(QStringLiteral("gone"), doomed);
        s.writeWidePath(QStringLiteral("empty"), QString());
        s.writeString(QStringLiteral("old"), existing);
        // An older value stored with its terminator.
        s.writeBinary(QStringLiteral("terminated"), encodeWideText(existing) + QByteArray(2, '\0'));
        ASSERT_TRUE(s.sync());
    }
    ASSERT_TRUE(QDir(doomed).removeRecursively());
    SettingsStore r(reopenPath(ini()));
    EXPECT_EQ(r.kindOf(QStringLiteral("kept")), SettingKind::Binary);
    EXPECT_EQ(r.readBinary(QStringLiteral("kept")), encodeWideText(existing));
    EXPECT_EQ(r.readWidePath(QStringLiteral("kept")), existing);
    EXPECT_EQ(r.readWidePath(QStringLiteral("old")), existing);
    EXPECT_EQ(r.readWidePath(QStringLiteral("terminated")), existing);
    EXPECT_EQ(r.readWidePath(QStringLiteral("gone")), QString());
    EXPECT_EQ(r.readWidePath(QStringLiteral("empty")), QString());
}

TEST(WideText, EncodesLittleEndianWithoutTerminator)
{
    const QString text = QStringLiteral("A日😀");
    const QByteArray expected("\x41\x00\xe5\x65\x3d\xd8\x00\xde", 8);
    EXPECT_EQ(encodeWideText(text), expected);
    EXPECT_EQ(decodeWideText(expected), text);
    // An odd last byte is no code unit.
    EXPECT_EQ(decodeWideText(expected + 'x'), text);
}

TEST_F(SettingsStoreTest, SubkeyIsItsOwnGroup)
{
    SettingsStore s(ini());
    SettingsStore sub = s.subkey(QStringLiteral("sub"));
    s.writeString(QStringLiteral("same"), QStringLiteral("top"));
    sub.writeString(QStringLiteral("same"), QStringLiteral("inner"));
    ASSERT_TRUE(s.sync());
    SettingsStore r(reopenPath(ini()));
    EXPECT_EQ(r.readString(QStringLiteral("same")), QStringLiteral("top"));
    EXPECT_EQ(r.subkey(QStringLiteral("sub")).readString(QStringLiteral("same")), QStringLiteral("inner"));
    EXPECT_EQ(r.valueNames(), QStringList{QStringLiteral("same")});
}

TEST_F(SettingsStoreTest, NamesThatWouldBeGroupsAreRefused)
{
    SettingsStore s(ini());
    s.writeString(QStringLiteral("sub/x"), QStringLiteral("v"));
    s.writeString(QStringLiteral("a\\b"), QStringLiteral("v"));
    ASSERT_TRUE(s.sync());
    EXPECT_FALSE(s.contains(QStringLiteral("sub/x")));
    EXPECT_FALSE(s.subkey(QStringLiteral("sub")).contains(QStringLiteral("x")));
    EXPECT_TRUE(s.valueNames().isEmpty());
}

TEST_F(SettingsStoreTest, RemoveDeletesOneValue)
{
    SettingsStore s(ini());
    s.writeInt(QStringLiteral("a"), 1);
    s.writeInt(QStringLiteral("b"), 2);
    s.remove(QStringLiteral("a"));
    EXPECT_FALSE(s.contains(QStringLiteral("a")));
    EXPECT_EQ(s.readInt(QStringLiteral("b")), 2);
}

TEST_F(SettingsStoreTest, SyncReportsAFileThatCannotBeWritten)
{
    // The parent of the file is a plain file.
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore s(dir.filePath(QStringLiteral("blocker/Quillory.ini")));
    s.writeInt(QStringLiteral("a"), 1);
    EXPECT_FALSE(s.sync());
}

class DefaultPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* v = std::getenv("XDG_CONFIG_HOME"))
            saved_ = v;
    }
    void TearDown() override
    {
        if (saved_)
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(DefaultPathTest, FollowsXdgConfigHome)
{
    const QString home = QDir::homePath();
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-home", 1);
    EXPECT_EQ(defaultSettingsPath(), QStringLiteral("/tmp/cfg-home/Morva/Quillory.ini"));
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(defaultSettingsPath(), home + QStringLiteral("/.config/Morva/Quillory.ini"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(defaultSettingsPath(), home + QStringLiteral("/.config/Morva/Quillory.ini"));
}

} // namespace
