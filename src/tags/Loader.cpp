#include "tags/Loader.h"

#include "app/UserPrompt.h"
#include "media/AudioFormat.h"
#include "media/Genres.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/Limits.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Reader.h"
#include "tags/LoaderWma.h"
#include "tags/Riff.h"
#include "tags/TextEncoding.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace quillory {

namespace {

// One read serves the header, small tags and the first audio frame of most files.
constexpr std::size_t kHeadRead = 16 * 1024;
// Bodies of this size or less are not searched for a picture.
constexpr std::size_t kPictureSearchMin = 512;

const QString kNot = QStringLiteral("not");
const QString kErr = QStringLiteral("err");
const QString kZero = QStringLiteral("0");
const QString kUnknownFormat = QStringLiteral("不明");

} // namespace

QString LowerExtension(const QString& path)
{
    qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot).toLower();
}

struct TagLoader::State {
    ListRow& row;
    QString path;
    QString ext;
    bool fillEmpty = false;
    bool reset = false;

    bool openTried = false;
    bool openOk = false;
    std::uint8_t head[36] = {};
    std::size_t headLen = 0;

    bool v2Prepared = false;
    Kind kind = Kind::None;
    int version = 0;
    std::uint8_t flags = 0;
    bool hasTagSize = false;
    qint64 tagSizeValue = 0;
    bool picture = false;
    QString pictureDescription;
    unsigned combinedCode = kCodeUnknown;
    std::unique_ptr<WmaSide> wma;

    bool audioDone = false;
    AudioFormatResult audio;

    State(ListRow& r) : row(r) {}

    ByteView headView() const { return ByteView(head, headLen); }

    // Writes one field column, honouring "fill empty only": a filled column stays,
    // except title and artist while the side's artist still shows the placeholder.
    void put(int col, int base, const QString& text)
    {
        QString& cell = row.sub[std::size_t(col)];
        if (fillEmpty && !cell.isEmpty()) {
            bool titleOrArtist = col == base + FieldTitle || col == base + FieldArtist;
            if (!(titleOrArtist && row.sub[std::size_t(base + FieldArtist)] == kFetchingText))
                return;
        }
        cell = text;
    }
    void force(int col, const QString& text) { row.sub[std::size_t(col)] = text; }
};

bool TagLoader::prepareV2(State& st)
{
    if (st.v2Prepared)
        return st.openOk;
    st.v2Prepared = true;
    st.pictureDescription.clear();
    if (!st.openOk)
        return false;

    ByteView head = st.headView();
    st.version = head.size() > 3 ? head[3] : 0;
    st.flags = head.size() > 5 ? head[5] : 0;
    bool riff = riff::FormOf(head) != riff::Form::None;

    if (!riff && startsWith(head, "ID3") && head.size() >= 10) {
        st.kind = Kind::Id3v2;
        std::uint32_t size = id3v2::SyncsafeToInt(head.data() + 6);
        st.hasTagSize = true;
        st.tagSizeValue = size == 0 ? 0 : qint64(size) + 10;
        // Extended header: its size field sits in the bytes right after the header.
        std::uint8_t ext[20] = {};
        std::memcpy(ext, head.data(), std::min<std::size_t>(head.size(), 20));
        std::size_t have = std::min<std::size_t>(head.size(), 20);
        if (have < 20)
            have = 10 + file_.readAt(10, ext + 10, 10);
        std::uint32_t extLen = id3v2::ExtendedHeaderLength(ByteView(ext, have));
        std::uint64_t start = 10 + std::uint64_t(extLen);
        std::uint64_t end = std::min<std::uint64_t>(10 + std::uint64_t(size), file_.size());
        readBody(start, end > start ? end - start : 0, size <= limits::kMaxId3v2TagBytes);
        if ((st.flags & id3v2::kFlagUnsync) && st.version < 4 && bodyLen_ > 0) {
            Bytes plain(body_.begin(), body_.begin() + std::ptrdiff_t(bodyLen_));
            id3v2::Deunsynchronise(plain);
            bodyLen_ = plain.size();
            body_.swap(plain);
        }
        // Small tags are not searched for a picture. The frame walk jumps over the
        // picture's data, so it need not be cut out of the buffer.
        if (bodyLen_ > kPictureSearchMin) {
            id3v2::FrameText pic = id3v2::GetFrameText(bodyView(), st.version, "APIC");
            if (pic.position >= 0 && pic.text.toLongLong() > 0) {
                st.picture = true;
                st.pictureDescription = pic.pictureDescription;
            }
        }
        return true;
    }

    if (riff) {
        riff::ChunkOffsets off = riff::FindRiffChunks(file_, riff::Find::ListOnly);
        if (off.list < 0) {
            st.kind = Kind::Other;
            return true;
        }
        st.kind = Kind::Riff;
        st.version = 0;
        // Only the LIST chunk itself is read: in a WAVE file it may stand before
        // megabytes of audio.
        std::uint64_t listAt = std::uint64_t(off.list);
        std::uint8_t listHead[8] = {};
        if (file_.readAt(listAt, listHead, 8) < 8) {
            st.kind = Kind::Other;
            return true;
        }
        std::uint64_t listLen = std::uint64_t(readU32LE(listHead + 4)) + 8;
        listLen = std::min<std::uint64_t>(listLen, file_.size() - listAt); // a size beyond the file
        readBody(listAt, listLen, listLen <= limits::kMaxInfoChunkBytes);
        if (bodyLen_ >= 8) {
            st.hasTagSize = true;
            st.tagSizeValue = qint64(readU32LE(listHead + 4)) + 8;
            if (riff::FormOf(head) == riff::Form::Rmp3)
                st.tagSizeValue += 12;
        }
        return true;
    }

    if (st.ext == QLatin1String(".wma")) {
        if (wmaGate_)
            wmaGate_->ResetErrorCount();
        st.wma = OpenWmaSide(st.path, options_, wmaGate_, &file_);
        if (st.wma) {
            st.kind = Kind::Wma;
            st.picture = st.wma->pictureLength() >= 1;
            st.pictureDescription = st.wma->pictureDescription();
        } else {
            st.kind = Kind::Other;
        }
        return true;
    }

    st.kind = Kind::Other;
    return true;
}

void TagLoader::readBody(std::uint64_t offset, std::uint64_t len, bool allowed)
{
    bodyLen_ = 0;
    if (!allowed || offset >= file_.size())
        return;
    len = std::min<std::uint64_t>(len, file_.size() - offset);
    // The buffer only grows: zero-filling it anew for every file would cost more
    // than reading the tag.
    if (body_.size() < len)
        body_.resize(std::size_t(len));
    bodyLen_ = file_.readAt(offset, body_.data(), std::size_t(len));
}

QString TagLoader::frameText(State& st, const char* id23, bool foldCode)
{
    switch (st.kind) {
    case Kind::Id3v2: {
        id3v2::FrameText ft = id3v2::GetFrameText(bodyView(), st.version, id23);
        if (foldCode && ft.position >= 0)
            st.combinedCode &= unsigned(ft.textCode);
        return ft.text;
    }
    case Kind::Riff: {
        if (std::string_view(id23) == "TRCK") {
            std::uint8_t tail[128];
            if (file_.size() >= 128 && file_.readAt(file_.size() - 128, tail, 128) == 128 &&
                startsWith(ByteView(tail, 128), "TAG") && tail[126] != 0)
                return QString::number(tail[126]);
            return {};
        }
        return riff::GetInfoText(bodyView(), riff::InfoIdFor(id23));
    }
    case Kind::Wma:
        return st.wma->frameText(id23);
    default:
        return {};
    }
}

void TagLoader::clearSide(State& st, Pass pass, int base)
{
    if (pass == Pass::Main) {
        for (int f : {FieldTitle, FieldArtist, FieldAlbum, FieldGenre, FieldTrack, FieldYear, FieldComment})
            st.force(base + f, QString());
        st.force(base + FieldTagKind, kNot);
        if (st.reset)
            st.force(base + FieldChanged, kZero);
        return;
    }
    for (int c = ColComposer; c <= ColLyrics; ++c)
        st.force(c, QString());
    for (int c = ColCopyright; c <= ColAudioFormat; ++c)
        st.force(c, QString());
    st.force(ColPictureDescription, QString());
    st.force(ColPlaySeconds, QString());
    st.force(ColPath, st.path);
    st.row.thumbnail.clear();
}

void TagLoader::putAudioFormat(State& st)
{
    if (!st.audioDone) {
        st.audioDone = true;
        if (st.kind == Kind::Wma) {
            st.audio = WmaAudioFormatText(st.wma->bitrateText(), st.wma->duration(), options_.audioFormatShown());
        } else if (st.ext == QLatin1String(".wma")) {
            st.audio = {}; // no editor on the file: nothing is known of its stream
        } else {
            st.audio = AudioFormatText(file_, st.headView(), st.ext, options_.audioFormatShown());
            if (st.ext == QLatin1String(".wav") && !startsWith(st.headView(), "RIFF"))
                st.audio.text = options_.audioFormatShown() ? kUnknownFormat : QString();
        }
    }
    st.force(ColAudioFormat, st.audio.text);
    st.force(ColPlaySeconds, st.audio.playSeconds);
}

void TagLoader::readV2Side(State& st, Pass pass, int base)
{
    if (!prepareV2(st)) {
        clearSide(st, pass, base);
        st.force(base + FieldTagKind, kErr);
        return;
    }

    if (st.kind == Kind::Other) {
        clearSide(st, pass, base);
        putAudioFormat(st);
        return;
    }

    if (pass == Pass::Main) {
        st.put(base + FieldTitle, base, frameText(st, "TIT2", true));
        st.put(base + FieldArtist, base, frameText(st, "TPE1", true));
        st.put(base + FieldAlbum, base, frameText(st, "TALB", true));
        st.put(base + FieldGenre, base, id3v2::ExpandGenreReferences(frameText(st, "TCON", true), genres_));
        st.put(base + FieldTrack, base, frameText(st, "TRCK", false));
        st.put(base + FieldYear, base, frameText(st, "TYER", false));
        QString kind;
        if (st.kind == Kind::Wma)
            kind = QStringLiteral("wma");
        else if (st.kind == Kind::Riff)
            kind = QStringLiteral("riff");
        else
            kind = QStringLiteral("v2.") + QString::number(st.version);
        st.force(base + FieldTagKind, kind);
        st.put(base + FieldComment, base, frameText(st, "COMM", true));
        if (st.reset)
            st.force(base + FieldChanged, kZero);
    } else {
        st.put(ColComposer, base, frameText(st, "TCOM", true));
        st.put(ColLyricist, base, frameText(st, "TEXT", true));
        st.put(ColLabel, base, frameText(st, "TPUB", false));
        st.put(ColDiscSet, base, frameText(st, "TPOS", false));
        st.put(ColLyrics, base, frameText(st, "USLT", true));
        st.put(ColCopyright, base, frameText(st, "TCOP", false));
        st.put(ColEncoder, base, frameText(st, "TSSE", false));
        st.put(ColUrl, base, frameText(st, "WXXX", false));
        bool unsync = st.kind == Kind::Id3v2 && st.version != 0 && (st.flags & id3v2::kFlagUnsync);
        st.force(ColUnsync, unsync ? kPicturePresent : QString());
        if (st.picture) {
            st.force(ColPicture, kPicturePresent);
            st.force(ColPictureDescription, st.pictureDescription);
        } else {
            st.force(ColPicture, QString());
            st.force(ColPictureDescription, QString());
            st.row.thumbnail.clear();
        }
        st.force(ColTextCode, st.kind == Kind::Id3v2 ? TextCodeName(int(st.combinedCode)) : QString());
        if (st.hasTagSize)
            st.force(ColTagSize, QString::number(st.tagSizeValue));
    }
    putAudioFormat(st);
}

void TagLoader::readV1Side(State& st, int base)
{
    if (!st.openOk)
        return; // the v1 side of a file that cannot be opened stays as it was
    std::uint8_t tail[128];
    bool have = file_.size() >= 128 && file_.readAt(file_.size() - 128, tail, 128) == 128;
    ByteView block(tail, have ? 128 : 0);
    if (!have || !IsV1Block(block)) {
        clearSide(st, Pass::Main, base);
        return;
    }
    TAGDATA t = ParseV1Block(block, genres_);
    st.put(base + FieldTitle, base, t.title);
    st.put(base + FieldArtist, base, t.artist);
    st.put(base + FieldAlbum, base, t.album);
    st.put(base + FieldGenre, base, t.genre);
    st.put(base + FieldTrack, base, QString::number(t.track));
    st.put(base + FieldYear, base, t.year);
    st.put(base + FieldComment, base, t.comment);
    st.force(base + FieldTagKind, t.track != 0 ? QStringLiteral("v1.1") : QStringLiteral("v1.0"));
    if (st.reset)
        st.force(base + FieldChanged, kZero);
}

void TagLoader::LoadRow(RowStore& store, int index, const QString& path, bool fillEmptyOnly, bool bothSides,
                        bool resetChangeFlags)
{
    if (index < 0 || index >= store.count())
        return;
    ListRow& row = store.row(index);
    if (row.caption.isEmpty())
        row.caption = QString::number(index + 1);

    State st(row);
    st.path = path;
    st.ext = LowerExtension(path);
    st.fillEmpty = fillEmptyOnly;
    st.reset = resetChangeFlags;

    st.openOk = file_.open(path);
    if (st.openOk) {
        std::uint64_t size = file_.size();
        file_.prefetch(0, std::size_t(std::min<std::uint64_t>(size, kHeadRead)));
        if (size > kHeadRead)
            file_.prefetch(size - 128, 128);
        st.headLen = file_.readAt(0, st.head, sizeof st.head);
    }

    if (store.side() == PrimarySide::V2) {
        readV2Side(st, Pass::Main, kShownBase);
        if (bothSides)
            readV1Side(st, kOtherBase);
        readV2Side(st, Pass::Extended, kShownBase);
    } else {
        readV1Side(st, kShownBase);
        if (bothSides) {
            readV2Side(st, Pass::Main, kOtherBase);
            readV2Side(st, Pass::Extended, kOtherBase);
        }
    }
    st.wma.reset();
    file_.close();
    if (body_.size() > 4 * 1024 * 1024) {
        Bytes().swap(body_); // do not keep a huge picture tag's buffer around
        bodyLen_ = 0;
    }
}

int TagLoader::RevertRows(RowStore& store, bool wholeList, bool resetChangeFlags, bool skipMp3AndRmp,
                          bool bothSides, UserPrompt* prompt)
{
    std::vector<int> targets;
    if (wholeList) {
        targets.resize(std::size_t(store.count()));
        for (int i = 0; i < store.count(); ++i)
            targets[std::size_t(i)] = i;
    } else {
        targets = store.selectedIndexes();
        if (targets.empty())
            return 0;
    }
    bool large = (wholeList && store.count() > 1000) || (!wholeList && targets.size() > 500);
    if (prompt)
        prompt->Progress(int(targets.size()));

    std::vector<int> vanished;
    for (int i : targets) {
        if (prompt && prompt->Cancelled())
            break;
        const QString path = store.row(i).path();
        if (!QFileInfo::exists(path)) {
            vanished.push_back(i);
        } else {
            QString ext = LowerExtension(path);
            if (!(skipMp3AndRmp && (ext == QLatin1String(".mp3") || ext == QLatin1String(".rmp"))))
                LoadRow(store, i, path, false, bothSides, resetChangeFlags);
        }
        if (prompt) {
            prompt->Step();
            if (large)
                prompt->PumpEvents();
        }
    }
    for (auto it = vanished.rbegin(); it != vanished.rend(); ++it)
        store.removeAt(*it);
    if (!vanished.empty())
        store.releaseSpare();
    if (prompt)
        prompt->Progress(0);
    return int(vanished.size());
}

} // namespace quillory
