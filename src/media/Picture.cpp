#include "media/Picture.h"

#include "platform/CodePage.h"
#include "platform/FileAccess.h"
#include "platform/Limits.h"
#include "tags/Id3v2Reader.h"
#include "tags/TextEncoding.h"

#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace quillory {

namespace {

// The byte scan for picture data looks no further than this into a frame.
constexpr std::size_t kScanBound = 128;
constexpr std::size_t kScanPositions = 30;
constexpr int kThumbWidth = 32;
constexpr int kThumbHeight = 16;

bool equalsNoCase(ByteView bytes, std::size_t at, std::string_view text)
{
    if (at + text.size() > bytes.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint8_t c = bytes[at + i];
        if (c >= 'A' && c <= 'Z')
            c = std::uint8_t(c - 'A' + 'a');
        if (c != std::uint8_t(text[i]))
            return false;
    }
    return true;
}

std::size_t frameHeaderLength(int version) { return version == 2 ? 6 : 10; }

std::uint32_t frameSize(const std::uint8_t* p, int version)
{
    if (version == 2)
        return readU24BE(p + 3);
    if (version >= 4)
        return readSynchsafe32(p + 4);
    return readU32BE(p + 4);
}

// Index after the terminator of a text in the encoding, from `from` on.
std::optional<std::size_t> afterTerminator(ByteView b, std::size_t from, int encoding)
{
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = from; i + 1 < b.size(); i += 2)
            if (b[i] == 0 && b[i + 1] == 0)
                return i + 2;
        return std::nullopt;
    }
    for (std::size_t i = from; i < b.size(); ++i)
        if (b[i] == 0)
            return i + 1;
    return std::nullopt;
}

// The frame read by its fields: encoding, MIME type (2.2: three-letter format),
// picture type, description in the frame's encoding, then the data.
std::optional<LocatedPicture> locateByFields(ByteView frame, int version)
{
    const std::size_t hl = frameHeaderLength(version);
    if (frame.size() <= hl + 1)
        return std::nullopt;
    const int encoding = frame[hl];
    std::size_t typeAt;
    if (version == 2) {
        typeAt = hl + 1 + 3;
    } else {
        std::optional<std::size_t> afterMime = afterTerminator(frame, hl + 1, 0);
        if (!afterMime)
            return std::nullopt;
        typeAt = *afterMime;
    }
    const std::size_t descriptionAt = typeAt + 1;
    if (descriptionAt > frame.size())
        return std::nullopt;
    std::optional<std::size_t> dataAt = afterTerminator(frame, descriptionAt, encoding);
    if (!dataAt || *dataAt >= frame.size())
        return std::nullopt;
    const PictureKind kind = DetectPictureKind(frame.subspan(*dataAt));
    if (kind == PictureKind::Unknown)
        return std::nullopt;
    LocatedPicture found;
    found.offset = *dataAt;
    found.kind = kind;
    found.description = DecodeFrameText(frame.subspan(descriptionAt, *dataAt - descriptionAt), encoding);
    return found;
}

// The scan of the original program, for frames whose fields do not lead to a picture.
LocatedPicture locateByScan(ByteView frame, int version)
{
    LocatedPicture none;
    const std::size_t hl = frameHeaderLength(version);
    const std::size_t mimeAt = hl + 1;
    const std::size_t bound = std::min(frame.size(), kScanBound);
    std::size_t typeAt = 0;
    if (equalsNoCase(frame, mimeAt, std::string_view("image/jpeg\0", 11)))
        typeAt = mimeAt + 11;
    else if (equalsNoCase(frame, mimeAt, std::string_view("image/png\0", 10)) ||
             equalsNoCase(frame, mimeAt, std::string_view("image/bmp\0", 10)) ||
             equalsNoCase(frame, mimeAt, std::string_view("image/swf\0", 10)))
        typeAt = mimeAt + 10;

    if (typeAt != 0) {
        for (std::size_t i = typeAt; i < typeAt + kScanPositions && i < bound; ++i) {
            const PictureKind kind = DetectPictureKind(frame.subspan(i));
            if (kind == PictureKind::Unknown)
                continue;
            LocatedPicture found;
            found.offset = i;
            found.kind = kind;
            if (i > typeAt + 2) {
                std::size_t d = typeAt + 1;
                while (d < i && frame[d] == 0)
                    ++d;
                std::size_t e = d;
                while (e < i && frame[e] != 0)
                    ++e;
                found.description = CodePage::toUnicode(frame.subspan(d, e - d));
            }
            return found;
        }
        return none;
    }
    for (std::size_t i = mimeAt; i < bound; ++i) {
        const PictureKind kind = DetectPictureKind(frame.subspan(i));
        if (kind != PictureKind::Unknown) {
            LocatedPicture found;
            found.offset = i;
            found.kind = kind;
            return found;
        }
        if (frame[i] == 0xFF && i + 1 < frame.size() && frame[i + 1] >= 0xF0)
            return none; // MPEG audio: the frame holds no picture
    }
    return none;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

bool readWholeFile(const QString& path, Bytes& out)
{
    FileReader file;
    if (!file.open(path) || file.size() > limits::kMaxPictureFileBytes)
        return false;
    return file.readAt(0, std::size_t(file.size()), out);
}

QImage loadPicture(ByteView bytes)
{
    if (DetectPictureKind(bytes) == PictureKind::Jpeg)
        return DecodeJpeg(bytes);
    QImage image;
    image.loadFromData(bytes.data(), int(std::min<std::size_t>(bytes.size(), INT32_MAX)));
    if (!image.isNull() && std::uint64_t(image.width()) * std::uint64_t(image.height()) > limits::kMaxPicturePixels)
        return {};
    return image;
}

} // namespace

PictureKind DetectPictureKind(ByteView b)
{
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M')
        return PictureKind::Bitmap;
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return PictureKind::Jpeg;
    if (b.size() >= 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G')
        return PictureKind::Png;
    if (b.size() >= 4 && (b[0] == 'F' || b[0] == 'C' || b[0] == 'Z') && b[1] == 'W' && b[2] == 'S' && b[3] != 0)
        return PictureKind::Flash;
    return PictureKind::Unknown;
}

LocatedPicture LocatePictureData(ByteView frame, int version)
{
    const std::size_t hl = frameHeaderLength(version);
    if (frame.size() < hl)
        return {};
    const std::size_t length = std::min<std::size_t>(frame.size(), hl + std::size_t(frameSize(frame.data(), version)));
    frame = frame.first(length);
    if (std::optional<LocatedPicture> found = locateByFields(frame, version))
        return *found;
    return locateByScan(frame, version);
}

std::optional<Bytes> FirstPictureData(ByteView tag, int version)
{
    const id3v2::FrameText ft = id3v2::GetFrameText(tag, version, "APIC");
    if (ft.position < 0)
        return std::nullopt;
    const std::size_t at = std::size_t(ft.position);
    const std::size_t hl = frameHeaderLength(version);
    if (at + hl > tag.size())
        return std::nullopt;
    if (version >= 3) {
        // A compressed, encrypted or grouped frame has no plain picture bytes.
        const std::uint8_t format = tag[at + 9];
        if ((version == 3 && (format & 0xE0)) || (version >= 4 && (format & 0x4D)))
            return std::nullopt;
    }
    const std::size_t size = frameSize(tag.data() + at, version);
    if (size > tag.size() - at - hl)
        return std::nullopt;
    const ByteView frame = tag.subspan(at, hl + size);
    const LocatedPicture loc = LocatePictureData(frame, version);
    if (loc.offset == 0)
        return std::nullopt;
    return Bytes(frame.begin() + std::ptrdiff_t(loc.offset), frame.end());
}

PreparedPicture PreparePictureData(const QString& state, const std::optional<Bytes>& existing)
{
    PreparedPicture p;
    if (state == QStringLiteral("削除")) {
        p.action = PreparedPicture::Action::Remove;
        return p;
    }
    if (state == QLatin1String("info")) {
        if (existing && !existing->empty()) {
            p.data = *existing;
            p.kind = DetectPictureKind(p.data);
            p.action = p.kind == PictureKind::Unknown ? PreparedPicture::Action::Nothing
                                                      : PreparedPicture::Action::Write;
        }
        return p;
    }
    if (state.isEmpty() || state == QStringLiteral("有り"))
        return p;

    Bytes bytes;
    if (!QFileInfo(state).isFile() || !readWholeFile(state, bytes) || bytes.empty())
        return p;
    const QString suffix = QFileInfo(state).suffix().toLower();
    if (suffix == QLatin1String("swf")) {
        if (DetectPictureKind(bytes) != PictureKind::Flash)
            return p;
        p.kind = PictureKind::Flash;
        p.data = std::move(bytes);
    } else if (suffix == QLatin1String("png")) {
        if (DetectPictureKind(bytes) != PictureKind::Png)
            return p;
        p.kind = PictureKind::Png;
        p.data = std::move(bytes);
    } else {
        const QImage image = loadPicture(bytes);
        if (image.isNull())
            return p;
        std::optional<Bytes> jpeg = EncodeJpeg(image);
        if (!jpeg)
            return p;
        p.kind = PictureKind::Jpeg;
        p.data = std::move(*jpeg);
    }
    p.action = PreparedPicture::Action::Write;
    return p;
}

std::optional<Bytes> PictureFrameContent(PictureKind kind, ByteView data, const QString& description, int version)
{
    std::string_view mime;
    std::string_view format;
    switch (kind) {
    case PictureKind::Jpeg: mime = "image/jpeg"; format = "JPG"; break;
    case PictureKind::Png: mime = "image/png"; format = "PNG"; break;
    case PictureKind::Bitmap: mime = "image/bmp"; format = "BMP"; break;
    case PictureKind::Flash: mime = "image/swf"; format = "SWF"; break;
    default: return std::nullopt;
    }
    Bytes out{0};
    if (version == 2) {
        out.insert(out.end(), format.begin(), format.end());
    } else {
        out.insert(out.end(), mime.begin(), mime.end());
        out.push_back(0);
    }
    out.push_back(0); // picture type
    const std::string text = CodePage::fromUnicode(description, '?');
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

namespace {

// libjpeg reports errors by longjmp, so the work with it keeps no C++ object alive
// across the jump: pixels and output live in malloc'd memory reached through a struct.
struct RawPixels {
    unsigned char* data = nullptr;
    unsigned width = 0, height = 0;
};

bool decodeRaw(const std::uint8_t* bytes, std::size_t length, RawPixels* out)
{
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = jpegErrorExit;
    error.mgr.emit_message = jpegSilence;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(out->data);
        out->data = nullptr;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(length));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width == 0 || info.image_height == 0 ||
        std::uint64_t(info.image_width) * info.image_height > limits::kMaxPicturePixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->width = info.output_width;
    out->height = info.output_height;
    out->data = static_cast<unsigned char*>(std::malloc(std::size_t(out->width) * out->height * 3));
    if (!out->data) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->data + std::size_t(info.output_scanline) * out->width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

struct RawJpeg {
    unsigned char* data = nullptr;
    unsigned long size = 0;
};

bool encodeRaw(const unsigned char* rgb, unsigned width, unsigned height, std::size_t stride, int quality,
               RawJpeg* out)
{
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = jpegErrorExit;
    error.mgr.emit_message = jpegSilence;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(out->data);
        out->data = nullptr;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out->data, &out->size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + std::size_t(info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QImage DecodeJpeg(ByteView data)
{
    if (data.empty() || data.size() > limits::kMaxPictureFileBytes)
        return {};
    RawPixels raw;
    if (!decodeRaw(data.data(), data.size(), &raw))
        return {};
    QImage image(int(raw.width), int(raw.height), QImage::Format_RGB888);
    if (!image.isNull())
        for (unsigned y = 0; y < raw.height; ++y)
            std::memcpy(image.scanLine(int(y)), raw.data + std::size_t(y) * raw.width * 3, std::size_t(raw.width) * 3);
    std::free(raw.data);
    return image;
}

std::optional<Bytes> EncodeJpeg(const QImage& source, int quality)
{
    if (source.isNull())
        return std::nullopt;
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    RawJpeg raw;
    if (!encodeRaw(image.constBits(), unsigned(image.width()), unsigned(image.height()),
                   std::size_t(image.bytesPerLine()), quality, &raw))
        return std::nullopt;
    Bytes result(raw.data, raw.data + raw.size);
    std::free(raw.data);
    return result;
}

QByteArray MakeListThumbnail(const QString& pictureFile)
{
    const QString suffix = QFileInfo(pictureFile).suffix().toLower();
    if (suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg") && suffix != QLatin1String("png"))
        return {};
    Bytes bytes;
    if (!readWholeFile(pictureFile, bytes))
        return {};
    const QImage image = loadPicture(bytes);
    if (image.isNull())
        return {};
    std::optional<Bytes> jpeg =
        EncodeJpeg(image.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (!jpeg)
        return {};
    return QByteArray(reinterpret_cast<const char*>(jpeg->data()), qsizetype(jpeg->size()));
}

} // namespace quillory
