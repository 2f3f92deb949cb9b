#pragma once
// The command line and the single-instance hand-over: a second start of the program
// sends its arguments to the running window as a copy-data message (identifier 777,
// UTF-16 paths joined by CR LF) over a local socket and gets 1 back.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace quillory {

inline const QString kApplicationTitle = QStringLiteral("Quillory");
inline constexpr std::uint32_t kHandOverDataId = 777;
inline constexpr std::uint32_t kClockDataId = 6974;
inline constexpr std::uint32_t kCopyDataReply = 1;

// "Quillory-" + the user's login name: one running window per user.
QString SingleInstanceName(const QString& userName);
// The local server of a companion program's window class, per user.
QString CompanionServerName(const QString& windowClass, const QString& userName);

// The arguments joined with CR LF: the path text of the add-files operation.
QString JoinArguments(const QStringList& args);
// "-p" at character 1 or 2 of the joined arguments (the first argument is "-p",
// quoted or not): play the first row once the files are added.
bool PlayFlagGiven(const QString& joined);
// The first argument names a companion program ("Sortwell", "Chimewatchプラス"):
// the files come from the clipboard and the renaming commands are hidden.
bool CompanionCaller(const QStringList& args);

// title + " は実行中です。"
QString AlreadyRunningMessage(const QString& title);

// A copy-data message on the wire: identifier and byte count as 32-bit
// little-endian numbers, then the bytes.
struct CopyData {
    std::uint32_t id = 0;
    QByteArray payload;
};
QByteArray EncodeCopyData(const CopyData& message);
// UTF-16LE without terminator.
QByteArray EncodeWidePayload(const QString& text);
// Text of a UTF-16LE payload (byte count / 2 characters; an odd last byte is dropped).
QString DecodeWidePayload(const QByteArray& payload);
// The reply: 32-bit little-endian.
QByteArray EncodeReply(std::uint32_t value);
std::optional<std::uint32_t> DecodeReply(const QByteArray& bytes);

// Collects the bytes of one copy-data message as they arrive.
class CopyDataReader {
public:
    enum class State { NeedMore, Complete, Invalid };
    // Adds received bytes; Invalid when the announced size is beyond the limit.
    State feed(const QByteArray& bytes);
    State state() const { return state_; }
    const CopyData& message() const { return message_; }

private:
    QByteArray buffer_;
    CopyData message_;
    State state_ = State::NeedMore;
};

} // namespace quillory
