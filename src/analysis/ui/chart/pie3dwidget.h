#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class LegendModel;
class QPainter;
class QTreeView;

// A three-dimensional pie: a tilted disc with visible depth, one slice per
// value in the order added, starting at twelve o'clock and running
// clockwise, labels on the slices, and a legend beside it listing every
// label with its share. Made for up to a million slices: the angles are
// worked out once after slices were added, slivers too thin to see are
// drawn together, labels that do not fit are left out, and the legend is a
// list that paints only the rows in view.
class Pie3DWidget : public QWidget {
    Q_OBJECT

public:
    explicit Pie3DWidget(QWidget* parent = nullptr);
    ~Pie3DWidget() override;

    void reserve(int slices);
    void addSlice(double value, const QString& label);

    int sliceCount() const { return int(slices_.size()); }
    double value(int i) const { return slices_[std::size_t(i)].value; }
    QString label(int i) const { return slices_[std::size_t(i)].label; }
    QColor color(int i) const;
    double percent(int i) const;
    double total() const { return total_; }
    // Labels drawn on the pie in the last paint, and where, in drawing order.
    QStringList visibleLabels() const { return visibleLabels_; }
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
    // What is drawn: a slice, or a run of slivers in the colour of its first.
    struct Piece {
        double start; // degrees clockwise from twelve o'clock
        double span;
        int slice;
    };
    struct LabelCandidate {
        double middle; // degrees clockwise from twelve o'clock
        double span;
        int slice;
    };
    struct Disc {
        QRectF top, bottom;
    };

    void buildPieces();
    void placeLegend();
    QRectF pieArea() const;
    Disc disc() const;
    void paintShadow(QPainter& p, const Disc& d) const;
    void paintWalls(QPainter& p, const Disc& d) const;
    void paintTops(QPainter& p, const Disc& d) const;
    void paintLabels(QPainter& p, const Disc& d);

    std::vector<Slice> slices_;
    double total_ = 0;
    bool piecesStale_ = true;
    std::vector<Piece> pieces_;
    std::vector<LabelCandidate> labelCandidates_; // widest slice first
    LegendModel* legendModel_;
    QTreeView* legend_;
    bool legendPending_ = false;
    QStringList visibleLabels_;
    std::vector<QRectF> labelRects_;
};
