#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class LegendModel;
class QTreeView;

// A three-dimensional pie: a tilted disc with visible depth, one slice per
// value in the order added, starting at twelve o'clock and running
// clockwise, labels on the slices, and a legend beside it listing every
// label with its share. Made for thousands of slices: angles are computed
// once, slivers too thin to see are not drawn one by one, labels that do
// not fit are left out, and the legend is a lazily painted list.
class Pie3DWidget : public QWidget {
    Q_OBJECT

public:
    explicit Pie3DWidget(QWidget* parent = nullptr);
    ~Pie3DWidget() override;

    void reserve(int slices);
    void addSlice(double value, const QString& label);

    int sliceCount() const { return int(slices_.size()); }
    double value(int i) const { return slices_[i].value; }
    QString label(int i) const { return slices_[i].label; }
    QColor color(int i) const;
    double percent(int i) const;
    double total() const { return total_; }
    // Labels drawn on the pie in the last paint, and where.
    const QStringList& visibleLabels() const { return visibleLabels_; }
    const std::vector<QRectF>& labelRects() const { return labelRects_; }
    QTreeView* legend() const { return legend_; }

    static const std::vector<QColor>& palette();

public slots:
    // Brings the legend up to date with the slices added so far.
    void syncLegend();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Slice {
        double value;
        QString label;
    };
    QRectF pieArea() const;

    std::vector<Slice> slices_;
    double total_ = 0;
    LegendModel* legendModel_;
    QTreeView* legend_;
    bool legendPending_ = false;
    QStringList visibleLabels_;
    std::vector<QRectF> labelRects_;
};
