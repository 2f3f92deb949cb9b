#pragma once
// Limits for sizes and counts read from files. Everything read from a file is
// hostile until checked against these and against the bytes really present.
#include <cstddef>
#include <cstdint>

namespace quillory::limits {

// Largest ID3v2 tag we read into memory (the syncsafe size field cannot exceed 256 MiB).
inline constexpr std::uint32_t kMaxId3v2TagBytes = 256u * 1024u * 1024u;
// Frames in one tag before the walk gives up.
inline constexpr int kMaxFramesPerTag = 50000;
// A zlib-compressed frame may not claim to inflate to more than this ratio.
inline constexpr std::uint32_t kMaxInflateRatio = 64;
inline constexpr std::uint32_t kMaxInflatedFrameBytes = 64u * 1024u * 1024u;
// RIFF: chunks walked per list before the walk gives up.
inline constexpr int kMaxRiffChunks = 100000;
// Largest LIST/INFO chunk we read into memory.
inline constexpr std::uint64_t kMaxInfoChunkBytes = 16u * 1024u * 1024u;
// ASF: header objects and attributes.
inline constexpr std::uint64_t kMaxAsfHeaderBytes = 256u * 1024u * 1024u;
inline constexpr std::uint32_t kMaxAsfObjects = 100000;
inline constexpr std::uint32_t kMaxAsfAttributes = 100000;
// Playlists larger than this are not read.
inline constexpr std::uint64_t kMaxPlaylistBytes = 64u * 1024u * 1024u;
// Folder recursion depth of the walk (symlink loops end here).
inline constexpr int kMaxFolderDepth = 64;
// Playlists listing playlists: nesting deeper than this is not followed, and one
// gathering expands to at most this many entries.
inline constexpr int kMaxPlaylistDepth = 8;
inline constexpr int kMaxPlaylistEntries = 1000000;
// Small data files of the user data folder ("artist.txt", "datalist_a.ini").
inline constexpr std::uint64_t kMaxDataFileBytes = 16u * 1024u * 1024u;

// One message handed over by a second start of the program (paths as UTF-16).
inline constexpr std::uint32_t kMaxHandOverBytes = 16u * 1024u * 1024u;
// A ".desktop" shortcut file we read back.
inline constexpr std::uint64_t kMaxDesktopFileBytes = 64u * 1024u;

// A picture file attached to a tag (an ID3v2.2 frame cannot hold more than 16 MiB,
// an ASF attribute not much more than 64 MiB either).
inline constexpr std::uint64_t kMaxPictureFileBytes = 64u * 1024u * 1024u;
// Pixels of a picture decoded to be encoded again.
inline constexpr std::uint64_t kMaxPicturePixels = 64u * 1024u * 1024u;

} // namespace quillory::limits
