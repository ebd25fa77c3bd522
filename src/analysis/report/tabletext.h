#pragma once

#include "analysis/report/analysistext.h"
#include "analysis/report/texttable.h"

#include <QLocale>
#include <QString>

#include <vector>

// The typed tables read as text, the form in which they are exported: the
// Overview's label and value rows, a frequency table under its header row
// with counts and percentages, a phrase list as it is.

class OverviewText : public TextTable {
public:
    OverviewText(const AnalysisOverview& overview, const AnalysisLabels& labels,
                 const QLocale& locale = QLocale());
    int rowCount() const override { return AnalysisText::OverviewRows; }
    int columnCount() const override { return 2; }
    QString cell(int row, int column) const override { return cells_[row][column]; }

private:
    QString cells_[AnalysisText::OverviewRows][2];
};

class FrequencyText : public TextTable {
public:
    FrequencyText(const FrequencyTable& table, const QString& itemHeader,
                  const QString& occurrenceHeader, const QLocale& locale = QLocale());
    int rowCount() const override { return table_.itemCount() + 1; }
    int columnCount() const override { return 3; }
    QString cell(int row, int column) const override;
    bool appendCellUtf8(int row, int column, QByteArray& out) const override;
    void prefetchRow(int row) const override { table_.prefetch(row - 1); }
    bool concurrentReads() const override { return true; }

    // The item's percentage as the tables show it ("12.34").
    static QString percentText(const FrequencyTable& table, int item,
                               const QLocale& locale = QLocale());

private:
    const FrequencyTable& table_;
    QString headers_[3];
    QLocale locale_;
    QString point_;
    QByteArray pointUtf8_;
    bool plainDigits_ = true;
};

class PhraseText : public TextTable {
public:
    explicit PhraseText(const PhraseTable& table) : table_(table) {}
    int rowCount() const override { return table_.itemCount(); }
    int columnCount() const override { return 2; }
    QString cell(int row, int column) const override;
    bool appendCellUtf8(int row, int column, QByteArray& out) const override;
    bool concurrentReads() const override { return true; }

private:
    const PhraseTable& table_;
};

// A table's rows in another order, as a window shows them sorted: row
// `headerRows + r` is the table's row `headerRows + order[r]`; the header
// rows stay first. An empty order is the table's own.
class ReorderedText : public TextTable {
public:
    ReorderedText(const TextTable& table, const std::vector<int>& order, int headerRows)
        : table_(table), order_(order), headerRows_(headerRows) {}
    int rowCount() const override { return table_.rowCount(); }
    int columnCount() const override { return table_.columnCount(); }
    QString cell(int row, int column) const override { return table_.cell(source(row), column); }
    bool appendCellUtf8(int row, int column, QByteArray& out) const override {
        return table_.appendCellUtf8(source(row), column, out);
    }
    void prefetchRow(int row) const override { table_.prefetchRow(source(row)); }
    bool concurrentReads() const override { return table_.concurrentReads(); }

private:
    int source(int row) const {
        if (row < headerRows_ || order_.empty()) return row;
        return headerRows_ + order_[std::size_t(row - headerRows_)];
    }
    const TextTable& table_;
    const std::vector<int>& order_;
    int headerRows_;
};
