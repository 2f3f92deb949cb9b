#pragma once
// Row operations of the list's own buttons: deleting the selected rows from the
// list ("リストの削除(&D)") and the auto-repeat of the move-up and move-down buttons.
#include "app/RowStore.h"

namespace quillory {

// Removes the selected rows from the store, last first, and renumbers every row.
// Files are never touched. Returns the number of rows removed.
int DeleteSelectedRows(RowStore& store);

// The repeat of a held move button (Timer4): the first move comes 10 ms after the
// press, the next after 300 ms, then one every 100 ms until the button is released.
class MoveRepeat {
public:
    // Pressing: the interval until the first tick.
    int start();
    // A tick moved once: the interval until the next tick.
    int tick();
    bool running() const { return running_; }
    void stop() { running_ = false; }

private:
    int counter_ = 0;
    bool running_ = false;
};

} // namespace quillory
