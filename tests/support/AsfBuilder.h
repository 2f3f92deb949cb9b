#pragma once
// Byte fixtures for ASF (WMA) files: the Header Object with any children, File and
// Stream Properties, Content Description, Extended Content Description, the Header
// Extension with Metadata and Metadata Library records, the Data Object and the
// objects after it, and sizes and counts that lie on purpose.
//
//   Bytes file = AsfFileBuilder::standard()
//                    .child(contentDescription({u"Title", u"Author"}))
//                    .child(extendedContent({stringRecord(u"WM/AlbumTitle", u"Album")}))
//                    .build();
//
// Everything is laid out here by hand from the format's tables, never with the
// editor under test.
#include "platform/Bytes.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillory::test {

// The 16 bytes of a GUID written in canonical text form (parsed here independently).
Bytes asfGuid(std::string_view canonical);

// Little-endian UTF-16 with a terminating zero.
Bytes utf16z(QStringView text);
Bytes le16(std::uint16_t v);
Bytes le32(std::uint32_t v);
Bytes le64(std::uint64_t v);

// Type numbers as the file stores them.
enum AsfStored : std::uint16_t { kAsfString = 0, kAsfBinary = 1, kAsfBool = 2, kAsfDword = 3, kAsfQword = 4,
                                 kAsfWord = 5, kAsfGuid = 6 };

struct AsfRecord {
    QString name;
    std::uint16_t type = kAsfString;
    Bytes value;
    std::uint16_t stream = 0;
    std::uint16_t language = 0;
};
AsfRecord stringRecord(QStringView name, QStringView text);
AsfRecord dwordRecord(QStringView name, std::uint32_t v);
AsfRecord qwordRecord(QStringView name, std::uint64_t v);
AsfRecord wordRecord(QStringView name, std::uint16_t v);
// width: 4 in Extended Content Description, 2 in the Metadata objects.
AsfRecord boolRecord(QStringView name, bool v, int width = 4);
AsfRecord binaryRecord(QStringView name, ByteView v);

// The WM/Picture value: type, data length (claimedLength replaces it), MIME type,
// description, data.
Bytes pictureValue(QStringView mime, QStringView description, ByteView data, std::uint8_t type = 3,
                   std::optional<std::uint32_t> claimedLength = {});
// The WM/UserWebURL binary value: description and address, both zero-terminated.
Bytes webLinkValue(QStringView description, QStringView url);

// Any object: GUID, size (declaredSize replaces the real one), body.
Bytes asfObject(std::string_view guid, ByteView body, std::optional<std::uint64_t> declaredSize = {});

struct AsfFileProps {
    std::uint64_t fileSize = 0; // 0: the builder puts the file's real size
    std::uint64_t playDuration = 30'000'000;
    std::uint64_t preroll = 0; // ms
    std::uint32_t flags = 2;   // seekable
    std::uint32_t maxBitrate = 128000;
    std::uint64_t packets = 1;
};
Bytes filePropertiesObject(const AsfFileProps& p);
// Stream Properties of an audio stream with a WAVEFORMATEX (WMA v2 format tag).
Bytes audioStreamObject(std::uint16_t stream, std::uint32_t sampleRate, std::uint16_t channels,
                        std::uint32_t avgBytesPerSecond);
Bytes streamBitrateObject(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& bitrates);
// A field left out (nullopt) has length 0; a given text is stored with its terminator.
Bytes contentDescription(std::optional<QString> title, std::optional<QString> author = {},
                         std::optional<QString> copyright = {}, std::optional<QString> description = {},
                         std::optional<QString> rating = {});
// declaredCount replaces the record count.
Bytes extendedContent(const std::vector<AsfRecord>& records, std::optional<std::uint16_t> declaredCount = {});
Bytes metadataObject(const std::vector<AsfRecord>& records);
Bytes metadataLibraryObject(const std::vector<AsfRecord>& records);
Bytes headerExtension(const std::vector<Bytes>& children);
Bytes paddingObject(std::size_t bytes);

// A whole file: Header Object (children in the order added), Data Object, and the
// bytes after it (index objects, an ID3v1 block).
class AsfFileBuilder {
public:
    // File Properties, one audio stream (44.1 kHz stereo, 16000 B/s) and a Stream
    // Bitrate Properties object of 128000.
    static AsfFileBuilder standard();

    AsfFileBuilder& fileProperties(const AsfFileProps& p);
    AsfFileBuilder& child(ByteView object);
    AsfFileBuilder& packets(ByteView payload); // the Data Object's packet bytes
    AsfFileBuilder& trailing(ByteView bytes);
    AsfFileBuilder& declaredHeaderSize(std::uint64_t size);
    AsfFileBuilder& declaredObjectCount(std::uint32_t count);

    Bytes header() const; // the Header Object alone
    Bytes build() const;

private:
    Bytes headerFor(std::uint64_t fileSize) const;
    std::optional<AsfFileProps> props_;
    std::vector<Bytes> children_;
    Bytes packets_ = Bytes(64, 0x5A);
    Bytes trailing_;
    std::optional<std::uint64_t> declaredSize_;
    std::optional<std::uint32_t> declaredCount_;
};

// A simple index object (for what follows the Data Object).
Bytes simpleIndexObject(std::uint32_t entries);

} // namespace quillory::test
