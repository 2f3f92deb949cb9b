#include "tags/Writer.h"

#include "app/HandOver.h"
#include "app/UserPrompt.h"
#include "media/Genres.h"
#include "media/Picture.h"
#include "media/wma/WmaEditor.h"
#include "media/wma/WmaErrorGate.h"
#include "platform/CodePage.h"
#include "platform/FileAccess.h"
#include "platform/FileWriter.h"
#include "platform/Limits.h"
#include "tags/Id3v1.h"
#include "tags/Id3v2Reader.h"
#include "tags/Id3v2Writer.h"
#include "tags/Loader.h"
#include "tags/Riff.h"
#include "tags/RiffWriter.h"
#include "tags/TextEncoding.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>

namespace quillory {

namespace {

constexpr std::size_t kV1Bytes = 128;
constexpr std::size_t kHeadBytes = 20;
constexpr int kImageWriting = 7;

const QString kReadOnlyTitle = QStringLiteral("ファイルの書き出し");
const QString kReadOnlyText =
    QStringLiteral("\n\nこのファイルは、読み取り専用なので内容の変更はできません！\n処理を続けますか？");
const QString kReadOnlyCheck = QStringLiteral("読み取り専用も処理する");
const QString kInUseTitle = QStringLiteral("使用中のフォルダ");
const QString kInUseText = QStringLiteral("\n他のプログラムがこのフォルダ、ファイルを開いているので操作を完了できません。"
                                          "\n\nフォルダ、ファイルを閉じてから再実行して下さい。");
const QString kNoPositionText = QStringLiteral("新規項目の入力位置、取得失敗");
const QString kWmaTrackTitle = QStringLiteral("WMAファイルの") + QStringLiteral(" WM/Track属性") +
                               QStringLiteral("の書込み確認");
const QString kWmaTrackText =
    QStringLiteral("トラック番号の書込み設定が") + QStringLiteral(" WM/Track属性") +
    QStringLiteral("ですが\nこのまま処理を続けてよろしいですか？\n\nいいえなら WM/TrackNumber属性に設定を変更して"
                   "処理を続けます。\nキャンセルなら処理を中止します。");

struct FieldSpec {
    int field;               // block field (0-7) or fixed column (18 and up)
    std::string_view id23;
};

// The order in which the fields of each side are written.
constexpr FieldSpec kV1Order[] = {
    {FieldTitle, "TIT2"}, {FieldArtist, "TPE1"}, {FieldAlbum, "TALB"}, {FieldGenre, "TCON"},
    {FieldTrack, "TRCK"}, {FieldYear, "TYER"},   {FieldComment, "COMM"},
};
constexpr FieldSpec kV2Order[] = {
    {FieldTrack, "TRCK"},  {FieldTitle, "TIT2"},    {FieldArtist, "TPE1"},   {FieldAlbum, "TALB"},
    {FieldGenre, "TCON"},  {FieldYear, "TYER"},     {FieldComment, "COMM"},  {ColComposer, "TCOM"},
    {ColLyricist, "TEXT"}, {ColLabel, "TPUB"},      {ColDiscSet, "TPOS"},    {ColLyrics, "USLT"},
    {ColCopyright, "TCOP"}, {ColEncoder, "TSSE"},   {ColPicture, "APIC"},    {ColUrl, "WXXX"},
};
// The columns of the fifteen fields the growth estimate reads, in its order.
constexpr int kEstimateColumns[15] = {FieldTitle, FieldArtist, FieldAlbum, FieldGenre, FieldTrack,
                                      FieldYear,  FieldComment, ColComposer, ColLyricist, ColLabel,
                                      ColDiscSet, ColLyrics,   ColCopyright, ColEncoder, ColUrl};

unsigned maskOf(const QString& text)
{
    bool ok = false;
    const unsigned v = text.toUInt(&ok);
    return ok ? (v & 0xFFFF) : 0;
}

const QString& columnText(const ListRow& row, int base, int field)
{
    return row.sub[std::size_t(field < kBlockFieldCount ? base + field : field)];
}

int comboEncoding(const TagOptions& o) { return o.encodingIndex == 2 ? 3 : (o.encodingIndex == 1 ? 1 : 0); }
int versionOfIndex(int index) { return index <= 0 ? 0 : index + 1; }

bool isWaveExtension(const QString& ext) { return ext == QLatin1String(".wav"); }

// A path with its extension (".mp3", ".rmp") replaced.
QString withExtension(const QString& path, const char* ext)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return path + QLatin1String(ext);
    return path.left(dot) + QLatin1String(ext);
}

struct RowJob {
    RowStore& store;
    int index;
    ListRow& row;
    WriterContext& ctx;
    FileOps& ops;
    QString path;
    QString ext;
    int v1b = 0; // base of the v1 block
    int v2b = 0; // base of the v2 block
    FileStamp stamp;
    mode_t originalMode = 0; // as found, before a read-only permission was lifted

    void showError(const QString& path, int error) const
    {
        ctx.prompt.ShowMessage(kApplicationTitle, path + QLatin1Char('\n') + systemErrorText(error),
                               PromptIcon::Error);
    }
};

enum class Access { Ok, Skip, Refused, Cancel, Failed };

// Stats the file and makes sure it may be written: the read-only question (lifting the
// owner's write permission when the answers allow), "file in use", system errors.
Access checkAccess(RowJob& job, bool& lifted)
{
    lifted = false;
    int error = 0;
    if (!ReadFileStamp(job.path, job.stamp, &error, job.ops)) {
        job.showError(job.path, error);
        return Access::Failed;
    }
    job.originalMode = job.stamp.mode;
    if (IsReadOnly(job.stamp)) {
        WriterContext& ctx = job.ctx;
        bool lift = false;
        if (ctx.answeredAll) {
            if (!ctx.processReadOnly)
                return Access::Skip;
            lift = true;
        } else {
            Question q;
            q.title = kReadOnlyTitle;
            q.text = job.path + kReadOnlyText;
            q.buttons = {Answer::All, Answer::Yes, Answer::No, Answer::Cancel};
            q.checkBoxText = kReadOnlyCheck;
            q.checkBoxChecked = ctx.processReadOnly;
            q.icon = PromptIcon::Warning;
            const Answer a = ctx.prompt.Ask(q);
            if (a == Answer::Abort)
                return Access::Refused;
            if (a == Answer::Cancel) {
                ctx.cancelled = true;
                return Access::Cancel;
            }
            if (a == Answer::All || a == Answer::Yes)
                ctx.processReadOnly = q.checkBoxChecked;
            if (a == Answer::All)
                ctx.answeredAll = true;
            if (!((a == Answer::All || a == Answer::Yes) && q.checkBoxChecked))
                return Access::Skip;
            lift = true;
        }
        if (lift) {
            if (!SetFileMode(job.path, job.stamp.mode | S_IWUSR, &error, job.ops)) {
                job.showError(job.path, error);
                return Access::Failed;
            }
            lifted = true;
        }
    }
    const int fd = job.ops.open(nativePath(job.path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        if (error == ETXTBSY || error == EBUSY)
            job.ctx.prompt.ShowMessage(kInUseTitle, job.path + kInUseText, PromptIcon::Information);
        else
            job.showError(job.path, error);
        return Access::Failed;
    }
    job.ops.close(fd);
    return Access::Ok;
}

// The v1 side: fields in the order title, artist, album, genre, track, year, comment.
void applyV1Fields(const RowJob& job, unsigned mask, V1Block& block)
{
    for (const FieldSpec& f : kV1Order) {
        if (!(mask & ChangeBit(f.field)))
            continue;
        QString text = columnText(job.row, job.v1b, f.field);
        if (f.field == FieldGenre)
            text = QString::number(V1GenreNumber(text, job.ctx.genres));
        SetV1Field(block, f.id23, text);
    }
}

void finishV1(RowJob& job, const V1Block& block)
{
    job.row.sub[std::size_t(job.v1b + FieldChanged)] = QStringLiteral("0");
    // The kind the loader will show for this block.
    job.row.sub[std::size_t(job.v1b + FieldTagKind)] =
        block[126] != 0 ? QStringLiteral("v1.1") : QStringLiteral("v1.0");
}

int targetTextCode(const RowJob& job)
{
    int code = TextCodeFromName(job.row.sub[ColTextCode]);
    if (code < 0 && job.row.sub[std::size_t(job.v2b + FieldTagKind)].contains(QLatin1String("v2.")))
        code = comboEncoding(job.ctx.options);
    return code;
}

QString v2Text(const RowJob& job, const FieldSpec& f)
{
    QString text = columnText(job.row, job.v2b, f.field);
    if (f.field == FieldGenre && job.ctx.options.genreAsReference)
        text = id3v2::GenreAsReference(text, job.ctx.genres);
    return text;
}

struct PictureResult {
    bool requested = false;
    PreparedPicture prepared;
};

// What the picture field asks for; existing: the file's present picture, read only
// for "info".
template <typename ReadExisting>
PictureResult preparePicture(const RowJob& job, unsigned mask, ReadExisting readExisting)
{
    PictureResult r;
    if (!(mask & ChangeBit(ColPicture)))
        return r;
    r.requested = true;
    const QString& state = job.row.sub[ColPicture];
    std::optional<Bytes> existing;
    if (state == kPictureInfo)
        existing = readExisting();
    r.prepared = PreparePictureData(state, existing);
    return r;
}

void finishPicture(RowJob& job, const PictureResult& pic, bool stillHasPicture)
{
    if (!pic.requested)
        return;
    const QString state = job.row.sub[ColPicture];
    switch (pic.prepared.action) {
    case PreparedPicture::Action::Write:
        job.row.sub[ColPicture] = kPicturePresent;
        if (job.ctx.options.listPictures && state != kPictureInfo)
            job.row.thumbnail = MakeListThumbnail(state);
        break;
    case PreparedPicture::Action::Remove:
        job.row.sub[ColPicture] = QString();
        job.row.sub[ColPictureDescription] = QString();
        job.row.thumbnail.clear();
        break;
    case PreparedPicture::Action::Nothing:
        // A picture file that vanished: the row shows what the file holds.
        job.row.sub[ColPicture] = stillHasPicture ? kPicturePresent : QString();
        break;
    }
}

// The ID3v2 side of a tag being edited: every changed field, then the picture, then
// the URL, in the writer's order.
bool applyV2ToTag(RowJob& job, unsigned mask, id3v2::EditableTag& tag, const PictureResult& pic)
{
    id3v2::EncodingChoice choice;
    choice.comboEncoding = comboEncoding(job.ctx.options);
    choice.littleEndian = job.ctx.options.littleEndian;
    choice.rowTextCode = targetTextCode(job);
    for (const FieldSpec& f : kV2Order) {
        if (!(mask & ChangeBit(f.field)))
            continue;
        if (f.field == ColPicture) {
            if (pic.prepared.action == PreparedPicture::Action::Remove) {
                id3v2::SetPictureFrame(tag, std::nullopt);
            } else if (pic.prepared.action == PreparedPicture::Action::Write) {
                std::optional<Bytes> content = PictureFrameContent(pic.prepared.kind, pic.prepared.data,
                                                                   job.row.sub[ColPictureDescription], tag.version);
                if (content)
                    id3v2::SetPictureFrame(tag, content);
            }
            continue;
        }
        if (id3v2::SetFrameText(tag, f.id23, v2Text(job, f), choice) == id3v2::FrameChange::NoPosition) {
            job.ctx.prompt.ShowMessage(kApplicationTitle, kNoPositionText, PromptIcon::Warning);
            return false;
        }
    }
    return true;
}

void applyV2ToRiff(const RowJob& job, unsigned mask, riff::RiffImage& image)
{
    for (const FieldSpec& f : kV2Order) {
        // The track lives in the ID3v1 block and INFO holds no picture.
        if (!(mask & ChangeBit(f.field)) || f.field == FieldTrack || f.field == ColPicture)
            continue;
        riff::SetInfoText(image, riff::InfoIdFor(f.id23), v2Text(job, f));
    }
}

void finishV2(RowJob& job, const QString& kind)
{
    job.row.sub[std::size_t(job.v2b + FieldChanged)] = QStringLiteral("0");
    job.row.sub[std::size_t(job.v2b + FieldTagKind)] = kind;
}

enum class Written { Nothing, Ok, Failed };

// Renames the file after it changed form; an existing file of the new name is never
// replaced. The row follows the file.
void renameTo(RowJob& job, const char* ext)
{
    const QString newPath = withExtension(job.path, ext);
    if (newPath == job.path)
        return;
    int error = 0;
    if (!RenameFile(job.path, newPath, &error, job.ops)) {
        job.showError(newPath, error);
        return;
    }
    job.path = newPath;
    job.row.sub[ColPath] = newPath;
}

Written commit(RowJob& job, const FilePlan& plan)
{
    bool anything = false;
    for (const Piece& p : plan)
        anything = anything || !p.original;
    if (!anything)
        return Written::Nothing;
    CommitOptions options;
    options.stamp = job.ctx.options.stamp;
    const WriteStatus s = CommitFilePlan(job.path, plan, job.stamp, options, job.ops);
    if (!s.ok) {
        job.showError(job.path, s.error);
        return Written::Failed;
    }
    return Written::Ok;
}

void appendV1Piece(FilePlan& plan, const std::optional<V1Block>& block, bool changed, std::uint64_t v1At,
                   bool hadV1)
{
    if (changed && block)
        plan.push_back(Piece::memory(Bytes(block->begin(), block->end())));
    else if (hadV1)
        plan.push_back(Piece::source(v1At, kV1Bytes));
}

// Reads the trailing ID3v1 block when it lies at or after `notBefore`.
std::optional<V1Block> readTrailingV1(FileReader& file, std::uint64_t notBefore)
{
    const std::uint64_t size = file.size();
    if (size < kV1Bytes || size - kV1Bytes < notBefore)
        return std::nullopt;
    V1Block block{};
    if (file.readAt(size - kV1Bytes, block.data(), kV1Bytes) != kV1Bytes || !IsV1Block(ByteView(block)))
        return std::nullopt;
    return block;
}

// A file with an ID3v2 tag.
Written writeId3v2File(RowJob& job, FileReader& file, bool doV1, bool doV2)
{
    WriterContext& ctx = job.ctx;
    std::uint8_t header[10];
    if (file.readAt(0, header, 10) != 10)
        return Written::Nothing;
    const std::uint64_t size = file.size();
    const std::uint64_t tagLength =
        std::min<std::uint64_t>(10 + std::uint64_t(std::min(readSynchsafe32(header + 6), limits::kMaxId3v2TagBytes)),
                                size);
    Bytes tagBytes;
    if (!file.readAt(0, std::size_t(tagLength), tagBytes)) {
        job.showError(job.path, file.error() ? file.error() : EIO);
        return Written::Failed;
    }
    std::optional<V1Block> v1 = readTrailingV1(file, tagLength);
    const bool hadV1 = v1.has_value();
    const std::uint64_t v1At = hadV1 ? size - kV1Bytes : size;

    const unsigned mask1 = maskOf(job.row.sub[std::size_t(job.v1b + FieldChanged)]);
    const unsigned mask2 = maskOf(job.row.sub[std::size_t(job.v2b + FieldChanged)]);
    bool v1Changed = false;
    if (doV1) {
        if (!v1)
            v1 = NewV1Block();
        applyV1Fields(job, mask1, *v1);
        finishV1(job, *v1);
        v1Changed = true;
    }

    std::optional<Bytes> rendered;
    bool inPlaceTag = false;
    PictureResult pic;
    std::optional<id3v2::EditableTag> tag;
    if (doV2) {
        tag = id3v2::OpenTag(tagBytes);
        const QString unchangeable = tag ? id3v2::UnchangeableTagKind(*tag) : QString();
        if (!tag) {
            // A version this program does not write: the tag stays, the change stays pending.
        } else if (!unchangeable.isEmpty()) {
            job.row.sub[std::size_t(job.v2b + FieldTagKind)] = unchangeable;
        } else {
            id3v2::EstimatedTexts texts;
            for (std::size_t i = 0; i < texts.size(); ++i)
                texts[i] = columnText(job.row, job.v2b, kEstimateColumns[i]);
            const long estimate =
                id3v2::EstimateGrowth(tag->tag, tag->version, texts, targetTextCode(job) == kCodeUtf16Be);
            const long padding = id3v2::PaddingSize(tag->tag);
            const int version = tag->version;
            pic = preparePicture(job, mask2, [&] { return FirstPictureData(tag->tag, version); });
            const bool pictureChange = pic.requested && pic.prepared.action != PreparedPicture::Action::Nothing;
            const id3v2::WriteMode mode =
                id3v2::ChooseWriteMode(tag->flags(), padding, estimate, ctx.options.padding, pictureChange);
            if (!applyV2ToTag(job, mask2, *tag, pic))
                return Written::Failed;
            const int p = ctx.options.padding;
            const std::uint32_t addPadding =
                (!pictureChange && p > 128 && estimate < p) ? std::uint32_t(p) : 0;
            if (mode == id3v2::WriteMode::InPlace)
                rendered = id3v2::RenderTag(*tag, true);
            inPlaceTag = rendered.has_value();
            if (!rendered) // also when the frames as built outgrow the padding
                rendered = id3v2::RenderTag(*tag, false, addPadding);
            if (!rendered) {
                job.showError(job.path, EFBIG);
                return Written::Failed;
            }
        }
    }

    FilePlan plan;
    if (rendered)
        plan.push_back(Piece::memory(*rendered));
    else
        plan.push_back(Piece::source(0, tagLength));
    if (v1At > tagLength)
        plan.push_back(Piece::source(tagLength, v1At - tagLength));
    appendV1Piece(plan, v1, v1Changed, v1At, hadV1);

    const Written w = commit(job, plan);
    if (w != Written::Ok)
        return w;
    if (rendered) {
        const std::optional<id3v2::EditableTag> written = id3v2::OpenTag(*rendered);
        finishV2(job, QStringLiteral("v2.") + QString::number(tag->version));
        if (written)
            job.row.sub[ColTextCode] = TextCodeName(id3v2::CombinedTextCode(*written));
        if (!inPlaceTag)
            job.row.sub[ColTagSize] = QString::number(rendered->size() - 10);
        job.row.sub[ColUnsync] = ((*rendered)[5] & id3v2::kFlagUnsync) ? kPicturePresent : QString();
        finishPicture(job, pic, written && FirstPictureData(written->tag, written->version).has_value());
    }
    if (job.ext == QLatin1String(".rmp"))
        renameTo(job, ".mp3");
    return Written::Ok;
}

Written writeRiffFile(RowJob& job, FileReader& file, bool doV1, bool doV2, bool wave)
{
    WriterContext& ctx = job.ctx;
    const riff::ChunkOffsets chunks = riff::FindRiffChunks(file, riff::Find::Both);
    if (wave) {
        // WAVE files carry no ID3v1 block; one without audio data is not written at all.
        if (doV1)
            job.row.sub[std::size_t(job.v1b + FieldChanged)] = QStringLiteral("0");
        doV1 = false;
        if (chunks.data < 0) {
            if (doV2)
                job.row.sub[std::size_t(job.v2b + FieldChanged)] = QStringLiteral("0");
            return Written::Nothing;
        }
    }
    std::optional<riff::RiffImage> image = riff::OpenRiff(file, chunks);
    if (!image) {
        job.showError(job.path, EFBIG);
        return Written::Failed;
    }
    const unsigned mask1 = maskOf(job.row.sub[std::size_t(job.v1b + FieldChanged)]);
    const unsigned mask2 = maskOf(job.row.sub[std::size_t(job.v2b + FieldChanged)]);
    if (doV1) {
        V1Block block = riff::GetV1Block(*image).value_or(NewV1Block());
        applyV1Fields(job, mask1, block);
        riff::PutV1Block(*image, block, ctx.options.v1InsideRiff);
        finishV1(job, block);
    }
    if (doV2)
        applyV2ToRiff(job, mask2, *image);

    const Written w = commit(job, riff::RenderRiff(*image));
    if (w != Written::Ok)
        return w;
    if (doV2) {
        finishV2(job, QStringLiteral("riff"));
        job.row.sub[ColTextCode] = QString();
        job.row.sub[ColTagSize] = QString::number(riff::ListSize(*image) + (job.ext == QLatin1String(".wav") ? 8 : 20));
        if (job.ext == QLatin1String(".mp3") && image->form == riff::Form::Rmp3 && ctx.options.renameToRmp)
            renameTo(job, ".rmp");
    }
    return Written::Ok;
}

// A file with neither an ID3v2 tag nor a RIFF header: a plain MP3 (or a file of
// another kind carrying only an ID3v1 block).
Written writePlainFile(RowJob& job, FileReader& file, bool doV1, bool doV2)
{
    WriterContext& ctx = job.ctx;
    if (isWaveExtension(job.ext)) {
        // A WAVE file that is not RIFF has no chunks to write into.
        if (doV1)
            job.row.sub[std::size_t(job.v1b + FieldChanged)] = QStringLiteral("0");
        if (doV2)
            job.row.sub[std::size_t(job.v2b + FieldChanged)] = QStringLiteral("0");
        return Written::Nothing;
    }
    const std::uint64_t size = file.size();
    std::optional<V1Block> v1 = readTrailingV1(file, 0);
    const bool hadV1 = v1.has_value();
    const std::uint64_t v1At = hadV1 ? size - kV1Bytes : size;
    const unsigned mask1 = maskOf(job.row.sub[std::size_t(job.v1b + FieldChanged)]);
    const unsigned mask2 = maskOf(job.row.sub[std::size_t(job.v2b + FieldChanged)]);
    const bool isWma = job.ext == QLatin1String(".wma");

    bool v1Changed = false;
    if (doV1) {
        if (!v1)
            v1 = NewV1Block();
        applyV1Fields(job, mask1, *v1);
        finishV1(job, *v1);
        v1Changed = true;
    }

    const int version = versionOfIndex(ctx.options.versionIndex);
    if (doV2 && mask2 != 0 && !isWma && version == 0) {
        riff::RiffImage image = riff::WrapAsRiffMp3(size, hadV1, v1, ctx.options.v1InsideRiff);
        applyV2ToRiff(job, mask2, image);
        const Written w = commit(job, riff::RenderRiff(image));
        if (w != Written::Ok)
            return w;
        finishV2(job, QStringLiteral("riff"));
        job.row.sub[ColTextCode] = QString();
        job.row.sub[ColTagSize] = QString::number(riff::ListSize(image) + 20);
        if (job.ext == QLatin1String(".mp3") && ctx.options.renameToRmp)
            renameTo(job, ".rmp");
        return Written::Ok;
    }

    std::optional<Bytes> rendered;
    PictureResult pic;
    std::optional<id3v2::EditableTag> tag;
    if (doV2 && mask2 != 0 && !isWma) {
        tag = id3v2::NewTag(version, ctx.options.unsynchronise);
        pic = preparePicture(job, mask2, [] { return std::optional<Bytes>(); });
        if (!applyV2ToTag(job, mask2, *tag, pic))
            return Written::Failed;
        if (tag->tag.size() > 10) { // a tag without frames is not worth adding
            rendered = id3v2::RenderTag(*tag, false);
            if (!rendered) {
                job.showError(job.path, EFBIG);
                return Written::Failed;
            }
        }
    }

    FilePlan plan;
    if (rendered)
        plan.push_back(Piece::memory(*rendered));
    if (v1At > 0)
        plan.push_back(Piece::source(0, v1At));
    appendV1Piece(plan, v1, v1Changed, v1At, hadV1);
    const Written w = commit(job, plan);
    if (w != Written::Ok)
        return w;
    if (rendered) {
        finishV2(job, QStringLiteral("v2.") + QString::number(version));
        job.row.sub[ColTextCode] = TextCodeName(id3v2::CombinedTextCode(*tag));
        job.row.sub[ColTagSize] = QString::number(rendered->size() - 10);
        job.row.sub[ColUnsync] = ((*rendered)[5] & id3v2::kFlagUnsync) ? kPicturePresent : QString();
        finishPicture(job, pic, false);
        if (job.ext == QLatin1String(".rmp"))
            renameTo(job, ".mp3");
    }
    return Written::Ok;
}

enum class WmaResult { Nothing, Ok, Failed, Skipped, Cancelled };

// The WMA side: each changed field to its attribute, then commit.
WmaResult writeWmaSide(RowJob& job)
{
    WriterContext& ctx = job.ctx;
    const unsigned mask = maskOf(job.row.sub[std::size_t(job.v2b + FieldChanged)]);
    if (ctx.wmaGate)
        ctx.wmaGate->ResetErrorCount();
    WmaOpenResult opened = OpenWmaEditor(job.path, ctx.wmaGate);
    if (!opened) {
        job.row.sub[std::size_t(job.v2b + FieldChanged)] = QStringLiteral("0");
        return WmaResult::Nothing;
    }
    WmaEditor& editor = *opened.editor;
    const PictureResult pic = preparePicture(job, mask, [&]() -> std::optional<Bytes> {
        WmaPicture p = ReadWmaPicture(editor);
        if (!p.found)
            return std::nullopt;
        return p.data;
    });
    for (const FieldSpec& f : kV2Order) {
        if (!(mask & ChangeBit(f.field)))
            continue;
        const QString text = v2Text(job, f);
        if (f.field == FieldTrack) {
            if (WmaAttributeFor(u"TRCK", true, ctx.options) == QLatin1String("WM/Track") && !ctx.answeredAll) {
                Question q;
                q.title = kWmaTrackTitle;
                q.text = kWmaTrackText;
                q.buttons = {Answer::All, Answer::Yes, Answer::No, Answer::Cancel};
                const Answer a = ctx.prompt.Ask(q);
                if (a == Answer::Abort) {
                    CloseWmaEditor(editor);
                    return WmaResult::Skipped;
                }
                if (a == Answer::Cancel) {
                    ctx.cancelled = true;
                    CloseWmaEditor(editor);
                    return WmaResult::Cancelled;
                }
                if (a == Answer::All)
                    ctx.answeredAll = true;
                else if (a == Answer::No)
                    ctx.options.wmaTrackNumberAttr = true;
            }
            bool ok = false;
            int value = text.toInt(&ok, 10);
            if (!ok)
                value = -1;
            if (ctx.options.wmaTrackNumberAttr && value == 0)
                value = 1;
            WriteWmaNumber(editor, WmaAttributeFor(u"TRCK", true, ctx.options), value);
        } else if (f.field == ColPicture) {
            if (pic.prepared.action == PreparedPicture::Action::Remove)
                DeleteWmaAttribute(editor, QStringLiteral("WM/Picture"));
            else if (pic.prepared.action == PreparedPicture::Action::Write)
                WriteWmaPicture(editor, pic.prepared.data, job.row.sub[ColPictureDescription]);
        } else if (f.field == ColUrl) {
            WriteWmaWebLink(editor, text);
        } else {
            const QString name = WmaAttributeFor(QString::fromLatin1(f.id23.data(), qsizetype(f.id23.size())), true,
                                                 ctx.options);
            if (!name.isEmpty())
                WriteWmaText(editor, name, text);
        }
    }
    const bool stillHasPicture = ReadWmaPicture(editor).found;
    const WmaStatus status = CommitWmaEditor(editor, ctx.options.stamp);
    if (!status.ok) {
        if (status.error != 0 && !ctx.wmaGate)
            job.showError(job.path, status.error);
        return WmaResult::Failed;
    }
    finishV2(job, QStringLiteral("wma"));
    job.row.sub[ColTextCode] = QString();
    finishPicture(job, pic, stillHasPicture);
    return WmaResult::Ok;
}

} // namespace

RowOutcome WriteRow(RowStore& store, int index, WriteWhich which, WriterContext& context)
{
    if (index < 0 || index >= store.count())
        return RowOutcome::Nothing;
    ListRow& row = store.row(index);
    RowJob job{store, index, row, context, context.fileOps ? *context.fileOps : FileOps::system(), row.path(),
               LowerExtension(row.path()), 0, 0, FileStamp{}, 0};
    job.v1b = v1Base(store.side());
    job.v2b = v2Base(store.side());
    const unsigned mask1 = maskOf(row.sub[std::size_t(job.v1b + FieldChanged)]);
    const unsigned mask2 = maskOf(row.sub[std::size_t(job.v2b + FieldChanged)]);
    bool doV1 = which != WriteWhich::V2 && mask1 != 0;
    bool doV2 = which != WriteWhich::V1 && mask2 != 0;
    if (!doV1 && !doV2)
        return RowOutcome::Nothing;

    WriterView* view = context.view;
    if (view)
        view->ScrollToRow(index);
    const bool suspended = view && view->SuspendPlaybackFor(job.path);

    bool lifted = false;
    const Access access = checkAccess(job, lifted);
    RowOutcome outcome = RowOutcome::Written;
    // A failed write leaves the row as it was, its changes still pending.
    const auto saved = row.sub;
    const QByteArray savedThumbnail = row.thumbnail;
    if (access == Access::Ok) {
        row.image = kImageWriting;
        if (view) {
            view->RowChanged(index);
            view->ShowStatus(job.path);
        }
        context.prompt.PumpEvents();

        const bool isWma = job.ext == QLatin1String(".wma");
        FileReader file;
        std::uint8_t head[kHeadBytes] = {};
        std::size_t headLength = 0;
        auto openFile = [&]() -> bool {
            if (!file.open(job.path)) {
                job.showError(job.path, file.error());
                return false;
            }
            headLength = file.readAt(0, head, kHeadBytes);
            return true;
        };
        auto headIs = [&] { return ByteView(head, headLength); };

        Written w = Written::Nothing;
        if (!openFile()) {
            w = Written::Failed;
        } else {
            const riff::Form form = riff::FormOf(headIs());
            const bool id3 = form == riff::Form::None && startsWith(headIs(), "ID3");
            if (isWma && !id3 && form == riff::Form::None) {
                file.close();
                if (doV2) {
                    const WmaResult r = writeWmaSide(job);
                    if (r == WmaResult::Failed) {
                        w = Written::Failed;
                    } else if (r == WmaResult::Skipped || r == WmaResult::Cancelled) {
                        outcome = RowOutcome::Skipped;
                        doV1 = false;
                    } else if (r == WmaResult::Ok) {
                        w = Written::Ok;
                    }
                }
                if (doV1 && w != Written::Failed) {
                    // The attributes may have rewritten the file: the block is placed anew.
                    int error = 0;
                    if (!ReadFileStamp(job.path, job.stamp, &error, job.ops)) {
                        job.showError(job.path, error);
                        w = Written::Failed;
                    } else if (!openFile()) {
                        w = Written::Failed;
                    } else {
                        const Written v1 = writePlainFile(job, file, true, false);
                        w = v1 == Written::Nothing ? w : v1;
                    }
                }
            } else if (form != riff::Form::None) {
                w = writeRiffFile(job, file, doV1, doV2, form == riff::Form::Wave || isWaveExtension(job.ext));
            } else if (id3) {
                w = writeId3v2File(job, file, doV1, doV2);
            } else {
                w = writePlainFile(job, file, doV1, doV2);
            }
        }
        if (w == Written::Failed) {
            row.sub = saved;
            row.thumbnail = savedThumbnail;
            outcome = RowOutcome::Failed;
        } else if (outcome != RowOutcome::Skipped) {
            outcome = w == Written::Ok ? RowOutcome::Written : RowOutcome::Nothing;
        }
    } else if (access == Access::Failed) {
        outcome = RowOutcome::Failed;
    } else {
        outcome = RowOutcome::Skipped;
    }

    if (lifted) {
        int error = 0;
        SetFileMode(job.path, job.originalMode, &error, job.ops);
    }
    UpdateRowImage(row, index);
    if (suspended && view)
        view->ResumePlayback();
    if (view)
        view->RowChanged(index);
    return outcome;
}

WriteSummary WriteButtonClick(RowStore& store, WriteWhich which, WriterContext& context)
{
    WriteSummary summary;
    context.answeredAll = false;
    context.processReadOnly = false;
    context.cancelled = false;
    UserPrompt& prompt = context.prompt;
    prompt.Progress(store.count());
    auto tally = [&](RowOutcome o) {
        switch (o) {
        case RowOutcome::Written: ++summary.written; break;
        case RowOutcome::Skipped: ++summary.skipped; break;
        case RowOutcome::Failed: ++summary.failed; break;
        case RowOutcome::Nothing: break;
        }
    };
    for (int i = 0; i < store.count(); ++i) {
        prompt.Step();
        if (context.cancelled || prompt.Cancelled()) {
            summary.cancelled = true;
            break;
        }
        prompt.PumpEvents();
        if (!store.row(i).isRead())
            continue;
        if (which == WriteWhich::Both && LowerExtension(store.row(i).path()) == QLatin1String(".wma")) {
            // The attributes first, then the ID3v1 block at the end of the file.
            const RowOutcome v2 = WriteRow(store, i, WriteWhich::V2, context);
            RowOutcome v1 = RowOutcome::Nothing;
            if (!context.cancelled && v2 != RowOutcome::Skipped)
                v1 = WriteRow(store, i, WriteWhich::V1, context);
            tally(v2 == RowOutcome::Failed || v1 == RowOutcome::Failed       ? RowOutcome::Failed
                  : v2 == RowOutcome::Skipped || v1 == RowOutcome::Skipped ? RowOutcome::Skipped
                  : v2 == RowOutcome::Written || v1 == RowOutcome::Written ? RowOutcome::Written
                                                                           : RowOutcome::Nothing);
        } else {
            tally(WriteRow(store, i, which, context));
        }
        if (context.cancelled) {
            summary.cancelled = true;
            break;
        }
    }
    prompt.Progress(0);
    return summary;
}

} // namespace quillory
