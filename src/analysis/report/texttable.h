#pragma once

#include <QByteArray>
#include <QString>

#include <limits>

// A table whose every cell reads as text, the form in which results are
// shown, exported and charted.
class TextTable {
public:
    // Rows are counted in int, the views' type: a table holds at most this
    // many, its header row included.
    static constexpr qint64 MaxRows = std::numeric_limits<int>::max();

    virtual ~TextTable() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString cell(int row, int column) const = 0;
    // Appends the cell as UTF-8 to out when the table can do so without
    // forming a QString; false leaves out unchanged and asks for cell().
    virtual bool appendCellUtf8(int, int, QByteArray&) const { return false; }
    // Hints that the row will be read soon, so that a writer walking the
    // table row by row waits less for memory.
    virtual void prefetchRow(int) const {}
    // Whether two threads may read cells at once (no cache behind them).
    virtual bool concurrentReads() const { return false; }
};
