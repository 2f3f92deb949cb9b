#pragma once
// The ASF Header Object in memory: its children in file order, each kept as the
// bytes read until something in it changes. Content Description, Extended Content
// Description and the Metadata / Metadata Library objects inside the Header
// Extension are opened into attribute records; every other object stays opaque.
#include "media/wma/AsfGuid.h"
#include "platform/Bytes.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillory::asf {

// Data types as the file numbers them (Extended Content Description / Metadata).
enum class StoredType : std::uint16_t {
    String = 0,
    Binary = 1,
    Bool = 2, // 4 bytes in Extended Content Description, 2 in the Metadata objects
    Dword = 3,
    Qword = 4,
    Word = 5,
    Guid = 6, // Metadata Library only
};

enum class ObjectKind {
    Other,
    FileProperties,
    StreamProperties,
    StreamBitrateProperties,
    ContentDescription,
    ExtendedContentDescription,
    HeaderExtension,
    Metadata,
    MetadataLibrary,
};

struct Attribute {
    QString name;
    StoredType type = StoredType::String;
    Bytes value;                // as stored (strings UTF-16LE, normally with their terminator)
    std::uint16_t stream = 0;   // Metadata / Metadata Library only
    std::uint16_t language = 0; // Metadata Library only
    Bytes raw;                  // the record as read; empty once changed (rendered anew)
};

struct Object {
    Guid guid;
    ObjectKind kind = ObjectKind::Other;
    Bytes raw;                         // the whole object as read; empty for new objects
    std::vector<Attribute> attributes; // the attribute-holding kinds
    std::vector<Object> children;      // Header Extension
    Bytes reserved;                    // Header Extension: reserved GUID and word (18 bytes)
    Bytes tail;                        // bytes after the last record or child, kept as read
    Bytes after;                       // Header Extension: object bytes after its data
    bool changed = false;
};

// The names Content Description holds, in the order of its length fields.
inline constexpr const char16_t* kContentDescriptionNames[5] = {u"Title", u"Author", u"Copyright",
                                                               u"Description", u"Rating"};

struct Header {
    std::uint8_t reserved[2] = {1, 2};
    std::vector<Object> objects;
    Bytes tail;              // bytes after the last counted child
    std::uint64_t size = 0;  // the Header Object's size as read
};

struct ParsedHeader {
    std::optional<Header> header;
    QString damage; // why the bytes were refused (empty on success)
};

inline constexpr std::size_t kHeaderObjectPrefix = 30; // GUID, size, count, 2 reserved bytes
inline constexpr std::size_t kObjectHead = 24;         // GUID and size of every object

// bytes: the Header Object from its first byte, at least as long as its size field says.
ParsedHeader ParseHeader(ByteView bytes);

// The Header Object as it is to be written. Untouched objects and records are the
// bytes read; the File Properties object's File Size field moves by the change of
// the header's size.
Bytes RenderHeader(const Header& header);

// Values of the File Properties object.
struct FileProperties {
    std::uint64_t fileSize = 0;
    std::uint64_t playDuration = 0; // 100-ns units
    std::uint64_t preroll = 0;      // milliseconds
    std::uint32_t flags = 0;        // bit 0: broadcast (durations not valid)
    std::uint32_t maxBitrate = 0;
};
std::optional<FileProperties> ReadFileProperties(const Header& header);
// Bits per second of the file: the sum over Stream Bitrate Properties, else over the
// audio streams' average byte rates, else the File Properties maximum; nullopt when
// none of them is there.
std::optional<std::uint32_t> ReadTotalBitrate(const Header& header);

// Little-endian UTF-16 with a terminating zero, the way ASF stores text.
Bytes EncodeUtf16z(const QString& text);
// Text up to the first zero character (an odd last byte is ignored).
QString DecodeUtf16z(ByteView bytes);

} // namespace quillory::asf
