#include "app/FieldEditing.h"

#include "app/DataFiles.h"
#include "app/UserPrompt.h"
#include "media/TagCopy.h"
#include "tags/Loader.h"

namespace quillory {

namespace {

bool isWave(const ListRow& row)
{
    return LowerExtension(row.path()) == QLatin1String(".wav");
}

bool isPictureKeyword(const QString& state)
{
    return state.isEmpty() || state == kPicturePresent || state == kPictureDelete || state == kPictureInfo;
}

// Fields the row has: the block fields with a change bit and the per-row fields.
bool isEditableField(int field)
{
    return ChangeBit(field) != 0;
}

// Block base of the mask a field's change goes into: the per-row fields belong to
// the v2 side whichever block is shown.
int maskBaseFor(int field, PrimarySide side)
{
    return field >= ColComposer ? v2Base(side) : kShownBase;
}

void enableWriteButton(EditorState& state, int maskBase, PrimarySide side)
{
    const bool v1 = maskBase == v1Base(side);
    (v1 ? state.buttons.v1 : state.buttons.v2) = true;
    state.buttons.both = state.buttons.v1 && state.buttons.v2;
}

void markChanged(EditContext& ctx, ListRow& row, int index, int field)
{
    const PrimarySide side = ctx.store.side();
    const int base = maskBaseFor(field, side);
    QString& mask = row.sub[std::size_t(base + FieldChanged)];
    mask = MarkFieldChanged(mask, field);
    UpdateRowImage(row, index, ctx.playingIndex);
    enableWriteButton(ctx.state, base, side);
}

bool filePicture(EditContext& ctx, const QString& path)
{
    return ctx.pictureProbe ? ctx.pictureProbe(path) : FileHoldsPicture(path);
}

bool applyPicture(EditContext& ctx, ListRow& row, int index, const QString& text)
{
    QString& state = row.sub[ColPicture];
    if (text == kPictureDelete) {
        if (!filePicture(ctx, row.path()))
            return false;
        ctx.state.pictureDescription.clear();
        state = kPictureDelete;
        row.sub[ColPictureDescription].clear();
        markChanged(ctx, row, index, ColPicture);
        return true;
    }
    if (!text.isEmpty()) {
        state = text;
        row.sub[ColPictureDescription] = ctx.state.pictureDescription;
        markChanged(ctx, row, index, ColPicture);
        return true;
    }
    // Cancelling the pending change. A pending picture file is cancelled even when it
    // has vanished meanwhile: the write would embed nothing and report "" for a file
    // whose own picture it never touched.
    if (state == kPictureDelete) {
        state = kPicturePresent;
    } else if (!isPictureKeyword(state)) {
        state = filePicture(ctx, row.path()) ? kPicturePresent : QString();
    } else {
        return false;
    }
    row.sub[ColPictureDescription].clear();
    QString& mask = row.sub[std::size_t(v2Base(ctx.store.side()) + FieldChanged)];
    mask = MarkFieldChanged(mask, ColPicture, true);
    UpdateRowImage(row, index, ctx.playingIndex);
    return true;
}

bool sentinelOrNoField(const QString& text, int field)
{
    return field < 0 || text == kPictureSentinel;
}

const QString& fieldPhrase(int field)
{
    static const QString none;
    static const QString artist = QStringLiteral("\nアーティスト名");
    static const QString album = QStringLiteral("\nアルバム名");
    static const QString year = QStringLiteral("\n年");
    static const QString composer = QStringLiteral("\n作曲者");
    static const QString lyricist = QStringLiteral("\n作詞者");
    static const QString label = QStringLiteral("\nレーベル");
    static const QString copyright = QStringLiteral("\n著作権");
    static const QString url = QStringLiteral("\nURL");
    static const QString picture = QStringLiteral("\n画像");
    switch (field) {
    case FieldArtist: return artist;
    case FieldAlbum: return album;
    case FieldYear: return year;
    case ColComposer: return composer;
    case ColLyricist: return lyricist;
    case ColLabel: return label;
    case ColCopyright: return copyright;
    case ColUrl: return url;
    case ColPicture: return picture;
    default: return none;
    }
}

bool asksAboutArtist(int field)
{
    return field == FieldAlbum || field == ColComposer || field == ColLyricist || field == ColUrl ||
           field == ColPicture;
}

bool asksAboutAlbum(int field)
{
    return field == FieldArtist || field == FieldYear || field == ColComposer || field == ColLyricist ||
           field == ColLabel || field == ColPicture;
}

enum class Verdict { Apply, Skip, Stop };

// One question about a row whose artist (or album) differs from the reference.
Verdict confirm(EditContext& ctx, bool aboutArtist, const ListRow& row, QString& reference, bool& yesToAll,
                const QString& tail)
{
    const QString value = GetRowField(row, kShownBase, aboutArtist ? FieldArtist : FieldAlbum);
    if (yesToAll || value.isEmpty() || value == reference)
        return Verdict::Apply;
    Question q;
    q.title = kConfirmTitle;
    q.text = ConfirmQuestionText(aboutArtist, row.caption, reference, value, tail);
    q.buttons = {Answer::All, Answer::Yes, Answer::No, Answer::Cancel};
    q.icon = PromptIcon::Question;
    switch (ctx.prompt.Ask(q)) {
    case Answer::All:
        yesToAll = true;
        reference = value;
        return Verdict::Apply;
    case Answer::Yes:
        reference = value;
        return Verdict::Apply;
    case Answer::No:
        return Verdict::Skip;
    default:
        // Cancel, or a prompt that cannot ask: nothing more spreads unconfirmed.
        return Verdict::Stop;
    }
}

EditOutcome applyOver(EditContext& ctx, const QString& text, int field, const std::vector<int>& rows)
{
    EditOutcome out;
    std::vector<int> valid;
    for (int i : rows)
        if (i >= 0 && i < ctx.store.count())
            valid.push_back(i);
    if (valid.empty()) {
        out.ignored = true;
        return out;
    }
    if (sentinelOrNoField(text, field)) {
        out.ignored = true;
        return out;
    }

    if (!ctx.listCheck) {
        for (int i : valid)
            out.changedRows += ApplyFieldToRow(ctx, text, i, field) ? 1 : 0;
    } else {
        // The reference artist and album come from the first row that holds tags; a
        // row not read yet only shows the fetching text.
        QString artist0, album0;
        for (int i : valid) {
            const ListRow& r = ctx.store.row(i);
            if (r.isRead()) {
                artist0 = GetRowField(r, kShownBase, FieldArtist);
                album0 = GetRowField(r, kShownBase, FieldAlbum);
                break;
            }
        }
        const QString tail = ConfirmQuestionTail(field, text);
        bool allArtists = false, allAlbums = false;
        for (int i : valid) {
            const ListRow& r = ctx.store.row(i);
            if (!r.isRead())
                continue;
            Verdict v = Verdict::Apply;
            if (asksAboutArtist(field))
                v = confirm(ctx, true, r, artist0, allArtists, tail);
            if (v == Verdict::Apply && asksAboutAlbum(field))
                v = confirm(ctx, false, r, album0, allAlbums, tail);
            if (v == Verdict::Stop) {
                out.cancelled = true;
                break;
            }
            if (v == Verdict::Skip)
                continue;
            out.changedRows += ApplyFieldToRow(ctx, text, i, field) ? 1 : 0;
        }
    }
    ctx.state.pending = PendingOver(ctx.store, ctx.store.selectedIndexes());
    return out;
}

} // namespace

bool ApplyFieldToRow(EditContext& ctx, const QString& text, int index, int field)
{
    if (index < 0 || index >= ctx.store.count() || !isEditableField(field))
        return false;
    ListRow& row = ctx.store.row(index);
    if (!row.isRead())
        return false;
    const PrimarySide side = ctx.store.side();
    if (side == PrimarySide::V1 && isWave(row))
        return false;
    // The tag kind of the block the field belongs to: the per-row fields are v2 fields.
    const bool riff = row.sub[std::size_t(maskBaseFor(field, side) + FieldTagKind)] == QLatin1String("riff");
    if (riff && (field == FieldTrack || field == ColComposer || field == ColLyricist || field == ColDiscSet ||
                 field == ColUrl))
        return false;
    if (field == ColPicture) {
        if (isWave(row) || riff)
            return false;
        return applyPicture(ctx, row, index, text);
    }
    if (GetRowField(row, kShownBase, field) == text)
        return false;
    SetRowField(row, kShownBase, field, text, side, ctx.genres);
    // The ID3v1 genre takes only names of its list; a refused name changes nothing.
    if (GetRowField(row, kShownBase, field) != text)
        return false;
    markChanged(ctx, row, index, field);
    return true;
}

EditOutcome ApplyFieldEdit(EditContext& ctx, const QString& text, int field)
{
    return applyOver(ctx, text, field, ctx.store.selectedIndexes());
}

EditOutcome ApplyFieldEditToCaptured(EditContext& ctx, const QString& text, int field)
{
    return applyOver(ctx, text, field, ctx.state.captured);
}

QString ConfirmQuestionTail(int field, const QString& text)
{
    return fieldPhrase(field) + QStringLiteral("を '") + text + QStringLiteral("' に変更してもよろしいですか？");
}

QString ConfirmQuestionText(bool aboutArtist, const QString& rowNumber, const QString& reference,
                            const QString& value, const QString& tail)
{
    return QStringLiteral("No ") + rowNumber + QStringLiteral("\n■") + reference + QStringLiteral("■\n■") + value +
           (aboutArtist ? QStringLiteral("■\n\n他のアーティスト") : QStringLiteral("■\n\n他のアルバム")) +
           QStringLiteral("も変更の対象になっています。") + tail;
}

EditOutcome BoxChanged(EditContext& ctx, EditBox box, const QString& text, const QString& partner)
{
    EditOutcome ignored;
    ignored.ignored = true;
    if (!AcceptsChange(ctx.state, box, ctx.store.side()))
        return ignored;
    if (AppliesToOneRowOnly(box) && ctx.store.selectedCount() != 1)
        return ignored;
    QString value = text;
    if (box == EditBox::DiscNumber)
        value = ComposePartOfSet(text, partner);
    else if (box == EditBox::DiscCount)
        value = ComposePartOfSet(partner, text);
    return ApplyFieldEdit(ctx, value, FieldOfBox(box));
}

EditOutcome InputBoxCommit(EditContext& ctx, int field, const QString& text, DropDownLists& lists)
{
    EditOutcome out = ApplyFieldEdit(ctx, text, field);
    if (field == ColCopyright)
        AddToDropDownList(lists.copyright, lists.copyrightDue, text);
    else if (field == ColEncoder)
        AddToDropDownList(lists.encoder, lists.encoderDue, text);
    return out;
}

CellEditEnd EndCellEditor(EditContext& ctx, const QString& text, const QString& startText, DropDownLists& lists)
{
    CellEditEnd end;
    const int field = ctx.state.currentColumn;
    if (text == startText && ctx.state.captured.size() == 1) {
        end.repaintRowOnly = true;
        end.outcome.ignored = true;
    } else {
        end.outcome = ApplyFieldEditToCaptured(ctx, text, field);
        if (field == ColCopyright)
            AddToDropDownList(lists.copyright, lists.copyrightDue, text);
        else if (field == ColEncoder)
            AddToDropDownList(lists.encoder, lists.encoderDue, text);
    }
    ctx.state.captured.clear();
    return end;
}

namespace {

bool maskSet(const QString& m)
{
    return m != QLatin1String("0");
}

} // namespace

PendingChanges PendingOver(const RowStore& store, const std::vector<int>& rows)
{
    PendingChanges p;
    const int b1 = v1Base(store.side()) + FieldChanged;
    const int b2 = v2Base(store.side()) + FieldChanged;
    for (int i : rows) {
        if (i < 0 || i >= store.count())
            continue;
        const ListRow& r = store.row(i);
        p.v1 = p.v1 || maskSet(r.sub[std::size_t(b1)]);
        p.v2 = p.v2 || maskSet(r.sub[std::size_t(b2)]);
    }
    return p;
}

int RecountChanges(EditorState& state, const RowStore& store, const std::function<void()>& step)
{
    const int b1 = v1Base(store.side()) + FieldChanged;
    const int b2 = v2Base(store.side()) + FieldChanged;
    PendingChanges p;
    int edited = 0;
    for (int i = 0; i < store.count(); ++i) {
        const ListRow& r = store.row(i);
        const bool v1 = maskSet(r.sub[std::size_t(b1)]);
        const bool v2 = maskSet(r.sub[std::size_t(b2)]);
        p.v1 = p.v1 || v1;
        p.v2 = p.v2 || v2;
        edited += (v1 || v2) ? 1 : 0;
        if (step)
            step();
    }
    state.pending = p;
    return edited;
}

void RecountChanges(EditorState& state, const RowStore& store)
{
    RecountChanges(state, store, {});
    state.buttons = WriteButtonsFor(state.pending);
}

QString FilterBoxText(EditBox box, const QString& text)
{
    auto digits = [&text](int max) {
        QString out;
        for (QChar c : text) {
            if (max >= 0 && out.size() >= max)
                break;
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                out.append(c);
        }
        return out;
    };
    switch (box) {
    case EditBox::V1Title:
    case EditBox::V1Artist:
    case EditBox::V1Album:
        return CutForV1(text, kV1TextWidth);
    case EditBox::V1Track: {
        QString d = digits(kV1TrackDigits);
        return d.toInt() > kV1TrackMax ? QString::number(kV1TrackMax) : d;
    }
    case EditBox::V1Year:
        return digits(kV1YearDigits);
    case EditBox::V2Track:
        return digits(-1);
    default:
        return text;
    }
}

} // namespace quillory
