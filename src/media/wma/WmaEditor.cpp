#include "media/wma/WmaEditor.h"

#include "media/wma/AsfAttributes.h"
#include "media/wma/AsfHeader.h"
#include "media/wma/ReplaceFile.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/CodePage.h"
#include "platform/FileAccess.h"
#include "platform/Limits.h"

#include <algorithm>

namespace quillory {

struct WmaEditor::State {
    QString path;
    FileReader file;
    asf::Header header;
    Bytes original; // the Header Object as read
    WmaErrorGate* gate = nullptr;
    bool open = true;

    void report(const char16_t* message)
    {
        if (gate)
            gate->Report(QString::fromUtf16(message));
    }
    void release()
    {
        open = false;
        file.close();
        header = {};
        original = {};
    }
};

WmaEditor::WmaEditor(std::unique_ptr<State> state) : state_(std::move(state)) {}
WmaEditor::~WmaEditor() = default;
const QString& WmaEditor::path() const { return state_->path; }
bool WmaEditor::isOpen() const { return state_->open; }

namespace {

const QString kBitrate = QStringLiteral("Bitrate");
const QString kDuration = QStringLiteral("Duration");
const QString kPicture = QStringLiteral("WM/Picture");
const QString kWebLink = QStringLiteral("WM/UserWebURL");
const QString kJpeg = QStringLiteral("image/jpeg");
const QString kPng = QStringLiteral("image/png");

// The picture structure as the file holds it: type, data length, MIME type and
// description (each zero-terminated UTF-16), data.
constexpr std::size_t kPictureFixed = 5;

bool isDerived(QStringView name)
{
    return name.compare(kBitrate, Qt::CaseInsensitive) == 0 || name.compare(kDuration, Qt::CaseInsensitive) == 0;
}

WmaType editorType(asf::StoredType t)
{
    using asf::StoredType;
    switch (t) {
    case StoredType::String:
        return WmaType::String;
    case StoredType::Binary:
        return WmaType::Binary;
    case StoredType::Bool:
        return WmaType::Bool;
    case StoredType::Dword:
        return WmaType::Dword;
    case StoredType::Qword:
        return WmaType::Qword;
    case StoredType::Word:
        return WmaType::Word;
    case StoredType::Guid:
        return WmaType::Guid;
    }
    // Types this editor does not know read as empty text, like GUIDs.
    return WmaType(7 + int(t));
}

// Little-endian number from at most `width` bytes of the value; a short value is
// what it holds, never read past.
std::uint64_t numberOf(const Bytes& v, std::size_t width)
{
    std::uint64_t n = 0;
    std::size_t len = std::min(width, v.size());
    for (std::size_t i = len; i-- > 0;)
        n = (n << 8) | v[i];
    return n;
}

// Reads a zero-terminated UTF-16 string at pos; false when the terminator is missing.
bool readTerminated(ByteView v, std::size_t& pos, QString& out)
{
    for (std::size_t i = pos; v.size() - i >= 2; i += 2) {
        if (v[i] == 0 && v[i + 1] == 0) {
            out = asf::DecodeUtf16z(v.subspan(pos, i - pos));
            pos = i + 2;
            return true;
        }
    }
    return false;
}

void readPicture(const Bytes& v, WmaValue& out)
{
    if (v.size() < kPictureFixed)
        return;
    std::uint32_t dataLen = readU32LE(v.data() + 1);
    std::size_t pos = kPictureFixed;
    QString mime, description;
    if (!readTerminated(v, pos, mime) || !readTerminated(v, pos, description))
        return;
    // The data must lie inside the value: a length that runs past it is refused
    // rather than read beyond.
    if (dataLen >= v.size() || dataLen > v.size() - pos)
        return;
    if (mime != kJpeg && mime != kPng)
        return;
    out.data.assign(v.begin() + std::ptrdiff_t(pos), v.begin() + std::ptrdiff_t(pos + dataLen));
    out.length = dataLen;
    out.pictureDescription = description;
}

void readWebLink(const Bytes& v, WmaValue& out)
{
    // Description, then the address, both zero-terminated UTF-16; an address cut by
    // the end of the value is taken as far as it goes.
    std::size_t pos = 0;
    QString description;
    if (!readTerminated(v, pos, description))
        return;
    QString url;
    std::size_t end = pos;
    if (!readTerminated(v, end, url))
        url = asf::DecodeUtf16z(ByteView(v).subspan(pos));
    out.text = url;
    out.length = std::uint32_t(url.size());
}

WmaValue readDerived(const asf::Header& header, QStringView name)
{
    WmaValue out;
    if (name.compare(kDuration, Qt::CaseInsensitive) == 0) {
        auto fp = asf::ReadFileProperties(header);
        // A broadcast file's durations are not valid.
        if (!fp || (fp->flags & 1) != 0)
            return out;
        std::uint64_t preroll = fp->preroll > UINT64_MAX / 10000 ? UINT64_MAX : fp->preroll * 10000;
        std::uint64_t duration = fp->playDuration > preroll ? fp->playDuration - preroll : 0;
        out.found = true;
        out.type = WmaType::Qword;
        out.length = 8;
        out.text = QString::number(duration);
        return out;
    }
    auto bitrate = asf::ReadTotalBitrate(header);
    if (!bitrate || *bitrate == 0)
        return out;
    out.found = true;
    out.type = WmaType::Dword;
    out.length = 4;
    // The kbps figure the list shows: thousands, less one.
    std::int64_t kbps = std::int64_t(*bitrate / 1000) - 1;
    out.text = QString::number(std::max<std::int64_t>(kbps, 0));
    return out;
}

bool setValue(WmaEditor& editor, const QString& name, asf::StoredType type, Bytes value)
{
    auto& s = editor.state();
    if (isDerived(name) || value.size() > limits::kMaxAsfHeaderBytes ||
        !asf::SetAttribute(s.header, name, type, std::move(value))) {
        s.report(wmamsg::kSetFailed);
        return false;
    }
    return true;
}

void appendBytes(Bytes& out, const Bytes& in) { out.insert(out.end(), in.begin(), in.end()); }

} // namespace

WmaOpenResult OpenWmaEditor(const QString& path, WmaErrorGate* gate, FileReader* handle)
{
    WmaOpenResult result;
    auto state = std::make_unique<WmaEditor::State>();
    state->path = path;
    state->gate = gate;
    FileReader& f = state->file;

    auto fail = [&]() {
        if (gate)
            gate->ReportOpenFailure(path, handle ? handle : (f.isOpen() ? &f : nullptr));
        return std::move(result);
    };

    if (!f.open(path)) {
        result.error = f.error();
        return fail();
    }
    std::uint8_t prefix[asf::kHeaderObjectPrefix];
    if (f.readAt(0, prefix, sizeof prefix) != sizeof prefix) {
        result.damage = QStringLiteral("file too short for an ASF header");
        return fail();
    }
    std::uint64_t size = readU64LE(prefix + 16);
    if (size > f.size() || size > limits::kMaxAsfHeaderBytes) {
        result.damage = QStringLiteral("header size beyond the file");
        return fail();
    }
    if (size < asf::kHeaderObjectPrefix)
        size = asf::kHeaderObjectPrefix; // ParseHeader names the fault
    if (!f.readAt(0, std::size_t(size), state->original)) {
        result.error = f.error();
        return fail();
    }
    asf::ParsedHeader parsed = asf::ParseHeader(state->original);
    if (!parsed.header) {
        result.damage = parsed.damage;
        return fail();
    }
    state->header = std::move(*parsed.header);
    result.editor = std::make_unique<WmaEditor>(std::move(state));
    return result;
}

WmaStatus CloseWmaEditor(WmaEditor& editor)
{
    editor.state().release();
    return {};
}

WmaStatus CommitWmaEditor(WmaEditor& editor, bool stamp)
{
    auto& s = editor.state();
    WmaStatus status;
    if (!s.open)
        return status;
    Bytes rendered = asf::RenderHeader(s.header);
    if (rendered != s.original) {
        std::uint64_t from = s.header.size;
        std::uint64_t rest = s.file.size() - std::min<std::uint64_t>(from, s.file.size());
        ReplaceResult r = ReplaceFileWith(s.path, rendered, s.file, from, rest, stamp);
        if (!r.ok) {
            status.ok = false;
            status.error = r.error;
            s.report(wmamsg::kWriteFailed);
        } else {
            status.written = true;
        }
    }
    s.release();
    return status;
}

QString WmaAttributeFor(std::string_view id, bool forWriting, const TagOptions& options)
{
    struct Entry {
        const char* id;
        const char16_t* name;
    };
    static constexpr Entry table[] = {
        {"TIT2", u"Title"},         {"TPE1", u"Author"},        {"TALB", u"WM/AlbumTitle"},
        {"TYER", u"WM/Year"},       {"COMM", u"Description"},   {"TCON", u"WM/Genre"},
        {"TCOM", u"WM/Composer"},   {"TEXT", u"WM/Writer"},     {"TPUB", u"WM/Publisher"},
        {"TPOS", u"WM/PartOfSet"},  {"APIC", u"WM/Picture"},    {"USLT", u"WM/Lyrics"},
        {"WXXX", u"WM/UserWebURL"}, {"TCOP", u"Copyright"},     {"TSSE", u"WM/EncodingSettings"},
    };
    if (id == "TRCK") {
        bool old = forWriting ? !options.wmaTrackNumberAttr : options.wmaShowOldTrack;
        return old ? QStringLiteral("WM/Track") : QStringLiteral("WM/TrackNumber");
    }
    for (const Entry& e : table)
        if (id == e.id)
            return QString::fromUtf16(e.name);
    return {};
}

QString WmaAttributeFor(QStringView id23, bool forWriting, const TagOptions& options)
{
    // Frame ids are four ASCII letters; anything else has no attribute.
    if (id23.size() != 4)
        return {};
    char id[4];
    for (int i = 0; i < 4; ++i) {
        char16_t c = id23[i].unicode();
        if (c > 0x7F)
            return {};
        id[i] = char(c);
    }
    return WmaAttributeFor(std::string_view(id, 4), forWriting, options);
}

WmaValue ReadWmaAttribute(const WmaEditor& editor, const QString& name)
{
    auto& s = editor.state();
    WmaValue out;
    if (!s.open || name.isEmpty())
        return out;
    if (isDerived(name))
        return readDerived(s.header, name);
    const asf::Attribute* a = asf::FindFirstAttribute(s.header, name);
    if (!a)
        return out;
    out.found = true;
    out.type = editorType(a->type);
    const Bytes& v = a->value;
    if (v.empty())
        return out; // present but empty reads as nothing, like a missing one
    out.length = std::uint32_t(v.size());
    switch (out.type) {
    case WmaType::Dword:
        out.text = QString::number(std::uint32_t(numberOf(v, 4)));
        break;
    case WmaType::String:
        out.text = asf::DecodeUtf16z(v);
        break;
    case WmaType::Binary:
        out.length = 0;
        if (name.compare(kWebLink, Qt::CaseInsensitive) == 0) {
            readWebLink(v, out);
        } else if (name.compare(kPicture, Qt::CaseInsensitive) == 0) {
            readPicture(v, out);
        } else {
            out.data = v;
            out.length = std::uint32_t(v.size());
        }
        break;
    case WmaType::Bool:
        out.text = numberOf(v, 4) != 0 ? QStringLiteral("1") : QStringLiteral("0");
        break;
    case WmaType::Qword:
        out.text = QString::number(numberOf(v, 8));
        break;
    case WmaType::Word:
        out.text = QString::number(std::uint16_t(numberOf(v, 2)));
        break;
    default:
        out.data = v;
        break;
    }
    return out;
}

bool WriteWmaText(WmaEditor& editor, const QString& name, const QString& text)
{
    if (!editor.isOpen() || name.isEmpty())
        return true;
    if (text.isEmpty()) {
        DeleteWmaAttribute(editor, name);
        return true;
    }
    return setValue(editor, name, asf::StoredType::String, asf::EncodeUtf16z(text));
}

bool WriteWmaNumber(WmaEditor& editor, const QString& name, std::int32_t value)
{
    if (!editor.isOpen() || name.isEmpty())
        return true;
    if (value == -1) {
        DeleteWmaAttribute(editor, name);
        return true;
    }
    Bytes v(4);
    writeU32LE(v.data(), std::uint32_t(value));
    return setValue(editor, name, asf::StoredType::Dword, std::move(v));
}

bool WriteWmaWebLink(WmaEditor& editor, const QString& url)
{
    if (!editor.isOpen())
        return true;
    Bytes v = asf::EncodeUtf16z(QString()); // no description
    appendBytes(v, asf::EncodeUtf16z(url));
    return setValue(editor, kWebLink, asf::StoredType::Binary, std::move(v));
}

bool WriteWmaPicture(WmaEditor& editor, ByteView data, const QString& description)
{
    if (!editor.isOpen())
        return true;
    const bool png = data.size() >= 4 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G';
    Bytes v(kPictureFixed);
    v[0] = 0; // picture type
    // The whole picture is stored, however large: a value over 64 KB goes to the
    // Metadata Library instead of having its length wrapped.
    if (data.size() > UINT32_MAX - 4096) {
        editor.state().report(wmamsg::kSetFailed);
        return false;
    }
    writeU32LE(v.data() + 1, std::uint32_t(data.size()));
    appendBytes(v, asf::EncodeUtf16z(png ? kPng : kJpeg));
    appendBytes(v, asf::EncodeUtf16z(description));
    v.insert(v.end(), data.begin(), data.end());
    return setValue(editor, kPicture, asf::StoredType::Binary, std::move(v));
}

bool WriteWmaBinary(WmaEditor& editor, const QString& name, ByteView bytes, std::optional<std::size_t> length,
                    const QString& pictureDescription)
{
    if (!editor.isOpen() || name.isEmpty())
        return true;
    if (length && *length == 0) {
        DeleteWmaAttribute(editor, name);
        return true;
    }
    if (name.compare(kWebLink, Qt::CaseInsensitive) == 0)
        return WriteWmaWebLink(editor, CodePage::toUnicode(bytes));
    if (name.compare(kPicture, Qt::CaseInsensitive) == 0) {
        std::size_t n = std::min(length.value_or(bytes.size()), bytes.size());
        return WriteWmaPicture(editor, bytes.first(n), pictureDescription);
    }
    return true;
}

bool DeleteWmaAttribute(WmaEditor& editor, const QString& name)
{
    auto& s = editor.state();
    if (!s.open || name.isEmpty() || isDerived(name))
        return false;
    return asf::DeleteFirstAttribute(s.header, name);
}

WmaStatus RemoveWmaAttributes(WmaEditor& editor, bool stamp)
{
    static const char16_t* const names[] = {
        u"Title",        u"Author",       u"WM/AlbumTitle", u"WM/Track",      u"WM/TrackNumber",
        u"WM/Year",      u"Description",  u"WM/Genre",      u"WM/Composer",   u"WM/Writer",
        u"WM/Publisher", u"WM/PartOfSet", u"WM/Picture",    u"WM/Lyrics",     u"WM/UserWebURL",
        u"Copyright",    u"WM/EncodingSettings",
    };
    bool any = false;
    for (const char16_t* n : names)
        any = DeleteWmaAttribute(editor, QString::fromUtf16(n)) || any;
    return any ? CommitWmaEditor(editor, stamp) : CloseWmaEditor(editor);
}

WmaPicture ReadWmaPicture(const WmaEditor& editor)
{
    WmaValue v = ReadWmaAttribute(editor, kPicture);
    WmaPicture p;
    p.found = v.length > 0;
    p.data = std::move(v.data);
    p.description = std::move(v.pictureDescription);
    return p;
}

WmaPicture ReadWmaPicture(const QString& path, WmaErrorGate* gate)
{
    WmaOpenResult opened = OpenWmaEditor(path, gate);
    if (!opened)
        return {};
    WmaPicture p = ReadWmaPicture(*opened.editor);
    CloseWmaEditor(*opened.editor);
    return p;
}

QString GetWmaFrameText(const WmaEditor& editor, std::string_view id23, const TagOptions& options)
{
    if (id23 == "APIC") {
        WmaValue v = ReadWmaAttribute(editor, kPicture);
        return v.length >= 1 ? QString::number(v.length) : QString();
    }
    QString name = WmaAttributeFor(id23, false, options);
    if (name.isEmpty())
        return {};
    return ReadWmaAttribute(editor, name).text;
}

QString GetWmaFrameText(const WmaEditor& editor, QStringView id23, const TagOptions& options)
{
    return GetWmaFrameText(editor, id23.toString().toStdString(), options);
}

WmaAudioValues ReadWmaAudioValues(const WmaEditor& editor)
{
    WmaAudioValues out;
    WmaValue bitrate = ReadWmaAttribute(editor, kBitrate);
    if (bitrate.found)
        out.bitrate = bitrate.text;
    WmaValue duration = ReadWmaAttribute(editor, kDuration);
    if (duration.found)
        out.duration = duration.text.toULongLong();
    return out;
}

} // namespace quillory
