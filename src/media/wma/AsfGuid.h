#pragma once
// ASF object identifiers. They are written here in their canonical text form
// ("75B22630-668E-11CF-A6D9-00AA0062CE6C") and turned into the 16 bytes the file
// holds at compile time: the first three groups are stored little-endian, the
// last two in the order written.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace quillory::asf {

struct Guid {
    std::array<std::uint8_t, 16> bytes{};

    static constexpr std::optional<Guid> tryParse(std::string_view text);
    // For literals: a malformed text stops the compilation.
    static constexpr Guid parse(std::string_view text)
    {
        auto g = tryParse(text);
        if (!g)
            throw std::invalid_argument("malformed GUID text");
        return *g;
    }
    // The caller checked that 16 bytes are there.
    static Guid fromBytes(const std::uint8_t* p)
    {
        Guid g;
        for (int i = 0; i < 16; ++i)
            g.bytes[std::size_t(i)] = p[i];
        return g;
    }
    // Canonical upper-case text form.
    QString toString() const;

    friend constexpr bool operator==(const Guid&, const Guid&) = default;

private:
    static constexpr int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
};

constexpr std::optional<Guid> Guid::tryParse(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    // Byte positions in the file for the 16 hex pairs in reading order.
    constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Guid g;
    int pair = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '-') {
            ++i;
            continue;
        }
        int hi = hexValue(text[i]);
        int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        g.bytes[std::size_t(order[pair++])] = std::uint8_t(hi * 16 + lo);
        i += 2;
    }
    return g;
}

// The objects this editor knows by name; every other object is kept as it was read.
namespace guids {
inline constexpr Guid kHeader = Guid::parse("75B22630-668E-11CF-A6D9-00AA0062CE6C");
inline constexpr Guid kData = Guid::parse("75B22636-668E-11CF-A6D9-00AA0062CE6C");
inline constexpr Guid kSimpleIndex = Guid::parse("33000890-E5B1-11CF-89F4-00A0C90349CB");
inline constexpr Guid kIndex = Guid::parse("D6E229D3-35DA-11D1-9034-00A0C90349BE");
inline constexpr Guid kFileProperties = Guid::parse("8CABDCA1-A947-11CF-8EE4-00C00C205365");
inline constexpr Guid kStreamProperties = Guid::parse("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
inline constexpr Guid kStreamBitrateProperties = Guid::parse("7BF875CE-468D-11D1-8D82-006097C9A2B2");
inline constexpr Guid kHeaderExtension = Guid::parse("5FBF03B5-A92E-11CF-8EE3-00C00C205365");
inline constexpr Guid kHeaderExtensionReserved = Guid::parse("ABD3D211-A9BA-11CF-8EE6-00C00C205365");
inline constexpr Guid kCodecList = Guid::parse("86D15240-311D-11D0-A3A4-00A0C90348F6");
inline constexpr Guid kContentDescription = Guid::parse("75B22633-668E-11CF-A6D9-00AA0062CE6C");
inline constexpr Guid kExtendedContentDescription = Guid::parse("D2D0A440-E307-11D2-97F0-00A0C95EA850");
inline constexpr Guid kMetadata = Guid::parse("C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA");
inline constexpr Guid kMetadataLibrary = Guid::parse("44231C94-9498-49D1-A141-1D134E457054");
inline constexpr Guid kPadding = Guid::parse("1806D474-CADF-4509-A4BA-9AABCB96AAE8");
inline constexpr Guid kAudioMedia = Guid::parse("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
} // namespace guids

} // namespace quillory::asf
