#pragma once
// Copying the basic fields of the selected rows between their ID3v2 and ID3v1
// blocks, in memory: the copied fields are marked changed and reach the files when
// the user writes.
#include "app/RowStore.h"

#include <QString>

namespace quillory {

class GenreTable;

// The buttons' Tag: 1 copies ID3v2 -> ID3v1, 2 copies ID3v1 -> ID3v2.
enum class CopyDirection : int { V2ToV1 = 1, V1ToV2 = 2 };

// Put into the receiving block's tag kind.
inline const QString kCopiedFromV2 = QStringLiteral("←v2");
inline const QString kCopiedFromV1 = QStringLiteral("←v1");

// Width of a field of the ID3v1 block: track 3, year 4, the others 30.
int V1FieldWidth(int field);
// The longest start of text that fits into width Shift-JIS bytes without cutting a
// double-byte character (a character Shift-JIS cannot hold counts one byte, as it
// is written).
QString CutForV1(const QString& text, int width);

struct TagCopyResult {
    bool ran = false;         // a row was selected
    int rowsChanged = 0;      // rows that got at least one field
    int firstSelected = -1;   // the row to show in the boxes afterwards
};

// ID3TagCopySpBtn2Click over the selected rows. emptyOnly: "Empty" (fill only
// fields that are empty or "分類不能" on the receiving side). The window pauses the
// workers around it, then shows firstSelected in the boxes and runs RecountChanges.
TagCopyResult ID3TagCopySpBtn2Click(RowStore& store, CopyDirection direction, bool emptyOnly,
                                    const GenreTable* genres, int playingIndex = -1);

} // namespace quillory
