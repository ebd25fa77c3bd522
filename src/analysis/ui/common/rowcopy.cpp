#include "analysis/ui/common/rowcopy.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>

#include <algorithm>

namespace RowCopy {

QString field(QString text) {
    return text.replace(u'\t', u' ');
}

std::vector<int> selectedRows(const QAbstractItemView* view) {
    std::vector<int> rows;
    if (const QItemSelectionModel* selection = view->selectionModel())
        for (const QItemSelectionRange& range : selection->selection())
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.push_back(row);
    if (rows.empty() && view->currentIndex().isValid()) rows.push_back(view->currentIndex().row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void copySelectedRows(const QAbstractItemView* view) {
    const QAbstractItemModel* model = view->model();
    const std::vector<int> rows = selectedRows(view);
    if (!model || rows.empty()) return;
    QString text;
    for (int row : rows) {
        for (int column = 0; column < model->columnCount(); ++column) {
            if (column > 0) text += u'\t';
            text += field(model->index(row, column).data().toString());
        }
        text += u'\n';
    }
    QGuiApplication::clipboard()->setText(text);
}

} // namespace RowCopy
