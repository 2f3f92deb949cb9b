#pragma once
// Byte buffers and named big/little-endian readers. Parsers take views of
// bytes already in memory; only the loader and the writer touch files.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quillory {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline ByteView viewOf(std::string_view s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// All readers assume the caller checked that enough bytes remain.
inline std::uint16_t readU16LE(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint16_t readU16BE(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }
inline std::uint32_t readU24BE(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
}
inline std::uint32_t readU32LE(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint32_t readU32BE(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}
inline std::uint64_t readU64LE(const std::uint8_t* p)
{
    return std::uint64_t(readU32LE(p)) | (std::uint64_t(readU32LE(p + 4)) << 32);
}
// ID3v2 syncsafe number: four 7-bit groups, most significant first. The bytes are
// added shifted without masking, as every ID3 reader of this program does.
inline std::uint32_t readSynchsafe32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 21) + (std::uint32_t(p[1]) << 14) + (std::uint32_t(p[2]) << 7) +
           std::uint32_t(p[3]);
}

inline void writeU16LE(std::uint8_t* p, std::uint16_t v) { p[0] = v & 0xFF; p[1] = v >> 8; }
inline void writeU32LE(std::uint8_t* p, std::uint32_t v)
{
    p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; p[2] = (v >> 16) & 0xFF; p[3] = (v >> 24) & 0xFF;
}
inline void writeU32BE(std::uint8_t* p, std::uint32_t v)
{
    p[0] = (v >> 24) & 0xFF; p[1] = (v >> 16) & 0xFF; p[2] = (v >> 8) & 0xFF; p[3] = v & 0xFF;
}
inline void writeU64LE(std::uint8_t* p, std::uint64_t v)
{
    writeU32LE(p, std::uint32_t(v)); writeU32LE(p + 4, std::uint32_t(v >> 32));
}
inline void writeSynchsafe32(std::uint8_t* p, std::uint32_t n)
{
    p[0] = (n >> 21) & 0x7F; p[1] = (n >> 14) & 0x7F; p[2] = (n >> 7) & 0x7F; p[3] = n & 0x7F;
}

inline bool startsWith(ByteView b, std::string_view s)
{
    return b.size() >= s.size() && std::equal(s.begin(), s.end(), b.begin(),
                                              [](char c, std::uint8_t u) { return std::uint8_t(c) == u; });
}

} // namespace quillory
