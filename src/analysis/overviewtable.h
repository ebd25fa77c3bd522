#pragma once

#include "analysis/texttable.h"

#include <array>

// The seven label/value rows of the Overview tab.
class OverviewTable : public TextTable {
public:
    static constexpr int Rows = 7;

    int rowCount() const override { return Rows; }
    int columnCount() const override { return 2; }
    QString cell(int row, int column) const override { return cells_[row][column]; }
    void setRow(int row, const QString& label, const QString& value) {
        cells_[row] = {label, value};
    }

private:
    std::array<std::array<QString, 2>, Rows> cells_;
};
