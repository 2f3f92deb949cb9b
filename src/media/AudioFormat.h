#pragma once
// The one-line audio format text of a file and its play time.
#include "platform/Bytes.h"
#include "platform/FileAccess.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace quillory {

struct AudioFormatResult {
    QString text;             // "" when the column is hidden or nothing is known
    QString playSeconds;      // decimal text, "" when unknown
    std::int64_t vbriDuration = 0; // 100-ns units, from a VBRI header only
    std::uint32_t vbriFrames = 0;
};

// MPEG (".mp3", ".rmp") and WAVE (".wav") files. first36 holds the file's first
// bytes (fewer for short files). ext is lower case with its dot. textWanted: the
// "音声形式" column is shown; scan: walk every frame (preview player only).
AudioFormatResult AudioFormatText(FileReader& file, ByteView first36, const QString& ext,
                                  bool textWanted, bool scan = false);

// WMA: from the editor's "Bitrate" text (kbps as the editor gives it) and "Duration"
// (100-ns units); absent values as nullopt.
AudioFormatResult WmaAudioFormatText(const std::optional<QString>& bitrate,
                                     const std::optional<std::uint64_t>& duration, bool textWanted);

// Whole seconds of an MP3 by walking its frames; 0 when unknown (also for a path
// that does not end in ".mp3").
int ScanMp3PlayTime(const QString& path);
// The same walk with everything it found, for the player (VBRI duration and frames).
AudioFormatResult ScanMp3Properties(const QString& path);

struct MpegFrameHeader {
    bool valid = false;
    int version = 0;      // 1, 2 (2.5 not accepted)
    int layer = 0;
    int bitrate = 0;      // kbps
    int sampleRate = 0;
    int padding = 0;
    int channels = 0;
    int frameLength = 0;
    int lengthAtFirstBitrate = 0;
};
// firstBitrate: the bitrate of the first accepted frame of the scan, 0 for the first.
MpegFrameHeader ParseFrameHeader(const std::uint8_t* h, int firstBitrate);

} // namespace quillory
