#include "media/wma/AsfGuid.h"

#include "support/AsfBuilder.h"

#include <gtest/gtest.h>

#include <set>

namespace quillory::asf {
namespace {

// The Header Object's identifier as every ASF file begins with it.
constexpr std::uint8_t kHeaderBytes[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

TEST(AsfGuid, CanonicalTextGivesTheBytesOfTheFile)
{
    Guid g = Guid::parse("75B22630-668E-11CF-A6D9-00AA0062CE6C");
    EXPECT_EQ(g, Guid::fromBytes(kHeaderBytes));
    EXPECT_EQ(g, guids::kHeader);
}

TEST(AsfGuid, ToStringIsTheCanonicalUpperCaseForm)
{
    EXPECT_EQ(Guid::fromBytes(kHeaderBytes).toString(), QStringLiteral("75B22630-668E-11CF-A6D9-00AA0062CE6C"));
    EXPECT_EQ(Guid::parse("{8cabdca1-a947-11cf-8ee4-00c00c205365}").toString(),
              QStringLiteral("8CABDCA1-A947-11CF-8EE4-00C00C205365"));
}

TEST(AsfGuid, RejectsMalformedText)
{
    for (const char* bad : {"", "75B22630-668E-11CF-A6D9-00AA0062CE6", "75B22630x668E-11CF-A6D9-00AA0062CE6C",
                            "75B22630-668E-11CF-A6D9-00AA0062CE6G", "{75B22630-668E-11CF-A6D9-00AA0062CE6C"})
        EXPECT_FALSE(Guid::tryParse(bad).has_value()) << bad;
}

// Every identifier the editor knows, checked against the fixture builder's own
// independent GUID layout, and none of them equal to another.
TEST(AsfGuid, KnownObjectsMatchTheirCanonicalText)
{
    struct Known {
        Guid guid;
        const char* text;
    };
    const Known known[] = {
        {guids::kHeader, "75B22630-668E-11CF-A6D9-00AA0062CE6C"},
        {guids::kData, "75B22636-668E-11CF-A6D9-00AA0062CE6C"},
        {guids::kSimpleIndex, "33000890-E5B1-11CF-89F4-00A0C90349CB"},
        {guids::kIndex, "D6E229D3-35DA-11D1-9034-00A0C90349BE"},
        {guids::kFileProperties, "8CABDCA1-A947-11CF-8EE4-00C00C205365"},
        {guids::kStreamProperties, "B7DC0791-A9B7-11CF-8EE6-00C00C205365"},
        {guids::kStreamBitrateProperties, "7BF875CE-468D-11D1-8D82-006097C9A2B2"},
        {guids::kHeaderExtension, "5FBF03B5-A92E-11CF-8EE3-00C00C205365"},
        {guids::kHeaderExtensionReserved, "ABD3D211-A9BA-11CF-8EE6-00C00C205365"},
        {guids::kCodecList, "86D15240-311D-11D0-A3A4-00A0C90348F6"},
        {guids::kContentDescription, "75B22633-668E-11CF-A6D9-00AA0062CE6C"},
        {guids::kExtendedContentDescription, "D2D0A440-E307-11D2-97F0-00A0C95EA850"},
        {guids::kMetadata, "C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA"},
        {guids::kMetadataLibrary, "44231C94-9498-49D1-A141-1D134E457054"},
        {guids::kPadding, "1806D474-CADF-4509-A4BA-9AABCB96AAE8"},
        {guids::kAudioMedia, "F8699E40-5B4D-11CF-A8FD-00805F5C442B"},
    };
    std::set<QString> seen;
    for (const Known& k : known) {
        Bytes expected = test::asfGuid(k.text);
        EXPECT_EQ(Bytes(k.guid.bytes.begin(), k.guid.bytes.end()), expected) << k.text;
        EXPECT_EQ(k.guid.toString(), QString::fromLatin1(k.text));
        EXPECT_TRUE(seen.insert(k.guid.toString()).second) << k.text;
    }
}

} // namespace
} // namespace quillory::asf
