#pragma once
// Registry values that steer reading and writing of tags, handed to the core by
// whoever owns the settings (the window, the CLI, a test).
#include <cstdint>

namespace quillory {

struct TagOptions {
    // reading
    bool japaneseGenres = true;   // "Genre"
    int columnMask = 0;           // "tagadd": optional list columns
    bool listPictures = false;    // "listimg": thumbnails in the list
    bool forceAudioFormat = false; // the CLI always wants the audio format text

    bool audioFormatShown() const { return forceAudioFormat || (columnMask & 0x400) != 0; }

    // writing
    int versionIndex = 2;         // "ver id": 0 riffmp3, 1 ver 2.2, 2 ver 2.3, 3 ver 2.4
    int encodingIndex = 0;        // "lng id": 0 SJIS, 1 UTF16, 2 UTF8
    bool littleEndian = true;     // "be-le"
    bool unsynchronise = false;   // "Asyn"
    int padding = 128;            // "paddig"
    bool genreAsReference = false; // "TconNoInp"
    bool v1InsideRiff = true;     // "v1-riff"
    bool renameToRmp = false;     // "chgext"
    bool stamp = false;           // "Stamp": give written files the current time

    // WMA, in memory only
    bool wmaShowOldTrack = false;      // "WMAの旧トラック情報を表示"
    bool wmaTrackNumberAttr = true;    // "トラック番号はWM/TrackNumberに設定する"
};

} // namespace quillory
