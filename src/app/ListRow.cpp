#include "app/ListRow.h"

namespace quillory {

const std::array<std::string_view, kSubItemCount>& columnNames()
{
    static const std::array<std::string_view, kSubItemCount> names = {
        "ColTitle", "ColArtist", "ColAlbum", "ColGenre", "ColTrack", "ColYear", "ColTagKind",
        "ColComment", "ColChangedV2", "ColTitleV1", "ColArtistV1", "ColAlbumV1", "ColGenreV1",
        "ColTrackV1", "ColYearV1", "ColTagKindV1", "ColCommentV1", "ColChangedV1", "ColComposer",
        "ColLyricist", "ColLabel", "ColDiscSet", "ColLyrics", "ColPath", "ColCopyright",
        "ColEncoder", "ColUrl", "ColPicture", "ColUnsync", "ColTextCode", "ColTagSize",
        "ColAudioFormat", "ColNumber", "ColPictureDescription", "ColPlaySeconds"};
    return names;
}

int columnByName(std::string_view name)
{
    const auto& names = columnNames();
    for (int i = 0; i < kSubItemCount; ++i)
        if (names[std::size_t(i)] == name)
            return i;
    return -1;
}

bool ListRow::isEdited() const
{
    auto set = [](const QString& m) { return m != QLatin1String("0"); };
    return set(sub[ColChangedV2]) || set(sub[ColChangedV1]);
}

} // namespace quillory
