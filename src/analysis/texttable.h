#pragma once

#include <QString>

// A table whose every cell reads as text, the form in which results are
// shown, exported and charted.
class TextTable {
public:
    virtual ~TextTable() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString cell(int row, int column) const = 0;
};
