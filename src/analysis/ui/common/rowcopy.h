#pragma once

#include <QString>

#include <vector>

class QAbstractItemView;

// Copying the rows of a table to the clipboard: one line a row, its cells
// as the view shows them, separated by tabs.
namespace RowCopy {

// A cell of copied text: a tab inside would open a column of its own.
QString field(QString text);
// The rows selected in the view, in order, each once; the current row when
// none is selected.
std::vector<int> selectedRows(const QAbstractItemView* view);
// Puts those rows on the clipboard.
void copySelectedRows(const QAbstractItemView* view);

} // namespace RowCopy
