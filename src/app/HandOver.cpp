#include "app/HandOver.h"

#include "platform/Limits.h"

namespace quillory {

namespace {

void putU32(QByteArray& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

std::uint32_t getU32(const QByteArray& b, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

constexpr qsizetype kHeaderBytes = 8;

} // namespace

QString SingleInstanceName(const QString& userName)
{
    return kApplicationTitle + QLatin1Char('-') + userName;
}

QString CompanionServerName(const QString& windowClass, const QString& userName)
{
    return windowClass + QLatin1Char('-') + userName;
}

QString JoinArguments(const QStringList& args)
{
    return args.join(QStringLiteral("\r\n"));
}

bool PlayFlagGiven(const QString& joined)
{
    qsizetype at = joined.indexOf(QLatin1String("-p"));
    return at == 0 || at == 1;
}

bool CompanionCaller(const QStringList& args)
{
    if (args.isEmpty())
        return false;
    return args[0].contains(QLatin1String("Sortwell")) || args[0].contains(QStringLiteral("Chimewatchプラス"));
}

QString AlreadyRunningMessage(const QString& title)
{
    return title + QStringLiteral(" は実行中です。");
}

QByteArray EncodeCopyData(const CopyData& m)
{
    QByteArray out;
    out.reserve(kHeaderBytes + m.payload.size());
    putU32(out, m.id);
    putU32(out, std::uint32_t(m.payload.size()));
    out.append(m.payload);
    return out;
}

QByteArray EncodeWidePayload(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QString DecodeWidePayload(const QByteArray& payload)
{
    qsizetype n = payload.size() / 2;
    QString s;
    s.resize(n);
    for (qsizetype i = 0; i < n; ++i) {
        char16_t u = char16_t(static_cast<unsigned char>(payload[2 * i]) |
                              static_cast<unsigned char>(payload[2 * i + 1]) << 8);
        s[i] = QChar(u);
    }
    return s;
}

QByteArray EncodeReply(std::uint32_t value)
{
    QByteArray out;
    putU32(out, value);
    return out;
}

std::optional<std::uint32_t> DecodeReply(const QByteArray& bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    return getU32(bytes, 0);
}

CopyDataReader::State CopyDataReader::feed(const QByteArray& bytes)
{
    if (state_ != State::NeedMore)
        return state_;
    buffer_.append(bytes);
    if (buffer_.size() < kHeaderBytes)
        return state_;
    std::uint32_t size = getU32(buffer_, 4);
    if (size > limits::kMaxHandOverBytes) {
        buffer_.clear();
        return state_ = State::Invalid;
    }
    if (buffer_.size() < kHeaderBytes + qsizetype(size))
        return state_;
    message_.id = getU32(buffer_, 0);
    message_.payload = buffer_.mid(kHeaderBytes, qsizetype(size));
    buffer_.clear();
    return state_ = State::Complete;
}

} // namespace quillory
