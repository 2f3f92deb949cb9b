#pragma once
// Every value of the program's settings key, with its default. Read once at start-up
// (a value that is absent, of another kind or out of range leaves the default) and
// written back whole when the main window closes.
#include "tags/TagOptions.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillory {

class SettingsStore;
struct Folders;

// Default of "urlpg": the title list page of the maker's site.
inline const QString kDefaultUrlPage = QStringLiteral("https://www.morva.example/quillory/titlelist.html");
// "list title name": item index "なし" of the four field choosers.
inline constexpr std::uint8_t kTitleItemNone = 4;

struct Settings {
    std::optional<int> windowWH;        // "window WH": low 16 bits width, high 16 bits height;
                                        //   empty = the form's own size, and not written
                                        //   (the window empties it while maximised)
    QString mp3InfoPath;                // "Mp3InfoPath" (wide path); default the shared data folder
    QString fileDir;                    // "file-dir" (wide path)
    QString playlistDir;                // "playlist-dir" (wide path)
    QString grpKeepDir;                 // "grp-keepdir" (wide path)
    QString grpSelectOn;                // "grp-select_on" (wide path)
    QString copywriteDir;               // "copywritedir"
    bool listCheck = false;             // "list check"
    QString exclusionList;              // "exclusion list"
    QString str0 = QStringLiteral("-"); // "str0"
    QString str1 = QStringLiteral("／"); // "str1"
    QString str2 = QStringLiteral("／"); // "str2"
    QString str3 = QStringLiteral("／-"); // "str3"
    QString itemStr;                    // "itemstr"
    bool genre = true;                  // "Genre": Japanese genre names
    bool listLine = false;              // "listline"
    bool writeScroll = false;           // "writescroll"
    bool fontSizeUp = false;            // "fontsizeup"
    bool doubleCheck = false;           // "double check"
    bool dlgFrg1 = true;                // "dlgfrg1"
    bool toolBar = false;               // "tool ber"
    std::array<std::uint8_t, 4> listTitleName{kTitleItemNone, kTitleItemNone, kTitleItemNone,
                                              kTitleItemNone}; // "list title name" (Binary, 4 bytes)
    bool mainTagBox = true;             // "main tag box"
    bool commentTagBox = false;         // "comment tag box"
    bool beLe = true;                   // "be-le": UTF-16 little-endian
    int verId = 2;                      // "ver id": 0 riffmp3, 1 ver 2.2, 2 ver 2.3, 3 ver 2.4
    int lngId = 0;                      // "lng id": 0 SJIS, 1 UTF16, 2 UTF8
    bool tconSortV1 = false;            // "TconSortV1"
    bool tconNoInp = false;             // "TconNoInp"
    bool asyn = false;                  // "Asyn"
    bool v1Riff = true;                 // "v1-riff"
    bool chgExt = false;                // "chgext"
    int backNo = 0;                     // "backno": colour scheme 0-4
    int tagAdd = 0;                     // "tagadd": column mask
    QString setMog3 = QStringLiteral("-"); // "setmog3": kept unchanged
    int paddig = 128;                   // "paddig"
    bool listBack = false;              // "listback"
    QString urlPg = kDefaultUrlPage;    // "urlpg"
    bool directEdit = false;            // "directedit"
    bool plUniOk = false;               // "pluniok"
    bool listImg = false;               // "listimg"
    bool adminChk = false;              // "adminchk"
    bool notepadEdit = false;           // "notepad_edit"
    std::array<std::uint16_t, 4> printOpt{}; // "print-opt" (Binary, 8 bytes, little-endian)
    QString grpNameMask;                // "grpnamemask"
    QString updatePath;                 // "updatepath": the program folder; written only when missing

    // Values of other dialogs in the same key. Absent stays absent; the dialog that
    // owns one updates it here so that closing writes its latest state.
    std::optional<bool> csvDub;         // "csvdub"
    std::optional<bool> csvUnicode;     // "csvunicode"
    std::optional<bool> byteOder;       // "byteoder"
    std::optional<QString> csvItemList; // "csv item list"
    std::optional<QByteArray> listChkFrg; // "list chk frg" (Binary)
    std::optional<QString> list1;       // "list1"

    // In memory only.
    bool wmaShowOldTrack = false;       // "WMAの旧トラック情報を表示"
    bool wmaTrackNumberAttr = true;     // "トラック番号はWM/TrackNumberに設定する"
};

enum class SettingType { Bool, Integer, String, Binary, WidePath };

struct SettingInfo {
    QString name;    // registry value name
    SettingType type;
    bool readBack;   // false for "updatepath" and "desktoppathchkfrg" (written, never read)
};
// Every value WriteSettings can write, in table order.
const std::vector<SettingInfo>& SettingTable();

// Fills settings from the store; folder-dependent defaults come from folders.
void ReadSettings(const SettingsStore& store, Settings& settings, const Folders& folders);
// Writes every value; "updatepath" only when missing, "desktoppathchkfrg" true.
// Returns whether the store could be written.
bool WriteSettings(SettingsStore& store, const Settings& settings);

// Sets one value by its registry name (case ignored): Bool 0/1/true/false, Integer
// decimal, String and wide path as given, Binary as hex digits (spaces, commas and
// colons between bytes allowed). False with a message in error for an unknown name
// or a bad value.
bool ApplySettingOverride(Settings& settings, const QString& name, const QString& value, QString* error);
// The value as ApplySettingOverride takes it; empty when the name is unknown or an
// optional value is absent.
std::optional<QString> FormatSetting(const Settings& settings, const QString& name);

TagOptions TagOptionsFrom(const Settings& settings);

inline int PackWindowSize(int width, int height)
{
    return int((std::uint32_t(height & 0xFFFF) << 16) | std::uint32_t(width & 0xFFFF));
}
inline int WindowWidth(int packed) { return int(std::uint32_t(packed) & 0xFFFF); }
inline int WindowHeight(int packed) { return int(std::uint32_t(packed) >> 16); }

} // namespace quillory
