#include "tags/Id3v1.h"

#include "media/Genres.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

namespace quillory {
namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr std::size_t kTextWidth = 30, kYearWidth = 4, kShortCommentWidth = 28;
constexpr std::size_t kZeroByteAt = 125, kTrackAt = 126, kGenreAt = 127;

QString fieldText(ByteView block, std::size_t at, std::size_t width)
{
    ByteView field = block.subspan(at, width);
    auto zero = std::find(field.begin(), field.end(), std::uint8_t(0));
    return CodePage::toUnicode(field.first(std::size_t(zero - field.begin())));
}

std::size_t commentWidth(ByteView block)
{
    return block[kZeroByteAt] != 0 ? kTextWidth : kShortCommentWidth;
}

// Copies the Shift-JIS text into a zero-padded field, cut where no double-byte
// character is split.
void putField(V1Block& block, std::size_t at, std::size_t width, const std::string& sjis)
{
    const ByteView bytes = viewOf(sjis);
    const std::size_t n = CodePage::cutAtCharBoundary(bytes, width);
    std::fill_n(block.begin() + std::ptrdiff_t(at), width, std::uint8_t(0));
    std::copy_n(bytes.begin(), n, block.begin() + std::ptrdiff_t(at));
}

int decimalOr(const QString& text, int fallback)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? n : fallback;
}

} // namespace

bool IsV1Block(ByteView block)
{
    return block.size() >= kBlockSize && startsWith(block, "TAG");
}

TAGDATA ParseV1Block(ByteView block, const GenreTable* genres)
{
    TAGDATA d;
    if (!IsV1Block(block))
        return d;
    d.title = fieldText(block, kTitleAt, kTextWidth);
    d.artist = fieldText(block, kArtistAt, kTextWidth);
    d.album = fieldText(block, kAlbumAt, kTextWidth);
    d.year = fieldText(block, kYearAt, kYearWidth);
    d.comment = fieldText(block, kCommentAt, commentWidth(block));
    // Byte 126 is the track whatever byte 125 holds, so the last byte of a full
    // ID3v1.0 comment shows as a track number.
    d.track = block[kTrackAt];
    d.genreByte = block[kGenreAt];
    if (genres)
        d.genre = genres->GenreName(d.genreByte);
    return d;
}

void SetV1Field(V1Block& block, std::string_view frameId, const QString& text)
{
    if (!startsWith(ByteView(block), "TAG"))
        return;
    if (frameId == "TCON") {
        block[kGenreAt] = std::uint8_t(decimalOr(text, -1) & 0xFF);
        return;
    }
    if (frameId == "TRCK") {
        block[kZeroByteAt] = 0;
        block[kTrackAt] = std::uint8_t(decimalOr(text, 0) & 0xFF);
        return;
    }
    // '?' as the system's code-page conversion gives for characters Shift-JIS lacks.
    const std::string sjis = CodePage::fromUnicode(text, '?');
    if (frameId == "TIT2") {
        putField(block, kTitleAt, kTextWidth, sjis);
    } else if (frameId == "TPE1") {
        putField(block, kArtistAt, kTextWidth, sjis);
    } else if (frameId == "TALB") {
        putField(block, kAlbumAt, kTextWidth, sjis);
    } else if (frameId == "TYER") {
        putField(block, kYearAt, kYearWidth, sjis);
    } else if (frameId == "COMM") {
        if (block[kTrackAt] != 0) {
            putField(block, kCommentAt, kShortCommentWidth, sjis);
            block[kZeroByteAt] = 0;
        } else {
            putField(block, kCommentAt, kTextWidth, sjis);
        }
    }
}

V1Block NewV1Block()
{
    V1Block block{};
    std::memcpy(block.data(), "TAG", 3);
    block[kGenreAt] = 255;
    return block;
}

QString V1FieldText(ByteView block, std::string_view frameId, const GenreTable* genres)
{
    if (!IsV1Block(block))
        return {};
    if (frameId == "TIT2")
        return fieldText(block, kTitleAt, kTextWidth);
    if (frameId == "TPE1")
        return fieldText(block, kArtistAt, kTextWidth);
    if (frameId == "TALB")
        return fieldText(block, kAlbumAt, kTextWidth);
    if (frameId == "TYER")
        return fieldText(block, kYearAt, kYearWidth);
    if (frameId == "COMM")
        return fieldText(block, kCommentAt, commentWidth(block));
    if (frameId == "TRCK") {
        if (block[kZeroByteAt] == 0 && block[kTrackAt] == 0)
            return {};
        return QString::number(block[kTrackAt]);
    }
    if (frameId == "TCON")
        return genres ? genres->GenreName(block[kGenreAt]) : QString();
    return {};
}

int V1GenreNumber(const QString& genreText, const GenreTable* genres)
{
    if (!genres)
        return -1;
    const int n = genres->GenreNumber(genreText);
    return (n >= 0 && n <= 255) ? n : -1;
}

} // namespace quillory
