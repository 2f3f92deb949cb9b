#pragma once
// WMA attribute access: our own metadata editor over the ASF header. An editor is
// opened on one file, read and changed in memory, and then either committed (the
// header is rebuilt and the file rewritten through a new file) or closed without
// saving. Attributes go by the names WMA tools know them by ("Title",
// "WM/AlbumTitle", ...); "Duration" and "Bitrate" are the read-only values derived
// from the file and stream properties.
//
// Failures are reported through the error gate given at open (none: silently).
#include "platform/Bytes.h"
#include "tags/TagOptions.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace quillory {

class FileReader;
class WmaErrorGate;

// The editor's data types, numbered as the attribute operations number them (the
// file numbers them differently).
enum class WmaType : int { Dword = 0, String = 1, Binary = 2, Bool = 3, Qword = 4, Word = 5, Guid = 6 };

class WmaEditor {
public:
    struct State;
    explicit WmaEditor(std::unique_ptr<State> state);
    ~WmaEditor();
    WmaEditor(const WmaEditor&) = delete;
    WmaEditor& operator=(const WmaEditor&) = delete;

    const QString& path() const;
    // False after CommitWmaEditor or CloseWmaEditor; every operation is then a no-op.
    bool isOpen() const;
    State& state() const { return *state_; }

private:
    std::unique_ptr<State> state_;
};

struct WmaOpenResult {
    std::unique_ptr<WmaEditor> editor; // null on failure
    int error = 0;                     // errno when the file could not be read
    QString damage;                    // why the header was refused (error is then 0)
    explicit operator bool() const { return editor != nullptr; }
};

// Opens the file and reads its Header Object. On failure the gate, when given, runs
// the open-failure path; handle is the caller's open handle of the same file, used
// only for the "TAG" look of that path.
WmaOpenResult OpenWmaEditor(const QString& path, WmaErrorGate* gate = nullptr, FileReader* handle = nullptr);

struct WmaStatus {
    bool ok = true;
    int error = 0;        // errno of a failed write
    bool written = false; // the file was rewritten
};

// Discards the changes and closes.
WmaStatus CloseWmaEditor(WmaEditor& editor);
// Writes the changes (nothing at all when the header came out as it was read) and
// closes. stamp: the file gets the current time instead of keeping its own.
WmaStatus CommitWmaEditor(WmaEditor& editor, bool stamp = false);

// The attribute that stands for a field named by its ID3v2.3 frame id; "" for ids
// without one. TRCK depends on the two WMA track options of TagOptions.
QString WmaAttributeFor(QStringView id23, bool forWriting, const TagOptions& options);
QString WmaAttributeFor(std::string_view id23, bool forWriting, const TagOptions& options);
inline QString WmaAttributeName(std::string_view id23) { return WmaAttributeFor(id23, false, TagOptions{}); }

struct WmaValue {
    bool found = false;        // an attribute of that name exists (it may still read as nothing)
    WmaType type = WmaType::Dword;
    QString text;              // the value as text
    Bytes data;                // binary values; for "WM/Picture" the picture bytes
    std::uint32_t length = 0;  // 0 for nothing; picture: data length; web link: characters
    QString pictureDescription; // "WM/Picture" only
};

// The value of the first attribute of the name on stream 0, converted to text:
// numbers as decimal ("Bitrate" in kbps minus one), BOOL as "0"/"1", strings as
// stored, "WM/UserWebURL" as its address, "WM/Picture" only for JPEG and PNG.
WmaValue ReadWmaAttribute(const WmaEditor& editor, const QString& name);

// The write operations return false only when a failure was reported.
// Empty text deletes the attribute.
bool WriteWmaText(WmaEditor& editor, const QString& name, const QString& text);
// -1 deletes the attribute.
bool WriteWmaNumber(WmaEditor& editor, const QString& name, std::int32_t value);
// "WM/UserWebURL": bytes are the address in code page 932 (length not given);
// "WM/Picture": bytes are the picture data, with its description. A given length
// of 0 deletes the attribute; other names write nothing.
bool WriteWmaBinary(WmaEditor& editor, const QString& name, ByteView bytes, std::optional<std::size_t> length,
                    const QString& pictureDescription = {});
// The two binary structures with their text already in UTF-16.
bool WriteWmaWebLink(WmaEditor& editor, const QString& url);
bool WriteWmaPicture(WmaEditor& editor, ByteView data, const QString& description);
// Deletes the first attribute of the name; true when one was deleted.
bool DeleteWmaAttribute(WmaEditor& editor, const QString& name);
// Deletes the known tag attributes; commits when at least one went, else closes.
WmaStatus RemoveWmaAttributes(WmaEditor& editor, bool stamp = false);

struct WmaPicture {
    bool found = false; // a JPEG or PNG picture is stored
    Bytes data;
    QString description;
};
WmaPicture ReadWmaPicture(const WmaEditor& editor);
// Opens the file, reads its picture and closes it again.
WmaPicture ReadWmaPicture(const QString& path, WmaErrorGate* gate = nullptr);

// Text of the field named by its ID3v2.3 frame id, as the loader shows it; for APIC
// the picture's byte count, or "" when there is none.
QString GetWmaFrameText(const WmaEditor& editor, std::string_view id23, const TagOptions& options);
QString GetWmaFrameText(const WmaEditor& editor, QStringView id23, const TagOptions& options);

// What the audio format text needs: the "Bitrate" text and "Duration" (100-ns units).
struct WmaAudioValues {
    std::optional<QString> bitrate;
    std::optional<std::uint64_t> duration;
};
WmaAudioValues ReadWmaAudioValues(const WmaEditor& editor);

} // namespace quillory
