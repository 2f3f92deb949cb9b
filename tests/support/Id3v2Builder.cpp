#include "support/Id3v2Builder.h"

#include "platform/CodePage.h"

#include <stdexcept>
#include <zlib.h>

namespace quillory::test {
namespace {

void append(Bytes& out, ByteView part) { out.insert(out.end(), part.begin(), part.end()); }

void appendBE32(Bytes& out, std::uint32_t v)
{
    std::uint8_t b[4];
    writeU32BE(b, v);
    append(out, b);
}

void appendSyncsafe(Bytes& out, std::uint32_t v)
{
    std::uint8_t b[4];
    writeSynchsafe32(b, v);
    append(out, b);
}

} // namespace

Bytes bytes(std::initializer_list<int> values)
{
    Bytes out;
    out.reserve(values.size());
    for (int v : values)
        out.push_back(std::uint8_t(v));
    return out;
}

Bytes bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<ByteView> parts)
{
    Bytes out;
    for (ByteView p : parts)
        append(out, p);
    return out;
}

Bytes encodeText(int encoding, QStringView text, Utf16Order order)
{
    Bytes out;
    switch (encoding) {
    case 0: {
        const std::string sjis = CodePage::fromUnicode(text, '?');
        return Bytes(sjis.begin(), sjis.end());
    }
    case 1:
    case 2: {
        const bool big = encoding == 2 || order == Utf16Order::Big;
        auto unit = [&](char16_t u) {
            if (big) {
                out.push_back(std::uint8_t(u >> 8));
                out.push_back(std::uint8_t(u & 0xFF));
            } else {
                out.push_back(std::uint8_t(u & 0xFF));
                out.push_back(std::uint8_t(u >> 8));
            }
        };
        if (encoding == 1)
            unit(u'\uFEFF');
        for (QChar c : text)
            unit(c.unicode());
        return out;
    }
    case 3: {
        const QByteArray utf8 = text.toUtf8();
        return Bytes(utf8.begin(), utf8.end());
    }
    default:
        throw std::invalid_argument("encodeText: encoding 0-3");
    }
}

Bytes terminator(int encoding) { return Bytes(encoding == 1 || encoding == 2 ? 2 : 1, 0); }

Bytes textContent(int encoding, QStringView text, Utf16Order order, bool terminated)
{
    Bytes out{std::uint8_t(encoding)};
    append(out, encodeText(encoding, text, order));
    if (terminated)
        append(out, terminator(encoding));
    return out;
}

Bytes commentContent(int encoding, std::string_view language, QStringView description, QStringView text,
                     Utf16Order order)
{
    Bytes out{std::uint8_t(encoding)};
    append(out, viewOf(language.substr(0, 3)));
    for (std::size_t i = language.size(); i < 3; ++i)
        out.push_back(' ');
    append(out, encodeText(encoding, description, order));
    append(out, terminator(encoding));
    append(out, encodeText(encoding, text, order));
    append(out, terminator(encoding));
    return out;
}

Bytes urlContent(int encoding, QStringView description, std::string_view url, Utf16Order order)
{
    Bytes out{std::uint8_t(encoding)};
    append(out, encodeText(encoding, description, order));
    append(out, terminator(encoding));
    append(out, viewOf(url));
    return out;
}

Bytes pictureContent(int encoding, std::string_view mimeOrFormat, std::uint8_t pictureType,
                     QStringView description, ByteView data, bool threeLetterFormat, Utf16Order order)
{
    Bytes out{std::uint8_t(encoding)};
    if (threeLetterFormat) {
        std::string format(mimeOrFormat.substr(0, 3));
        format.resize(3, ' ');
        append(out, viewOf(format));
    } else {
        append(out, viewOf(mimeOrFormat));
        out.push_back(0);
    }
    out.push_back(pictureType);
    append(out, encodeText(encoding, description, order));
    append(out, terminator(encoding));
    append(out, data);
    return out;
}

Bytes zlibCompress(ByteView data)
{
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), 9) != Z_OK)
        throw std::runtime_error("zlibCompress failed");
    out.resize(size);
    return out;
}

Bytes unsynchronise(ByteView data)
{
    Bytes out;
    out.reserve(data.size() + data.size() / 8);
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < data.size() && (data[i + 1] == 0 || data[i + 1] >= 0xE0))
            out.push_back(0);
    }
    return out;
}

Id3v2Builder::Id3v2Builder(int version) : version_(version)
{
    if (version < 2 || version > 4)
        throw std::invalid_argument("Id3v2Builder: version 2-4");
}

Id3v2Builder& Id3v2Builder::headerFlags(std::uint8_t flags)
{
    flags_ |= flags;
    return *this;
}

Id3v2Builder& Id3v2Builder::extendedHeader(std::uint32_t v3Padding)
{
    Bytes ext;
    if (version_ == 3) {
        // Size 10: flags with the CRC bit, padding size, CRC (left zero).
        appendBE32(ext, 10);
        append(ext, bytes({0x80, 0x00}));
        appendBE32(ext, v3Padding);
        appendBE32(ext, 0);
    } else {
        appendSyncsafe(ext, 6);
        append(ext, bytes({0x01, 0x00}));
    }
    return rawExtendedHeader(std::move(ext));
}

Id3v2Builder& Id3v2Builder::rawExtendedHeader(Bytes bytes)
{
    extended_ = std::move(bytes);
    flags_ |= 0x40;
    return *this;
}

Id3v2Builder& Id3v2Builder::frame(std::string_view id, ByteView content, const FrameOptions& options)
{
    pieces_.push_back({std::string(id), Bytes(content.begin(), content.end()), options});
    return *this;
}

Id3v2Builder& Id3v2Builder::text(std::string_view id, int encoding, QStringView text, Utf16Order order)
{
    return frame(id, textContent(encoding, text, order));
}

Id3v2Builder& Id3v2Builder::comment(std::string_view id, int encoding, std::string_view language,
                                    QStringView description, QStringView text, Utf16Order order)
{
    return frame(id, commentContent(encoding, language, description, text, order));
}

Id3v2Builder& Id3v2Builder::url(int encoding, QStringView description, std::string_view url, Utf16Order order)
{
    return frame(version_ == 2 ? "WXX" : "WXXX", urlContent(encoding, description, url, order));
}

Id3v2Builder& Id3v2Builder::picture(int encoding, std::string_view mime, std::uint8_t pictureType,
                                    QStringView description, ByteView data, Utf16Order order)
{
    const bool v22 = version_ == 2;
    return frame(v22 ? "PIC" : "APIC", pictureContent(encoding, mime, pictureType, description, data, v22, order));
}

Id3v2Builder& Id3v2Builder::raw(ByteView bytes)
{
    pieces_.push_back({std::string(), Bytes(bytes.begin(), bytes.end()), {}});
    return *this;
}

Id3v2Builder& Id3v2Builder::padding(std::size_t count)
{
    padding_ += count;
    return *this;
}

Id3v2Builder& Id3v2Builder::unsynchronised(bool on)
{
    unsync_ = on;
    return *this;
}

Id3v2Builder& Id3v2Builder::declaredSize(std::uint32_t size)
{
    declaredSize_ = size;
    return *this;
}

Bytes Id3v2Builder::renderFrame(const Piece& piece) const
{
    if (piece.id.empty())
        return piece.content;
    const FrameOptions& o = piece.options;
    std::uint16_t flags = o.flags;
    Bytes payload;
    Bytes data = o.compress ? zlibCompress(piece.content) : piece.content;
    const std::uint32_t originalSize = o.claimedSize.value_or(std::uint32_t(piece.content.size()));
    if (version_ == 3) {
        if (o.compress) {
            flags |= 0x0080;
            appendBE32(payload, originalSize);
        }
        if (o.group) {
            flags |= 0x0020;
            payload.push_back(*o.group);
        }
    } else if (version_ == 4) {
        if (o.group) {
            flags |= 0x0040;
            payload.push_back(*o.group);
        }
        if (o.compress)
            flags |= 0x0008;
        if (o.compress || o.dataLength) {
            flags |= 0x0001;
            appendSyncsafe(payload, originalSize);
        }
        if (o.unsync || unsync_) {
            flags |= 0x0002;
            data = unsynchronise(data);
        }
    }
    append(payload, data);

    Bytes out(piece.id.begin(), piece.id.end());
    const std::uint32_t size = o.sizeField.value_or(std::uint32_t(payload.size()));
    if (version_ == 2) {
        out.push_back(std::uint8_t(size >> 16));
        out.push_back(std::uint8_t(size >> 8));
        out.push_back(std::uint8_t(size));
    } else {
        if (version_ == 4)
            appendSyncsafe(out, size);
        else
            appendBE32(out, size);
        out.push_back(std::uint8_t(flags >> 8));
        out.push_back(std::uint8_t(flags & 0xFF));
    }
    append(out, payload);
    return out;
}

Bytes Id3v2Builder::body() const
{
    Bytes out;
    for (const Piece& p : pieces_)
        append(out, renderFrame(p));
    out.resize(out.size() + padding_, 0);
    if (unsync_ && version_ < 4)
        out = unsynchronise(out);
    return out;
}

Bytes Id3v2Builder::build() const
{
    const Bytes frames = body();
    const Bytes ext = extended_.value_or(Bytes());
    Bytes out = bytes("ID3");
    out.push_back(std::uint8_t(version_));
    out.push_back(0);
    out.push_back(std::uint8_t(flags_ | (unsync_ ? 0x80 : 0)));
    appendSyncsafe(out, declaredSize_.value_or(std::uint32_t(ext.size() + frames.size())));
    append(out, ext);
    append(out, frames);
    return out;
}

} // namespace quillory::test
