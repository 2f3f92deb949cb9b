#include "app/Settings.h"

#include "platform/Folders.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace quillory;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Folders folders;
    int files_ = 0;

    void SetUp() override
    {
        folders = ComputeFolders(dir.filePath(QStringLiteral("bin")), dir.filePath(QStringLiteral("share")),
                                 QStringLiteral("tester"));
    }
    QString newIni() { return dir.filePath(QStringLiteral("s%1.ini").arg(++files_)); }
    QString makeFolder(const QString& name)
    {
        QString p = dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(p));
        return p;
    }
    Settings readFrom(const QString& ini)
    {
        SettingsStore store(ini);
        Settings s;
        ReadSettings(store, s, folders);
        return s;
    }
};

// The value each setting has when nothing is stored.
TEST_F(SettingsTest, AbsentValuesLeaveTheTableDefaults)
{
    const std::map<QString, std::optional<QString>> defaults = {
        {"window WH", std::nullopt},
        {"Mp3InfoPath", folders.sharedData},
        {"file-dir", ""},
        {"playlist-dir", ""},
        {"grp-keepdir", ""},
        {"grp-select_on", ""},
        {"copywritedir", ""},
        {"list check", "false"},
        {"exclusion list", ""},
        {"str0", "-"},
        {"str1", "／"},
        {"str2", "／"},
        {"str3", "／-"},
        {"itemstr", ""},
        {"Genre", "true"},
        {"listline", "false"},
        {"writescroll", "false"},
        {"fontsizeup", "false"},
        {"double check", "false"},
        {"dlgfrg1", "true"},
        {"tool ber", "false"},
        {"list title name", "04040404"},
        {"main tag box", "true"},
        {"comment tag box", "false"},
        {"be-le", "true"},
        {"ver id", "2"},
        {"lng id", "0"},
        {"TconSortV1", "false"},
        {"TconNoInp", "false"},
        {"Asyn", "false"},
        {"v1-riff", "true"},
        {"chgext", "false"},
        {"backno", "0"},
        {"tagadd", "0"},
        {"setmog3", "-"},
        {"paddig", "128"},
        {"listback", "false"},
        {"urlpg", kDefaultUrlPage},
        {"directedit", "false"},
        {"pluniok", "false"},
        {"listimg", "false"},
        {"adminchk", "false"},
        {"notepad_edit", "false"},
        {"print-opt", "0000000000000000"},
        {"grpnamemask", ""},
        {"csvdub", std::nullopt},
        {"csvunicode", std::nullopt},
        {"byteoder", std::nullopt},
        {"csv item list", std::nullopt},
        {"list chk frg", std::nullopt},
        {"list1", std::nullopt},
    };
    const Settings s = readFrom(newIni());
    int readable = 0;
    for (const SettingInfo& info : SettingTable()) {
        if (!info.readBack)
            continue;
        ++readable;
        SCOPED_TRACE(info.name.toStdString());
        auto it = defaults.find(info.name);
        ASSERT_NE(it, defaults.end()) << "no default listed";
        EXPECT_EQ(FormatSetting(s, info.name), it->second);
    }
    EXPECT_EQ(readable, int(defaults.size()));
    EXPECT_EQ(s.updatePath, folders.program);
}

// A value for each setting that differs from its default, by type.
QString testValue(const SettingInfo& info, const std::function<QString(const QString&)>& folder)
{
    static const std::map<QString, QString> special = {
        {"window WH", QString::number(PackWindowSize(1024, 700))},
        {"ver id", "3"},
        {"lng id", "1"},
        {"backno", "4"},
        {"tagadd", "2047"},
        {"paddig", "0"},
        {"list title name", "00010203"},
        {"print-opt", "01000100000038ff"},
        {"list chk frg", "0100010100"},
    };
    if (auto it = special.find(info.name); it != special.end())
        return it->second;
    switch (info.type) {
    case SettingType::Bool: return QString(); // flipped by the caller
    case SettingType::Integer: return QStringLiteral("7");
    case SettingType::String: return QStringLiteral("値 ") + info.name + QStringLiteral(", dword:1");
    case SettingType::WidePath: return folder(info.name);
    case SettingType::Binary: return QStringLiteral("ff00");
    }
    return {};
}

TEST_F(SettingsTest, EveryValueRoundTripsWithItsType)
{
    Settings written;
    int n = 0;
    for (const SettingInfo& info : SettingTable()) {
        if (!info.readBack)
            continue;
        SCOPED_TRACE(info.name.toStdString());
        QString v = testValue(info, [&](const QString& name) {
            return makeFolder(QStringLiteral("フォルダ%1").arg(++n) + QString(name).remove(QLatin1Char('-')));
        });
        if (info.type == SettingType::Bool) {
            std::optional<QString> cur = FormatSetting(written, info.name);
            v = cur == QStringLiteral("true") ? QStringLiteral("false") : QStringLiteral("true");
        }
        ASSERT_NE(FormatSetting(Settings(), info.name), std::optional<QString>(v)) << "not a changed value";
        QString error;
        ASSERT_TRUE(ApplySettingOverride(written, info.name, v, &error)) << error.toStdString();
    }
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        ASSERT_TRUE(WriteSettings(store, written));
        for (const SettingInfo& info : SettingTable()) {
            SCOPED_TRACE(info.name.toStdString());
            const SettingKind expected = info.type == SettingType::Bool || info.type == SettingType::Integer
                                             ? SettingKind::Dword
                                             : info.type == SettingType::String ? SettingKind::String
                                                                                : SettingKind::Binary;
            EXPECT_EQ(store.kindOf(info.name), expected);
        }
    }
    QString copy = newIni();
    ASSERT_TRUE(QFile::copy(ini, copy));
    const Settings read = readFrom(copy);
    for (const SettingInfo& info : SettingTable()) {
        if (!info.readBack)
            continue;
        SCOPED_TRACE(info.name.toStdString());
        EXPECT_EQ(FormatSetting(read, info.name), FormatSetting(written, info.name));
    }
}

TEST_F(SettingsTest, UpdatePathIsWrittenOnlyWhenMissing)
{
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        Settings s = readFrom(ini);
        ASSERT_TRUE(WriteSettings(store, s));
        EXPECT_EQ(store.readString(QStringLiteral("updatepath")), folders.program);
        EXPECT_EQ(store.readBool(QStringLiteral("desktoppathchkfrg")), true);
        store.writeString(QStringLiteral("updatepath"), QStringLiteral("/older/place"));
        store.writeBool(QStringLiteral("desktoppathchkfrg"), false);
        s.updatePath = QStringLiteral("/new/place");
        ASSERT_TRUE(WriteSettings(store, s));
        EXPECT_EQ(store.readString(QStringLiteral("updatepath")), QStringLiteral("/older/place"));
        EXPECT_EQ(store.readBool(QStringLiteral("desktoppathchkfrg")), true);
    }
}

TEST_F(SettingsTest, WindowSizePacksWidthLowHeightHigh)
{
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        store.writeInt(QStringLiteral("window WH"), (500 << 16) | 988);
        ASSERT_TRUE(store.sync());
    }
    const Settings s = readFrom(ini);
    ASSERT_TRUE(s.windowWH.has_value());
    EXPECT_EQ(WindowWidth(*s.windowWH), 988);
    EXPECT_EQ(WindowHeight(*s.windowWH), 500);
    EXPECT_EQ(PackWindowSize(988, 500), 0x01F403DC);
    EXPECT_EQ(WindowHeight(PackWindowSize(1920, 0xFFFF)), 0xFFFF);
}

TEST_F(SettingsTest, MaximisedWindowLeavesTheStoredSize)
{
    const QString ini = newIni();
    SettingsStore store(ini);
    store.writeInt(QStringLiteral("window WH"), PackWindowSize(800, 600));
    Settings s;
    s.windowWH.reset();
    ASSERT_TRUE(WriteSettings(store, s));
    EXPECT_EQ(store.readInt(QStringLiteral("window WH")), PackWindowSize(800, 600));
}

TEST_F(SettingsTest, WidePathToADeletedFolderLeavesTheDefault)
{
    const QString gone = makeFolder(QStringLiteral("gone"));
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        store.writeWidePath(QStringLiteral("Mp3InfoPath"), gone);
        store.writeWidePath(QStringLiteral("file-dir"), gone);
        ASSERT_TRUE(store.sync());
    }
    ASSERT_TRUE(QDir(gone).removeRecursively());
    const Settings s = readFrom(ini);
    EXPECT_EQ(s.mp3InfoPath, folders.sharedData);
    EXPECT_EQ(s.fileDir, QString());
}

TEST_F(SettingsTest, OldStringPathsAreRead)
{
    const QString there = makeFolder(QStringLiteral("pictures"));
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        store.writeString(QStringLiteral("grp-keepdir"), there);
        ASSERT_TRUE(store.sync());
    }
    EXPECT_EQ(readFrom(ini).grpKeepDir, there);
}

// Stored values that do not fit leave the default.
struct StoredCase {
    const char* name;
    std::function<void(SettingsStore&)> store;
    QString expected;
};

TEST_F(SettingsTest, UnfitStoredValuesLeaveTheDefault)
{
    auto dword = [](const char* n, int v) { return [=](SettingsStore& s) { s.writeInt(QLatin1String(n), v); }; };
    auto bin = [](const char* n, QByteArray b) { return [=](SettingsStore& s) { s.writeBinary(QLatin1String(n), b); }; };
    const StoredCase cases[] = {
        {"ver id", dword("ver id", 4), "2"},
        {"ver id", dword("ver id", -1), "2"},
        {"lng id", dword("lng id", 3), "0"},
        {"backno", dword("backno", 5), "0"},
        {"backno", dword("backno", 4), "4"},
        {"Genre", [](SettingsStore& s) { s.writeString(QStringLiteral("Genre"), QStringLiteral("0")); }, "true"},
        {"str0", dword("str0", 1), "-"},
        {"list title name", bin("list title name", QByteArray("\x00\x09\x02\xff", 4)), "00040204"},
        {"list title name", bin("list title name", QByteArray("\x01\x02", 2)), "01020404"},
        {"list title name", bin("list title name", QByteArray(5, '\x01')), "04040404"},
        {"print-opt", bin("print-opt", QByteArray("\x01\x00\x00\x00\x01\x00\xf6\xff", 8)), "010000000100f6ff"},
        {"print-opt", bin("print-opt", QByteArray("\x01", 1)), "0100000000000000"},
        {"print-opt", bin("print-opt", QByteArray(9, '\x01')), "0000000000000000"},
        {"paddig", dword("paddig", 100), "100"},
        {"window WH", [](SettingsStore& s) { s.writeString(QStringLiteral("window WH"), QStringLiteral("988")); }, ""},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " -> " + c.expected.toStdString());
        const QString ini = newIni();
        {
            SettingsStore store(ini);
            c.store(store);
            ASSERT_TRUE(store.sync());
        }
        const Settings s = readFrom(ini);
        std::optional<QString> got = FormatSetting(s, QLatin1String(c.name));
        EXPECT_EQ(got.value_or(QString()), c.expected);
    }
}

TEST_F(SettingsTest, PrintOptionsAreLittleEndianWords)
{
    Settings s;
    ASSERT_TRUE(ApplySettingOverride(s, QStringLiteral("print-opt"), QStringLiteral("01 00 00 00 01 00 f6 ff"), nullptr));
    EXPECT_EQ(s.printOpt, (std::array<std::uint16_t, 4>{1, 0, 1, 0xFFF6}));
}

TEST_F(SettingsTest, OtherDialogsValuesStayAbsentOrRoundTrip)
{
    const QString ini = newIni();
    {
        SettingsStore store(ini);
        Settings s = readFrom(ini);
        ASSERT_TRUE(WriteSettings(store, s));
        for (const char* n : {"csvdub", "csvunicode", "byteoder", "csv item list", "list chk frg", "list1"})
            EXPECT_FALSE(store.contains(QLatin1String(n))) << n;
        store.writeBool(QStringLiteral("csvdub"), true);
        store.writeString(QStringLiteral("list1"), QStringLiteral("第\r\n曲目"));
        store.writeBinary(QStringLiteral("list chk frg"), QByteArray("\x01\x00", 2));
        ASSERT_TRUE(store.sync());
    }
    const QString copy = newIni();
    ASSERT_TRUE(QFile::copy(ini, copy));
    Settings s = readFrom(copy);
    EXPECT_EQ(s.csvDub, true);
    EXPECT_EQ(s.list1, QStringLiteral("第\r\n曲目"));
    EXPECT_EQ(s.listChkFrg, QByteArray("\x01\x00", 2));
    const QString again = newIni();
    {
        SettingsStore store(again);
        ASSERT_TRUE(WriteSettings(store, s));
    }
    SettingsStore r(again);
    EXPECT_EQ(r.readBool(QStringLiteral("csvdub")), true);
    EXPECT_EQ(r.readString(QStringLiteral("list1")), QStringLiteral("第\r\n曲目"));
    EXPECT_EQ(r.readBinary(QStringLiteral("list chk frg")), QByteArray("\x01\x00", 2));
    EXPECT_FALSE(r.contains(QStringLiteral("csvunicode")));
}

struct OverrideCase {
    const char* name;
    const char* value;
    bool ok;
    const char* formatted; // the value afterwards (for ok cases)
};

TEST(SettingOverride, ParsesByTypeAndRefusesNonsense)
{
    const OverrideCase cases[] = {
        {"Genre", "0", true, "false"},
        {"genre", "TRUE", true, "true"},
        {"double check", "1", true, "true"},
        {"double check", "yes", false, nullptr},
        {"ver id", "3", true, "3"},
        {"ver id", "4", false, nullptr},
        {"ver id", "x", false, nullptr},
        {"paddig", "-5", true, "-5"},
        {"window WH", "32768988", true, "32768988"},
        {"str0", "＿", true, "＿"},
        {"list title name", "04 04 00 01", true, "04040001"},
        {"list title name", "0405", false, nullptr},
        {"list title name", "04040405", false, nullptr},
        {"print-opt", "0100:0000:0100:0500", true, "0100000001000500"},
        {"print-opt", "01", false, nullptr},
        {"list chk frg", "zz", false, nullptr},
        {"list chk frg", "abc", false, nullptr},
        {"list chk frg", "01,01", true, "0101"},
        {"csvdub", "false", true, "false"},
        {"updatepath", "/x", false, nullptr},
        {"no such value", "1", false, nullptr},
    };
    for (const OverrideCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        Settings s;
        QString error;
        EXPECT_EQ(ApplySettingOverride(s, QString::fromUtf8(c.name), QString::fromUtf8(c.value), &error), c.ok);
        if (c.ok)
            EXPECT_EQ(FormatSetting(s, QString::fromUtf8(c.name)), QString::fromUtf8(c.formatted));
        else
            EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    Settings s;
    ApplySettingOverride(s, QStringLiteral("nope"), QStringLiteral("1"), &error);
    EXPECT_TRUE(error.startsWith(QStringLiteral("不明な設定名です"))) << error.toStdString();
}

struct TagOptionCase {
    const char* name;
    const char* value;
    std::function<bool(const TagOptions&)> holds;
};

TEST(TagOptionsFromSettings, CarriesTheValuesThatSteerTags)
{
    const TagOptionCase cases[] = {
        {"Genre", "0", [](const TagOptions& o) { return !o.japaneseGenres; }},
        {"tagadd", "1024", [](const TagOptions& o) { return o.columnMask == 1024 && o.audioFormatShown(); }},
        {"listimg", "1", [](const TagOptions& o) { return o.listPictures; }},
        {"ver id", "3", [](const TagOptions& o) { return o.versionIndex == 3; }},
        {"lng id", "2", [](const TagOptions& o) { return o.encodingIndex == 2; }},
        {"be-le", "0", [](const TagOptions& o) { return !o.littleEndian; }},
        {"Asyn", "1", [](const TagOptions& o) { return o.unsynchronise; }},
        {"paddig", "4096", [](const TagOptions& o) { return o.padding == 4096; }},
        {"paddig", "100", [](const TagOptions& o) { return o.padding == 100; }},
        {"paddig", "100000000", [](const TagOptions& o) { return o.padding == 8192; }},
        {"paddig", "-1", [](const TagOptions& o) { return o.padding == 0; }},
        {"TconNoInp", "1", [](const TagOptions& o) { return o.genreAsReference; }},
        {"v1-riff", "0", [](const TagOptions& o) { return !o.v1InsideRiff; }},
        {"chgext", "1", [](const TagOptions& o) { return o.renameToRmp; }},
    };
    for (const TagOptionCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        Settings s;
        ASSERT_TRUE(ApplySettingOverride(s, QLatin1String(c.name), QLatin1String(c.value), nullptr));
        EXPECT_TRUE(c.holds(TagOptionsFrom(s)));
        EXPECT_FALSE(c.holds(TagOptionsFrom(Settings()))) << "the default already holds";
    }
    Settings s;
    s.wmaShowOldTrack = true;
    s.wmaTrackNumberAttr = false;
    TagOptions o = TagOptionsFrom(s);
    EXPECT_TRUE(o.wmaShowOldTrack);
    EXPECT_FALSE(o.wmaTrackNumberAttr);
}

TEST(SettingTableNames, AreUniqueIgnoringCase)
{
    const auto& table = SettingTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        for (std::size_t j = i + 1; j < table.size(); ++j)
            EXPECT_NE(table[i].name.compare(table[j].name, Qt::CaseInsensitive), 0) << table[i].name.toStdString();
}

} // namespace
