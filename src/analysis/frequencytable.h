#pragma once

#include "analysis/stringpool.h"
#include "analysis/texttable.h"

#include <QLocale>

#include <cstdint>
#include <memory>
#include <vector>

// A Character, Word or Line table: a header row, then one row per distinct
// item with its count and percentage. Keys stay in the pool they were
// counted in; cells are formed when they are read.
class FrequencyTable : public TextTable {
public:
    FrequencyTable();

    void setHeaders(const QString& item, const QString& occurrence);
    // keys[i] indexes the pool; counts[i] is that row's count. Rows are
    // already in their final order.
    void setRows(std::shared_ptr<const StringPool> pool, std::vector<std::uint32_t> keys,
                 std::vector<std::uint64_t> counts, const QLocale& locale);

    int rowCount() const override { return int(keys_.size()) + 1; }
    int columnCount() const override { return 3; }
    QString cell(int row, int column) const override;
    bool appendCellUtf8(int row, int column, QByteArray& out) const override;
    void prefetchRow(int row) const override;

    // Data rows count from 0 here, without the header.
    int itemCount() const { return int(keys_.size()); }
    QString key(int item) const { return pool_->string(keys_[item]); }
    std::uint64_t count(int item) const { return counts_[item]; }
    std::uint64_t total() const { return total_; }

private:
    QString headers_[3];
    std::shared_ptr<const StringPool> pool_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint64_t> counts_;
    std::uint64_t total_ = 0;
    QLocale locale_;
    QString point_;
    QByteArray pointUtf8_;
    bool plainDigits_ = true;
};
