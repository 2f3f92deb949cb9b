#include "support/RiffBuilder.h"

#include <QFile>

namespace quillory::test {

void appendU16LE(Bytes& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t(v >> 8));
}

void appendU32LE(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t((v >> (8 * i)) & 0xFF));
}

void appendId(Bytes& out, std::string_view id)
{
    for (char c : id)
        out.push_back(std::uint8_t(c));
}

void appendBytes(Bytes& out, ByteView bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

Bytes riffChunk(std::string_view id, ByteView data, std::optional<std::uint32_t> declaredSize, bool pad)
{
    Bytes out;
    appendId(out, id);
    appendU32LE(out, declaredSize.value_or(std::uint32_t(data.size())));
    appendBytes(out, data);
    if (pad && (data.size() & 1))
        out.push_back(0);
    return out;
}

Bytes pcmFormat(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t formatTag)
{
    Bytes out;
    const std::uint16_t blockAlign = std::uint16_t(channels * ((bits + 7) / 8));
    appendU16LE(out, formatTag);
    appendU16LE(out, channels);
    appendU32LE(out, sampleRate);
    appendU32LE(out, sampleRate * blockAlign);
    appendU16LE(out, blockAlign);
    appendU16LE(out, bits);
    return out;
}

// ---- InfoListBuilder ----

InfoListBuilder& InfoListBuilder::entry(std::string_view id, std::string_view text)
{
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    appendBytes(entries_, riffChunk(id, data));
    return *this;
}

InfoListBuilder& InfoListBuilder::raw(ByteView bytes)
{
    appendBytes(entries_, bytes);
    return *this;
}

InfoListBuilder& InfoListBuilder::iid3(ByteView v1Block)
{
    appendBytes(entries_, riffChunk("IID3", v1Block));
    return *this;
}

InfoListBuilder& InfoListBuilder::listType(std::string_view type)
{
    type_ = std::string(type);
    return *this;
}

InfoListBuilder& InfoListBuilder::declaredSize(std::uint32_t size)
{
    declaredSize_ = size;
    return *this;
}

Bytes InfoListBuilder::build() const
{
    Bytes out;
    appendId(out, "LIST");
    appendU32LE(out, declaredSize_.value_or(std::uint32_t(4 + entries_.size())));
    appendId(out, type_);
    appendBytes(out, entries_);
    return out;
}

// ---- RiffBuilder ----

RiffBuilder::RiffBuilder(std::string_view form) : form_(form) {}

RiffBuilder& RiffBuilder::chunk(std::string_view id, ByteView data)
{
    appendBytes(body_, riffChunk(id, data));
    return *this;
}

RiffBuilder& RiffBuilder::chunkBytes(ByteView wholeChunk)
{
    appendBytes(body_, wholeChunk);
    return *this;
}

RiffBuilder& RiffBuilder::format(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits)
{
    return chunk("fmt ", pcmFormat(channels, sampleRate, bits));
}

RiffBuilder& RiffBuilder::data(ByteView audio)
{
    return chunk("data", audio);
}

RiffBuilder& RiffBuilder::list(const InfoListBuilder& info)
{
    appendBytes(body_, info.build());
    return *this;
}

RiffBuilder& RiffBuilder::trailing(ByteView bytes)
{
    appendBytes(trailing_, bytes);
    return *this;
}

RiffBuilder& RiffBuilder::declaredSize(std::uint32_t size)
{
    declaredSize_ = size;
    return *this;
}

Bytes RiffBuilder::build() const
{
    Bytes out;
    appendId(out, "RIFF");
    appendU32LE(out, declaredSize_.value_or(std::uint32_t(4 + body_.size())));
    appendId(out, form_);
    appendBytes(out, body_);
    appendBytes(out, trailing_);
    return out;
}

Bytes simpleWave(std::uint16_t channels, std::uint32_t sampleRate, std::uint16_t bits, std::size_t dataBytes)
{
    return RiffBuilder("WAVE").format(channels, sampleRate, bits).data(Bytes(dataBytes, 0)).build();
}

Bytes riffMp3(ByteView mpegAudio, InfoListBuilder info, ByteView v1Block, bool v1Inside)
{
    RiffBuilder b("RMP3");
    b.data(mpegAudio); // pads an odd length, as 20 + n odd needs
    const bool hasV1 = v1Block.size() == 128;
    if (hasV1 && v1Inside)
        info.iid3(v1Block);
    b.list(info);
    if (hasV1 && !v1Inside)
        b.trailing(v1Block);
    return b.build();
}

// ---- ScratchFolder ----

ScratchFolder::ScratchFolder() = default;

QString ScratchFolder::path(const QString& name) const
{
    return dir_.filePath(name);
}

QString ScratchFolder::write(const QString& name, ByteView bytes)
{
    const QString p = path(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    if (f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
        return {};
    return p;
}

} // namespace quillory::test
