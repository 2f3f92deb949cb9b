#include "app/Settings.h"

#include "platform/Folders.h"
#include "platform/SettingsStore.h"

#include <algorithm>
#include <cctype>
#include <variant>

namespace quillory {
namespace {

using TitleItems = std::array<std::uint8_t, 4>;
using PrintOptions = std::array<std::uint16_t, 4>;

using Member = std::variant<bool Settings::*, int Settings::*, QString Settings::*,
                            std::optional<int> Settings::*, std::optional<bool> Settings::*,
                            std::optional<QString> Settings::*, std::optional<QByteArray> Settings::*,
                            TitleItems Settings::*, PrintOptions Settings::*>;

struct Entry {
    const char* name;
    SettingType type;
    Member member;
    int minValue = 0; // Integer range; min > max: any value
    int maxValue = -1;
};

using T = SettingType;

// One row per stored value. Ranges guard the values used as list indexes.
const std::vector<Entry>& entries()
{
    static const std::vector<Entry> table = {
        {"window WH", T::Integer, &Settings::windowWH},
        {"Mp3InfoPath", T::WidePath, &Settings::mp3InfoPath},
        {"file-dir", T::WidePath, &Settings::fileDir},
        {"playlist-dir", T::WidePath, &Settings::playlistDir},
        {"grp-keepdir", T::WidePath, &Settings::grpKeepDir},
        {"grp-select_on", T::WidePath, &Settings::grpSelectOn},
        {"copywritedir", T::String, &Settings::copywriteDir},
        {"list check", T::Bool, &Settings::listCheck},
        {"exclusion list", T::String, &Settings::exclusionList},
        {"str0", T::String, &Settings::str0},
        {"str1", T::String, &Settings::str1},
        {"str2", T::String, &Settings::str2},
        {"str3", T::String, &Settings::str3},
        {"itemstr", T::String, &Settings::itemStr},
        {"Genre", T::Bool, &Settings::genre},
        {"listline", T::Bool, &Settings::listLine},
        {"writescroll", T::Bool, &Settings::writeScroll},
        {"fontsizeup", T::Bool, &Settings::fontSizeUp},
        {"double check", T::Bool, &Settings::doubleCheck},
        {"dlgfrg1", T::Bool, &Settings::dlgFrg1},
        {"tool ber", T::Bool, &Settings::toolBar},
        {"list title name", T::Binary, &Settings::listTitleName},
        {"main tag box", T::Bool, &Settings::mainTagBox},
        {"comment tag box", T::Bool, &Settings::commentTagBox},
        {"be-le", T::Bool, &Settings::beLe},
        {"ver id", T::Integer, &Settings::verId, 0, 3},
        {"lng id", T::Integer, &Settings::lngId, 0, 2},
        {"TconSortV1", T::Bool, &Settings::tconSortV1},
        {"TconNoInp", T::Bool, &Settings::tconNoInp},
        {"Asyn", T::Bool, &Settings::asyn},
        {"v1-riff", T::Bool, &Settings::v1Riff},
        {"chgext", T::Bool, &Settings::chgExt},
        {"backno", T::Integer, &Settings::backNo, 0, 4},
        {"tagadd", T::Integer, &Settings::tagAdd},
        {"setmog3", T::String, &Settings::setMog3},
        {"paddig", T::Integer, &Settings::paddig},
        {"listback", T::Bool, &Settings::listBack},
        {"urlpg", T::String, &Settings::urlPg},
        {"directedit", T::Bool, &Settings::directEdit},
        {"pluniok", T::Bool, &Settings::plUniOk},
        {"listimg", T::Bool, &Settings::listImg},
        {"adminchk", T::Bool, &Settings::adminChk},
        {"notepad_edit", T::Bool, &Settings::notepadEdit},
        {"print-opt", T::Binary, &Settings::printOpt},
        {"grpnamemask", T::String, &Settings::grpNameMask},
        {"csvdub", T::Bool, &Settings::csvDub},
        {"csvunicode", T::Bool, &Settings::csvUnicode},
        {"byteoder", T::Bool, &Settings::byteOder},
        {"csv item list", T::String, &Settings::csvItemList},
        {"list chk frg", T::Binary, &Settings::listChkFrg},
        {"list1", T::String, &Settings::list1},
    };
    return table;
}

const QString kUpdatePath = QStringLiteral("updatepath");
const QString kDesktopFlag = QStringLiteral("desktoppathchkfrg");

bool inRange(const Entry& e, int v)
{
    return e.minValue > e.maxValue || (v >= e.minValue && v <= e.maxValue);
}

template <std::size_t N>
QByteArray arrayBytes(const std::array<std::uint8_t, N>& a)
{
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

QByteArray printBytes(const PrintOptions& p)
{
    QByteArray b;
    for (std::uint16_t v : p) {
        b.append(char(v & 0xFF));
        b.append(char(v >> 8));
    }
    return b;
}

PrintOptions printFromBytes(const QByteArray& b)
{
    PrintOptions p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = std::uint16_t(std::uint8_t(b[qsizetype(2 * i)]) | (std::uint8_t(b[qsizetype(2 * i + 1)]) << 8));
    return p;
}

// Field choosers take item 0-4; anything else becomes "なし".
void clampTitleItems(TitleItems& items)
{
    for (auto& v : items)
        if (v > kTitleItemNone)
            v = kTitleItemNone;
}

// A binary value shorter than its buffer fills only its first bytes, as a read into
// a preset buffer does; a longer one does not fit and is not taken.
bool overlay(QByteArray& buffer, const QByteArray& value)
{
    if (value.size() > buffer.size())
        return false;
    std::copy(value.begin(), value.end(), buffer.begin());
    return true;
}

void readEntry(const SettingsStore& store, const Entry& e, Settings& s)
{
    const QString name = QString::fromLatin1(e.name);
    std::visit(
        [&](auto m) {
            using M = std::remove_cvref_t<decltype(s.*m)>;
            if constexpr (std::is_same_v<M, bool> || std::is_same_v<M, std::optional<bool>>) {
                if (auto v = store.readBool(name))
                    s.*m = *v;
            } else if constexpr (std::is_same_v<M, int> || std::is_same_v<M, std::optional<int>>) {
                if (auto v = store.readInt(name); v && inRange(e, *v))
                    s.*m = *v;
            } else if constexpr (std::is_same_v<M, QString>) {
                if (e.type == T::WidePath) {
                    // A folder that is gone leaves the default.
                    if (auto v = store.readWidePath(name); v && !v->isEmpty())
                        s.*m = *v;
                } else if (auto v = store.readString(name)) {
                    s.*m = *v;
                }
            } else if constexpr (std::is_same_v<M, std::optional<QString>>) {
                if (auto v = store.readString(name))
                    s.*m = *v;
            } else if constexpr (std::is_same_v<M, std::optional<QByteArray>>) {
                if (auto v = store.readBinary(name))
                    s.*m = *v;
            } else if constexpr (std::is_same_v<M, TitleItems>) {
                if (auto v = store.readBinary(name)) {
                    QByteArray buf = arrayBytes(s.*m);
                    if (overlay(buf, *v)) {
                        std::copy(buf.begin(), buf.end(), (s.*m).begin());
                        clampTitleItems(s.*m);
                    }
                }
            } else {
                static_assert(std::is_same_v<M, PrintOptions>);
                if (auto v = store.readBinary(name)) {
                    QByteArray buf = printBytes(s.*m);
                    if (overlay(buf, *v))
                        s.*m = printFromBytes(buf);
                }
            }
        },
        e.member);
}

void writeEntry(SettingsStore& store, const Entry& e, const Settings& s)
{
    const QString name = QString::fromLatin1(e.name);
    std::visit(
        [&](auto m) {
            using M = std::remove_cvref_t<decltype(s.*m)>;
            const M& v = s.*m;
            if constexpr (std::is_same_v<M, bool>) {
                store.writeBool(name, v);
            } else if constexpr (std::is_same_v<M, std::optional<bool>>) {
                if (v)
                    store.writeBool(name, *v);
            } else if constexpr (std::is_same_v<M, int>) {
                store.writeInt(name, v);
            } else if constexpr (std::is_same_v<M, std::optional<int>>) {
                if (v)
                    store.writeInt(name, *v);
            } else if constexpr (std::is_same_v<M, QString>) {
                if (e.type == T::WidePath)
                    store.writeWidePath(name, v);
                else
                    store.writeString(name, v);
            } else if constexpr (std::is_same_v<M, std::optional<QString>>) {
                if (v)
                    store.writeString(name, *v);
            } else if constexpr (std::is_same_v<M, std::optional<QByteArray>>) {
                if (v)
                    store.writeBinary(name, *v);
            } else if constexpr (std::is_same_v<M, TitleItems>) {
                store.writeBinary(name, arrayBytes(v));
            } else {
                static_assert(std::is_same_v<M, PrintOptions>);
                store.writeBinary(name, printBytes(v));
            }
        },
        e.member);
}

std::optional<bool> parseBool(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("true"))
        return true;
    if (t == QLatin1String("0") || t == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<QByteArray> parseHex(const QString& text)
{
    QByteArray digits;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char(':'))
            continue;
        if (!isxdigit(c.unicode() < 0x80 ? c.unicode() : 0))
            return std::nullopt;
        digits.append(char(c.unicode()));
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    return QByteArray::fromHex(digits);
}

const Entry* findEntry(const QString& name)
{
    for (const Entry& e : entries())
        if (name == QLatin1String(e.name))
            return &e;
    // Registry value names ignore case.
    for (const Entry& e : entries())
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

} // namespace

const std::vector<SettingInfo>& SettingTable()
{
    static const std::vector<SettingInfo> table = [] {
        std::vector<SettingInfo> out;
        for (const Entry& e : entries())
            out.push_back({QString::fromLatin1(e.name), e.type, true});
        out.push_back({kUpdatePath, T::String, false});
        out.push_back({kDesktopFlag, T::Bool, false});
        return out;
    }();
    return table;
}

void ReadSettings(const SettingsStore& store, Settings& settings, const Folders& folders)
{
    if (settings.mp3InfoPath.isEmpty())
        settings.mp3InfoPath = folders.sharedData;
    settings.updatePath = folders.program;
    for (const Entry& e : entries())
        readEntry(store, e, settings);
}

bool WriteSettings(SettingsStore& store, const Settings& settings)
{
    if (!store.contains(kUpdatePath))
        store.writeString(kUpdatePath, settings.updatePath);
    for (const Entry& e : entries())
        writeEntry(store, e, settings);
    store.writeBool(kDesktopFlag, true);
    return store.sync();
}

bool ApplySettingOverride(Settings& settings, const QString& name, const QString& value, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const Entry* e = findEntry(name);
    if (!e)
        return fail(QStringLiteral("不明な設定名です: ") + name);
    const QString bad = QStringLiteral("設定値が正しくありません: ") + name + QLatin1Char('=') + value;
    bool ok = true;
    std::visit(
        [&](auto m) {
            using M = std::remove_cvref_t<decltype(settings.*m)>;
            if constexpr (std::is_same_v<M, bool> || std::is_same_v<M, std::optional<bool>>) {
                auto v = parseBool(value);
                ok = v.has_value();
                if (ok)
                    settings.*m = *v;
            } else if constexpr (std::is_same_v<M, int> || std::is_same_v<M, std::optional<int>>) {
                int v = value.trimmed().toInt(&ok, 10);
                ok = ok && inRange(*e, v);
                if (ok)
                    settings.*m = v;
            } else if constexpr (std::is_same_v<M, QString> || std::is_same_v<M, std::optional<QString>>) {
                settings.*m = value;
            } else if constexpr (std::is_same_v<M, std::optional<QByteArray>>) {
                auto v = parseHex(value);
                ok = v.has_value();
                if (ok)
                    settings.*m = *v;
            } else if constexpr (std::is_same_v<M, TitleItems>) {
                auto v = parseHex(value);
                ok = v && v->size() == qsizetype(std::tuple_size_v<TitleItems>) &&
                     std::all_of(v->begin(), v->end(), [](char c) { return std::uint8_t(c) <= kTitleItemNone; });
                if (ok)
                    std::copy(v->begin(), v->end(), (settings.*m).begin());
            } else {
                static_assert(std::is_same_v<M, PrintOptions>);
                auto v = parseHex(value);
                ok = v && v->size() == qsizetype(2 * std::tuple_size_v<PrintOptions>);
                if (ok)
                    settings.*m = printFromBytes(*v);
            }
        },
        e->member);
    return ok ? true : fail(bad);
}

std::optional<QString> FormatSetting(const Settings& settings, const QString& name)
{
    const Entry* e = findEntry(name);
    if (!e)
        return std::nullopt;
    return std::visit(
        [&](auto m) -> std::optional<QString> {
            using M = std::remove_cvref_t<decltype(settings.*m)>;
            const M& v = settings.*m;
            auto boolText = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
            if constexpr (std::is_same_v<M, bool>) {
                return boolText(v);
            } else if constexpr (std::is_same_v<M, std::optional<bool>>) {
                return v ? std::optional<QString>(boolText(*v)) : std::nullopt;
            } else if constexpr (std::is_same_v<M, int>) {
                return QString::number(v);
            } else if constexpr (std::is_same_v<M, std::optional<int>>) {
                return v ? std::optional<QString>(QString::number(*v)) : std::nullopt;
            } else if constexpr (std::is_same_v<M, QString>) {
                return v;
            } else if constexpr (std::is_same_v<M, std::optional<QString>>) {
                return v;
            } else if constexpr (std::is_same_v<M, std::optional<QByteArray>>) {
                return v ? std::optional<QString>(QString::fromLatin1(v->toHex())) : std::nullopt;
            } else if constexpr (std::is_same_v<M, TitleItems>) {
                return QString::fromLatin1(arrayBytes(v).toHex());
            } else {
                static_assert(std::is_same_v<M, PrintOptions>);
                return QString::fromLatin1(printBytes(v).toHex());
            }
        },
        e->member);
}

TagOptions TagOptionsFrom(const Settings& s)
{
    TagOptions o;
    o.japaneseGenres = s.genre;
    o.columnMask = s.tagAdd;
    o.listPictures = s.listImg;
    o.versionIndex = s.verId;
    o.encodingIndex = s.lngId;
    o.littleEndian = s.beLe;
    o.unsynchronise = s.asyn;
    // The largest choice of the padding list is 8192; a stored value beyond it (or
    // below 0) would only make the writer allocate for nothing.
    o.padding = std::clamp(s.paddig, 0, 8192);
    o.genreAsReference = s.tconNoInp;
    o.v1InsideRiff = s.v1Riff;
    o.renameToRmp = s.chgExt;
    o.wmaShowOldTrack = s.wmaShowOldTrack;
    o.wmaTrackNumberAttr = s.wmaTrackNumberAttr;
    return o;
}

} // namespace quillory
