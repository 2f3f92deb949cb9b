#pragma once
// Attached pictures as the writer needs them: recognising picture data, finding it
// inside an APIC/PIC frame, preparing what is to be written for the row's picture
// state ("削除", "info" or a picture file), and the picture frame itself.
#include "platform/Bytes.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace quillory {

enum class PictureKind : int { Unknown = -1, Jpeg = 0, Flash = 1, Png = 2, Bitmap = 4 };

// By the first bytes, tested in this order: "BM", FF D8 FF, 89 "PNG", a Flash movie
// ("FWS", "CWS" or "ZWS" and a version byte).
PictureKind DetectPictureKind(ByteView bytes);

struct LocatedPicture {
    std::size_t offset = 0; // of the picture data inside the frame; 0: not found
    PictureKind kind = PictureKind::Unknown;
    QString description;
};
// frame: the frame's bytes from its id on; version: the tag's major version.
LocatedPicture LocatePictureData(ByteView frame, int version);

// The data of the first picture frame of a tag buffer that begins with the header
// (unsynchronisation undone); nullopt when there is none or it cannot be read.
std::optional<Bytes> FirstPictureData(ByteView tag, int version);

struct PreparedPicture {
    enum class Action { Nothing, Remove, Write };
    Action action = Action::Nothing;
    Bytes data;
    PictureKind kind = PictureKind::Unknown;
};
// What the picture state asks to write: "削除" removes; "info" writes the file's
// present picture again (existing) with the new description; a path writes the file:
// ".swf" and ".png" as they are, other pictures decoded and encoded again as JPEG.
// A file that no longer exists or does not load gives Nothing.
PreparedPicture PreparePictureData(const QString& state, const std::optional<Bytes>& existing);

// Content of an APIC frame (PIC in 2.2), encoding byte first: encoding 0, the MIME
// type ("image/jpeg", "image/png", "image/bmp", "image/swf"; 2.2: "JPG", "PNG", "BMP",
// "SWF"), picture type 0, the description in Shift-JIS, the data. nullopt for data
// of unknown kind.
std::optional<Bytes> PictureFrameContent(PictureKind kind, ByteView data, const QString& description, int version);

// JPEG through libjpeg. DecodeJpeg gives a null image for data that does not decode.
QImage DecodeJpeg(ByteView data);
std::optional<Bytes> EncodeJpeg(const QImage& image, int quality = 90);

// The list thumbnail of a picture file (".jpg", ".jpeg", ".png"): 32 x 16 pixels,
// JPEG-encoded; empty when the file does not load.
QByteArray MakeListThumbnail(const QString& pictureFile);

} // namespace quillory
