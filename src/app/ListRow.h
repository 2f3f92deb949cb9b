#pragma once
// One file of the main list. Every field is kept as its exact UTF-16 text; the
// Shift-JIS form is derived where bytes matter (ID3v1 widths, INFO entries).
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace quillory {

enum Col : int {
    ColTitle = 0,
    ColArtist,
    ColAlbum,
    ColGenre,
    ColTrack,
    ColYear,
    ColTagKind,
    ColComment,
    ColChangedV2,
    ColTitleV1,
    ColArtistV1,
    ColAlbumV1,
    ColGenreV1,
    ColTrackV1,
    ColYearV1,
    ColTagKindV1,
    ColCommentV1,
    ColChangedV1,
    ColComposer,
    ColLyricist,
    ColLabel,
    ColDiscSet,
    ColLyrics,
    ColPath,
    ColCopyright,
    ColEncoder,
    ColUrl,
    ColPicture,
    ColUnsync,
    ColTextCode,
    ColTagSize,
    ColAudioFormat,
    ColNumber,
    ColPictureDescription,
    ColPlaySeconds,
    kSubItemCount
};

// The field numbers of one tag block (base 0 or 9 plus these).
enum BlockField : int {
    FieldTitle = 0, FieldArtist, FieldAlbum, FieldGenre, FieldTrack, FieldYear,
    FieldTagKind, FieldComment, FieldChanged, kBlockFieldCount
};
inline constexpr int kShownBase = 0;
inline constexpr int kOtherBase = 9;

// Names of the sub-items, as the CLI and CSV name them.
const std::array<std::string_view, kSubItemCount>& columnNames();
// Sub-item for a column name ("ColTitle"), or -1.
int columnByName(std::string_view name);

// Which tag stands in sub-items 0-8.
enum class PrimarySide { V2, V1 };

inline const QString kFetchingText = QStringLiteral("取得中...");
inline const QString kPicturePresent = QStringLiteral("有り");
inline const QString kPictureDelete = QStringLiteral("削除");
inline const QString kPictureInfo = QStringLiteral("info");

// Image indexes of the main image list.
inline constexpr int kImageNone = -1;
inline constexpr int kImageEdited = 8;

struct ListRow {
    QString caption;                          // list number, "" until read
    std::array<QString, kSubItemCount> sub;   // the 35 sub-items
    int image = kImageNone;
    bool ghosted = false;                     // hidden file: drawn blended
    bool selected = false;                    // selection of the list view, kept with the row
    QByteArray thumbnail;                     // JPEG 32x16 of the attached picture, may be empty

    bool isRead() const { return !caption.isEmpty(); }
    const QString& path() const { return sub[ColPath]; }
    bool isEdited() const;                    // a change mask of either block is set
};

} // namespace quillory
