#include "app/ListActions.h"

namespace quillory {

int DeleteSelectedRows(RowStore& store)
{
    int toRemove = store.selectedCount();
    int removed = 0;
    for (int i = store.count() - 1; i >= 0 && removed < toRemove; --i) {
        if (store.row(i).selected) {
            store.removeAt(i);
            ++removed;
        }
    }
    if (removed > 0) {
        store.releaseSpare();
        store.RenumberRows(true);
    }
    return removed;
}

int MoveRepeat::start()
{
    running_ = true;
    counter_ = 5;
    return 10;
}

int MoveRepeat::tick()
{
    int next = counter_ < 6 ? 300 : 100;
    ++counter_;
    return next;
}

} // namespace quillory
