#pragma once
// Changing an ID3v2 tag in memory: replacing, removing and inserting frames, a new
// tag header, the growth estimate and the choice between patching the file in place
// and rewriting it, unsynchronisation, and rendering the tag for the file. Frames
// that are not asked to change stay byte for byte, unknown ones included.
#include "platform/Bytes.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillory {
class GenreTable;
}

namespace quillory::id3v2 {

// What decides the encoding of the text written.
struct EncodingChoice {
    int comboEncoding = 0;    // encoding byte of the code combo: 0 "SJIS", 1 "UTF16", 3 "UTF8"
    bool littleEndian = true; // "be-le": mark of new UTF-16 text
    int rowTextCode = -1;     // the row's code by TextCodeFromName: 0, 1, 3, or -1
};

// A tag being edited: header, extended header, frames and what follows them, with
// unsynchronisation undone (2.2/2.3 over the whole tag, 2.4 frame by frame; such a
// 2.4 frame keeps its flag as a mark that it is to be unsynchronised again).
struct EditableTag {
    Bytes tag;                         // 10 + size field bytes, as edited
    int version = 3;
    bool unsynchronise = false;        // 2.2/2.3: unsynchronise the whole tag on output
    bool isNew = false;
    std::uint64_t originalLength = 0;  // bytes the tag took in the file (header included)
    std::uint32_t originalPadding = 0; // zero bytes at its end, after undoing unsynchronisation

    int flags() const { return tag.size() > 5 ? tag[5] : 0; }
};

// Opens the tag as read from the file (its first 10 + size bytes, or fewer when the
// file is shorter). nullopt when the bytes do not begin with an ID3v2 header of
// version 2, 3 or 4.
std::optional<EditableTag> OpenTag(ByteView fileTag);
// A new tag: "ID3", version, revision 0, flags 0x80 when unsynchronising, size 0;
// no extended header and no padding.
EditableTag NewTag(int version, bool unsynchronise);

enum class FrameChange {
    Replaced,
    Inserted,
    Removed,
    Unchanged,  // a compressed, encrypted or grouped frame stays as it was
    Absent,     // an empty text for a frame that does not exist
    NoPosition, // no place to insert the new frame
};

// Replaces the content of the frame named by its ID3v2.3 id (mapped for the tag's
// version), removes it for an empty text, or inserts it when it does not exist.
// Handles text frames, COMM, USLT and WXXX.
FrameChange SetFrameText(EditableTag& tag, std::string_view id23, const QString& text, const EncodingChoice& choice);
// Inserts a new frame with the text (position -1: the automatic position).
FrameChange InsertFrame(EditableTag& tag, std::string_view id23, const QString& text, const EncodingChoice& choice,
                        long position = -1);
// Replaces the first picture frame (APIC, or PIC in 2.2) by one with the given
// content (encoding byte first), or inserts it after the last frame; nullopt removes
// the first picture frame.
FrameChange SetPictureFrame(EditableTag& tag, const std::optional<Bytes>& content);

// The fifteen fields the growth estimate looks at, by ID3v2.3 id.
inline constexpr std::array<std::string_view, 15> kEstimatedFields = {
    "TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER", "COMM", "TCOM",
    "TEXT", "TPUB", "TPOS", "USLT", "TCOP", "TSSE", "WXXX"};
// The row's text of each field of kEstimatedFields, in that order.
using EstimatedTexts = std::array<QString, 15>;
// Expected growth of the tag in bytes when the fields get these texts. rowIsUtf16:
// the row's text code is UTF-16 (a new COMM/USLT then counts 8 more, else 4).
long EstimateGrowth(ByteView tag, int version, const EstimatedTexts& texts, bool rowIsUtf16);

enum class WriteMode { InPlace, Rewrite, RewriteAddingPadding };
// The way a file that already has an ID3v2 tag is written. padding: the option
// ("paddig": 8192 ... 128, 0); tagPadding: the tag's padding (PaddingSize).
WriteMode ChooseWriteMode(int headerFlags, long tagPadding, long estimate, int paddingOption, bool pictureChange);

// A 00 after every FF that is followed by 00 or a byte of E0 or more, and after an
// FF that ends the buffer (the audio after the tag begins with FF).
void Unsynchronise(Bytes& buffer);
// The same over everything after the header and extended header of a tag buffer;
// the size field follows and flag bit 7 is set. Returns whether anything changed.
bool UnsynchroniseTag(Bytes& tag);

// "(n)" for a genre name of either table, else the text itself.
QString GenreAsReference(const QString& genre, const GenreTable* genres);

// "3DI" when a 2.4 tag has a footer or a 3DI frame, "SEEK" when it has a SEEK frame,
// else empty: such tags are not changed.
QString UnchangeableTagKind(const EditableTag& tag);

// The tag as it is to be written. InPlace: exactly originalLength bytes with the old
// size field, the growth taken from the padding; nullopt when the frames do not fit.
// Rewrite: the old padding kept, plus addPadding zero bytes. nullopt also when the
// tag would exceed the largest size an ID3v2 header can state.
std::optional<Bytes> RenderTag(const EditableTag& tag, bool inPlace, std::uint32_t addPadding = 0);

// Combined text code of a rendered or edited tag, as the loader folds it over the
// title, artist, album, genre, comment, composer, lyricist and lyrics frames.
int CombinedTextCode(const EditableTag& tag);

} // namespace quillory::id3v2
