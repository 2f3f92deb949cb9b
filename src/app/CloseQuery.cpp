#include "app/CloseQuery.h"

namespace quillory {

QString BusyCloseMessage()
{
    return QStringLiteral("処理中です。\n\n終了する場合は処理を中止してから行って下さい。");
}

int CountEditedRows(const RowStore& store, const std::function<void()>& step)
{
    int n = 0;
    for (int i = 0; i < store.count(); ++i) {
        const ListRow& r = store.row(i);
        // Exactly "0" means unchanged; anything else counts, as the close query counts.
        if (r.sub[ColChangedV2] != QLatin1String("0") || r.sub[ColChangedV1] != QLatin1String("0"))
            ++n;
        if (step)
            step();
    }
    return n;
}

QString CloseQueryCaption(const QString& title)
{
    return title + QStringLiteral(" 終了確認");
}

QString CloseQueryText(int editedRows)
{
    return QString::number(editedRows) + QStringLiteral(" 個のリストが変更されています。 \n変更した内容を破棄しますか？");
}

} // namespace quillory
