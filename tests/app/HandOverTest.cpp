#include "app/HandOver.h"
#include "platform/Limits.h"

#include <gtest/gtest.h>

using namespace quillory;

TEST(HandOver, PlayFlagOnlyAsFirstArgument)
{
    struct Case {
        QStringList args;
        bool play;
    } cases[] = {
        {{"-p", "/m/a.mp3"}, true},
        {{"\"-p\"", "/m/a.mp3"}, true},
        {{"/m/a.mp3", "-p"}, false},
        {{"/m/-p.mp3"}, false},
        {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlayFlagGiven(JoinArguments(c.args)), c.play) << c.args.join(' ').toStdString();
}

TEST(HandOver, CompanionCallersAreRecognisedByTheirFirstArgument)
{
    EXPECT_TRUE(CompanionCaller({QStringLiteral("/opt/Sortwell/Sortwell2")}));
    EXPECT_TRUE(CompanionCaller({QStringLiteral("Chimewatchプラス"), QStringLiteral("x")}));
    EXPECT_FALSE(CompanionCaller({QStringLiteral("/m/a.mp3"), QStringLiteral("Sortwell")}));
    EXPECT_FALSE(CompanionCaller({}));
}

TEST(HandOver, PayloadIsUtf16PathsJoinedByCrLf)
{
    QString joined = JoinArguments({QStringLiteral("/音楽/桜.mp3"), QStringLiteral("/m/🌸.wav")});
    QByteArray payload = EncodeWidePayload(joined);
    EXPECT_EQ(payload.size(), joined.size() * 2);
    EXPECT_EQ(payload.mid(0, 2), QByteArray("/\0", 2));
    EXPECT_EQ(DecodeWidePayload(payload), joined);
    EXPECT_TRUE(DecodeWidePayload(payload).contains(QStringLiteral("\r\n")));
    // An odd last byte is dropped, never read past.
    EXPECT_EQ(DecodeWidePayload(payload + 'x'), joined);
    EXPECT_EQ(DecodeWidePayload(QByteArray("a", 1)), QString());
}

TEST(HandOver, MessagesSurviveArrivingInPieces)
{
    CopyData m{kHandOverDataId, EncodeWidePayload(QStringLiteral("/m/a.mp3\r\n/m/b.mp3"))};
    QByteArray wire = EncodeCopyData(m);
    for (qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(7), wire.size()}) {
        CopyDataReader r;
        CopyDataReader::State st = CopyDataReader::State::NeedMore;
        for (qsizetype at = 0; at < wire.size(); at += piece)
            st = r.feed(wire.mid(at, piece));
        ASSERT_EQ(st, CopyDataReader::State::Complete) << piece;
        EXPECT_EQ(r.message().id, kHandOverDataId);
        EXPECT_EQ(r.message().payload, m.payload);
    }
}

TEST(HandOver, HostileSizesAreRefused)
{
    QByteArray wire;
    wire.append("\x09\x03\0\0", 4);              // 777
    wire.append("\xFF\xFF\xFF\xFF", 4);          // 4 GiB announced
    CopyDataReader r;
    EXPECT_EQ(r.feed(wire), CopyDataReader::State::Invalid);
    EXPECT_EQ(r.feed(QByteArray(100, 'x')), CopyDataReader::State::Invalid);
    // Announced within the limit but not all there: waits for more.
    CopyDataReader r2;
    EXPECT_EQ(r2.feed(EncodeCopyData({777, QByteArray(10, 'a')}).left(12)), CopyDataReader::State::NeedMore);
}

TEST(HandOver, RepliesAndNames)
{
    EXPECT_EQ(DecodeReply(EncodeReply(kCopyDataReply)), std::optional<std::uint32_t>(1));
    EXPECT_FALSE(DecodeReply(QByteArray("\1", 1)).has_value());
    EXPECT_EQ(SingleInstanceName(QStringLiteral("taro")), QStringLiteral("Quillory-taro"));
    EXPECT_EQ(AlreadyRunningMessage(kApplicationTitle), QStringLiteral("Quillory は実行中です。"));
}
