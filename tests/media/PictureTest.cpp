#include "media/Picture.h"

#include "support/Id3v2Builder.h"
#include "support/RiffBuilder.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace quillory {
namespace {

using test::bytes;
using test::concat;
using test::Id3v2Builder;
using test::pictureContent;
using test::ScratchFolder;
using test::Utf16Order;

const Bytes kJpegStart = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'});

Bytes encodedPicture(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return EncodeJpeg(image).value_or(Bytes());
}

Bytes frameOf(std::string_view id, const Bytes& content, int version)
{
    const Bytes tag = Id3v2Builder(version).frame(id, content).build();
    return Bytes(tag.begin() + 10, tag.end());
}

struct KindCase {
    const char* name;
    Bytes bytes;
    PictureKind kind;
};

class DetectPictureKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(DetectPictureKindTest, ByFirstBytes) { EXPECT_EQ(DetectPictureKind(GetParam().bytes), GetParam().kind); }

INSTANTIATE_TEST_SUITE_P(Signatures, DetectPictureKindTest,
                         ::testing::Values(KindCase{"Bitmap", bytes("BM\x36\0"), PictureKind::Bitmap},
                                           KindCase{"Jpeg", bytes({0xFF, 0xD8, 0xFF, 0xDB}), PictureKind::Jpeg},
                                           KindCase{"Png", bytes({0x89, 'P', 'N', 'G', 13, 10}), PictureKind::Png},
                                           KindCase{"Flash", bytes({'F', 'W', 'S', 9}), PictureKind::Flash},
                                           KindCase{"CompressedFlash", bytes({'C', 'W', 'S', 10}), PictureKind::Flash},
                                           KindCase{"AlmostJpeg", bytes({0xFF, 0xD8, 0xFE}), PictureKind::Unknown},
                                           KindCase{"Cut", bytes({0x89, 'P', 'N'}), PictureKind::Unknown},
                                           KindCase{"Empty", Bytes{}, PictureKind::Unknown}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LocateCase {
    const char* name;
    int version;
    Bytes content; // frame content, encoding byte first
    std::size_t dataInContent;
    QString description;
};

class LocatePictureDataTest : public ::testing::TestWithParam<LocateCase> {};

TEST_P(LocatePictureDataTest, FindsDataAndDescription)
{
    const LocateCase& c = GetParam();
    const Bytes frame = frameOf(c.version == 2 ? "PIC" : "APIC", c.content, c.version);
    const LocatedPicture found = LocatePictureData(frame, c.version);
    EXPECT_EQ(found.offset, (c.version == 2 ? 6 : 10) + c.dataInContent);
    EXPECT_EQ(found.kind, PictureKind::Jpeg);
    EXPECT_EQ(found.description, c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, LocatePictureDataTest,
    ::testing::Values(
        LocateCase{"JpegWithFrontDescription", 3, pictureContent(0, "image/jpeg", 3, u"Front", kJpegStart), 1 + 11 + 1 + 6,
                   QStringLiteral("Front")},
        LocateCase{"MimeNotInTheList", 3, pictureContent(0, "image/jpg", 3, u"", kJpegStart), 1 + 10 + 1 + 1, QString()},
        LocateCase{"DescriptionThatLooksLikeABitmap", 3, pictureContent(0, "image/jpeg", 3, u"BMW", kJpegStart),
                   1 + 11 + 1 + 4, QStringLiteral("BMW")},
        LocateCase{"Utf16Description", 4, pictureContent(1, "image/jpeg", 0, u"表紙", kJpegStart, false, Utf16Order::Little),
                   1 + 11 + 1 + 2 + 4 + 2, QStringLiteral("表紙")},
        LocateCase{"Version22Format", 2, pictureContent(0, "JPG", 3, u"", kJpegStart, true), 1 + 3 + 1 + 1, QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Picture, LocateGivesNothingForAFrameWithoutPicture)
{
    const Bytes frame = frameOf("APIC", pictureContent(0, "image/jpeg", 3, u"", bytes({0xFF, 0xFB, 0x90, 0})), 3);
    EXPECT_EQ(LocatePictureData(frame, 3).offset, 0u);
    EXPECT_EQ(LocatePictureData(bytes("APIC"), 3).offset, 0u);
}

TEST(Picture, FirstPictureDataGivesTheBytesAfterTheFields)
{
    const Bytes data = concat({kJpegStart, Bytes(300, 0x5A)});
    const Bytes tag = Id3v2Builder(3)
                          .text("TIT2", 0, u"t")
                          .picture(1, "image/jpeg", 3, u"cover", data)
                          .picture(0, "image/png", 4, u"", bytes({0x89, 'P', 'N', 'G'}))
                          .build();
    EXPECT_EQ(FirstPictureData(tag, 3), data);
    EXPECT_FALSE(FirstPictureData(Id3v2Builder(3).text("TIT2", 0, u"t").build(), 3));
}

TEST(Picture, FrameContentOfEachVersionReadsBack)
{
    const Bytes data = concat({kJpegStart, Bytes(50, 1)});
    for (int version : {2, 3, 4}) {
        const std::optional<Bytes> content =
            PictureFrameContent(PictureKind::Jpeg, data, QStringLiteral("表紙"), version);
        ASSERT_TRUE(content);
        EXPECT_EQ((*content)[0], 0);
        const Bytes tag = Id3v2Builder(version).frame(version == 2 ? "PIC" : "APIC", *content).build();
        EXPECT_EQ(FirstPictureData(tag, version), data) << version;
        const LocatedPicture loc = LocatePictureData(frameOf(version == 2 ? "PIC" : "APIC", *content, version), version);
        EXPECT_EQ(loc.description, QStringLiteral("表紙"));
    }
    EXPECT_EQ(*PictureFrameContent(PictureKind::Png, bytes({0x89, 'P', 'N', 'G'}), QString(), 3),
              bytes({0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 0, 0, 0x89, 'P', 'N', 'G'}));
    const Bytes v22 = PictureFrameContent(PictureKind::Png, {}, QString(), 2).value_or(Bytes());
    EXPECT_EQ(v22, bytes({0, 'P', 'N', 'G', 0, 0}));
    EXPECT_FALSE(PictureFrameContent(PictureKind::Unknown, data, QString(), 3));
}

class PreparePictureTest : public ::testing::Test {
protected:
    ScratchFolder dir;
};

TEST_F(PreparePictureTest, StatesGiveWhatIsWritten)
{
    EXPECT_EQ(PreparePictureData(QStringLiteral("削除"), std::nullopt).action, PreparedPicture::Action::Remove);
    EXPECT_EQ(PreparePictureData(QStringLiteral("有り"), std::nullopt).action, PreparedPicture::Action::Nothing);
    EXPECT_EQ(PreparePictureData(QString(), std::nullopt).action, PreparedPicture::Action::Nothing);
    EXPECT_EQ(PreparePictureData(QStringLiteral("info"), std::nullopt).action, PreparedPicture::Action::Nothing);

    const Bytes png = bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 1, 2, 3});
    const PreparedPicture info = PreparePictureData(QStringLiteral("info"), png);
    EXPECT_EQ(info.action, PreparedPicture::Action::Write);
    EXPECT_EQ(info.kind, PictureKind::Png);
    EXPECT_EQ(info.data, png);
}

TEST_F(PreparePictureTest, PictureFilesByExtension)
{
    const Bytes png = bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 9, 9});
    PreparedPicture p = PreparePictureData(dir.write(QStringLiteral("a.png"), png), std::nullopt);
    EXPECT_EQ(p.action, PreparedPicture::Action::Write);
    EXPECT_EQ(p.kind, PictureKind::Png);
    EXPECT_EQ(p.data, png) << "a PNG file is written as it is";

    const Bytes swf = bytes({'F', 'W', 'S', 8, 1, 2});
    p = PreparePictureData(dir.write(QStringLiteral("a.swf"), swf), std::nullopt);
    EXPECT_EQ(p.kind, PictureKind::Flash);
    EXPECT_EQ(p.data, swf);

    const Bytes jpeg = encodedPicture(20, 10, Qt::blue);
    ASSERT_FALSE(jpeg.empty());
    p = PreparePictureData(dir.write(QStringLiteral("cover.jpg"), jpeg), std::nullopt);
    EXPECT_EQ(p.action, PreparedPicture::Action::Write);
    EXPECT_EQ(p.kind, PictureKind::Jpeg);
    EXPECT_EQ(DecodeJpeg(p.data).size(), QSize(20, 10));

    QImage bmp(6, 3, QImage::Format_RGB32);
    bmp.fill(Qt::green);
    ASSERT_TRUE(bmp.save(dir.path(QStringLiteral("b.bmp")), "BMP"));
    p = PreparePictureData(dir.path(QStringLiteral("b.bmp")), std::nullopt);
    EXPECT_EQ(p.kind, PictureKind::Jpeg) << "other pictures are encoded again as JPEG";
    EXPECT_EQ(DecodeJpeg(p.data).size(), QSize(6, 3));

    EXPECT_EQ(PreparePictureData(dir.path(QStringLiteral("gone.jpg")), std::nullopt).action,
              PreparedPicture::Action::Nothing);
    EXPECT_EQ(PreparePictureData(dir.write(QStringLiteral("fake.png"), bytes("not a png")), std::nullopt).action,
              PreparedPicture::Action::Nothing);
    EXPECT_EQ(PreparePictureData(dir.write(QStringLiteral("junk.jpg"), concat({kJpegStart, bytes("junk")})),
                                 std::nullopt)
                  .action,
              PreparedPicture::Action::Nothing);
}

TEST(Picture, JpegRoundTripKeepsSizeAndColour)
{
    const Bytes jpeg = encodedPicture(16, 8, QColor(200, 30, 30));
    ASSERT_EQ(DetectPictureKind(jpeg), PictureKind::Jpeg);
    const QImage back = DecodeJpeg(jpeg);
    ASSERT_EQ(back.size(), QSize(16, 8));
    const QColor c = back.pixelColor(8, 4);
    EXPECT_NEAR(c.red(), 200, 12);
    EXPECT_NEAR(c.green(), 30, 12);
}

TEST(Picture, BrokenJpegDecodesToNothing)
{
    const Bytes jpeg = encodedPicture(64, 64, Qt::red);
    for (std::size_t cut : {std::size_t(2), std::size_t(20), jpeg.size() / 2}) {
        const Bytes part(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(cut));
        const QImage image = DecodeJpeg(part);
        EXPECT_TRUE(image.isNull() || image.size() == QSize(64, 64)) << cut;
    }
    EXPECT_TRUE(DecodeJpeg(bytes({0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0xFF, 0xFF, 0xFF, 0xFF, 3})).isNull());
}

TEST(Picture, ListThumbnailIs32By16)
{
    ScratchFolder dir;
    const QString file = dir.write(QStringLiteral("c.jpg"), encodedPicture(100, 100, Qt::yellow));
    const QByteArray thumb = MakeListThumbnail(file);
    const QImage image = DecodeJpeg(ByteView(reinterpret_cast<const std::uint8_t*>(thumb.constData()),
                                             std::size_t(thumb.size())));
    EXPECT_EQ(image.size(), QSize(32, 16));
    EXPECT_TRUE(MakeListThumbnail(dir.write(QStringLiteral("c.bmp"), bytes("BM"))).isEmpty());
}

} // namespace
} // namespace quillory
