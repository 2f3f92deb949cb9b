#pragma once
// The questions of the window's close query.
#include "app/RowStore.h"

#include <QString>
#include <functional>

namespace quillory {

// Shown while a long operation runs: closing is refused.
QString BusyCloseMessage();

// Rows whose change mask of either block is set; step is called once per row.
int CountEditedRows(const RowStore& store, const std::function<void()>& step = {});

// title + " 終了確認"
QString CloseQueryCaption(const QString& title);
// n + " 個のリストが変更されています。 \n変更した内容を破棄しますか？"
QString CloseQueryText(int editedRows);

} // namespace quillory
