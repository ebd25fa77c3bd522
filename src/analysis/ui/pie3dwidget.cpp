#include "pie3dwidget.h"

#include "legendmodel.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QTreeView>

#include <algorithm>
#include <cmath>

namespace {

constexpr int LegendWidth = 220;
// Slivers narrower than this (in degrees) are drawn together with the
// slivers after them, in the first one's colour.
constexpr double MinSpan = 0.35;
// Only slices at least this wide get a label on the pie.
constexpr double MinLabelSpan = 3.0;

QPointF onEllipse(const QRectF& r, double degrees) {
    const double a = qDegreesToRadians(degrees);
    return {r.center().x() + r.width() / 2 * std::cos(a),
            r.center().y() - r.height() / 2 * std::sin(a)};
}

} // namespace

Pie3DWidget::Pie3DWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 200);
    setAutoFillBackground(true);
    QPalette pal = QWidget::palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    legendModel_ = new LegendModel(this, this);
    legend_ = new QTreeView(this);
    legend_->setObjectName("Legend");
    legend_->setModel(legendModel_);
    legend_->setRootIsDecorated(false);
    legend_->setUniformRowHeights(true);
    legend_->setHeaderHidden(true);
    legend_->setSelectionMode(QAbstractItemView::NoSelection);
    legend_->setFocusPolicy(Qt::NoFocus);
    legend_->setFrameShape(QFrame::NoFrame);
    legend_->setIconSize(QSize(12, 12));
    legend_->header()->setStretchLastSection(false);
    legend_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    legend_->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    legend_->header()->resizeSection(1, 72);
}

Pie3DWidget::~Pie3DWidget() = default;

const std::vector<QColor>& Pie3DWidget::palette() {
    static const std::vector<QColor> colors{
        QColor(0x4E, 0x79, 0xA7), QColor(0xF2, 0x8E, 0x2B), QColor(0xE1, 0x57, 0x59),
        QColor(0x76, 0xB7, 0xB2), QColor(0x59, 0xA1, 0x4F), QColor(0xED, 0xC9, 0x48),
        QColor(0xB0, 0x7A, 0xA1), QColor(0xFF, 0x9D, 0xA7), QColor(0x9C, 0x75, 0x5F),
        QColor(0xBA, 0xB0, 0xAC), QColor(0x1F, 0x77, 0xB4), QColor(0xAE, 0xC7, 0xE8),
        QColor(0x2C, 0xA0, 0x2C), QColor(0x98, 0xDF, 0x8A), QColor(0x94, 0x67, 0xBD),
        QColor(0x17, 0xBE, 0xCF)};
    return colors;
}

QColor Pie3DWidget::color(int i) const {
    return palette()[std::size_t(i) % palette().size()];
}

double Pie3DWidget::percent(int i) const {
    return total_ > 0 ? slices_[i].value * 100.0 / total_ : 0.0;
}

void Pie3DWidget::reserve(int slices) {
    slices_.reserve(std::size_t(std::max(0, slices)));
}

void Pie3DWidget::addSlice(double value, const QString& label) {
    slices_.push_back(Slice{std::max(0.0, value), label});
    total_ += slices_.back().value;
    // The legend catches up once, after a whole table has been added.
    if (!legendPending_) {
        legendPending_ = true;
        QMetaObject::invokeMethod(this, &Pie3DWidget::syncLegend, Qt::QueuedConnection);
    }
    update();
}

void Pie3DWidget::syncLegend() {
    if (legendModel_->rowCount() != sliceCount()) legendModel_->refresh();
    legendPending_ = false;
}

void Pie3DWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    legend_->setGeometry(width() - LegendWidth - 8, 8, LegendWidth, height() - 16);
}

QRectF Pie3DWidget::pieArea() const {
    return QRectF(8, 8, std::max(0, width() - LegendWidth - 24), std::max(0, height() - 16));
}

void Pie3DWidget::paintEvent(QPaintEvent*) {
    syncLegend();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    visibleLabels_.clear();
    labelRects_.clear();

    const QRectF area = pieArea();
    const QFontMetricsF metrics(font());
    // Room for labels around the disc; the disc is seen from about 45
    // degrees above, so it is half as high as it is wide.
    const double marginX = 80, marginY = metrics.height() + 10;
    double w = area.width() - 2 * marginX;
    double h = w * 0.5;
    const double maxH = (area.height() - 2 * marginY) / 1.22;
    if (h > maxH) {
        h = maxH;
        w = h * 2;
    }
    if (w < 20 || h < 10) return;
    const double depth = h * 0.22;
    const QRectF top(area.center().x() - w / 2, area.center().y() - (h + depth) / 2, w, h);
    const QRectF bottom = top.translated(0, depth);

    // A soft shadow under the disc.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(bottom.adjusted(-4, 4, 4, 8));

    if (slices_.empty() || total_ <= 0) {
        p.setBrush(QColor(0xE8, 0xE8, 0xE8));
        p.drawEllipse(top);
        return;
    }

    // Pieces to draw: runs of slices, slivers joined to the slices after them.
    struct Piece {
        double start, span; // degrees, counterclockwise from three o'clock
        QColor color;
    };
    std::vector<Piece> pieces;
    double done = 0;
    const std::size_t n = slices_.size();
    for (std::size_t i = 0; i < n;) {
        const double start = 90.0 - done / total_ * 360.0;
        const QColor c = color(int(i));
        double sum = slices_[i].value;
        std::size_t j = i + 1;
        while (sum / total_ * 360.0 < MinSpan && j < n)
            sum += slices_[j++].value;
        done += sum;
        pieces.push_back(Piece{start, -sum / total_ * 360.0, c});
        i = j;
    }

    // Walls: the front half of the rim (180 to 360 degrees), each piece's
    // share of it, in a darker shade.
    for (const Piece& piece : pieces) {
        double a = piece.start + piece.span, b = piece.start; // a < b
        for (double shift : {-360.0, 0.0, 360.0}) {
            const double lo = std::max(a + shift, 180.0), hi = std::min(b + shift, 360.0);
            if (hi - lo <= 0) continue;
            QPainterPath wall;
            wall.moveTo(onEllipse(top, lo));
            wall.arcTo(top, lo, hi - lo);
            wall.lineTo(onEllipse(bottom, hi));
            wall.arcTo(bottom, hi, lo - hi);
            wall.closeSubpath();
            p.fillPath(wall, piece.color.darker(150));
        }
    }
    // Top faces.
    for (const Piece& piece : pieces) {
        p.setBrush(piece.color);
        if (std::fabs(piece.span) >= 359.999)
            p.drawEllipse(top);
        else
            p.drawPie(top, int(std::lround(piece.start * 16)), int(std::lround(piece.span * 16)));
    }
    // A light rim on the top face makes the tilt easier to read.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.2));
    p.drawArc(top, 0, 360 * 16);

    // Labels: the widest slices first; one that would cover another, or
    // leave the widget, is left out.
    std::vector<std::pair<double, std::size_t>> candidates;
    done = 0;
    std::vector<double> middles(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const double span = slices_[i].value / total_ * 360.0;
        middles[i] = 90.0 - (done + slices_[i].value / 2) / total_ * 360.0;
        done += slices_[i].value;
        if (span >= MinLabelSpan) candidates.emplace_back(span, i);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    const QRectF bounds = rect().adjusted(2, 2, -LegendWidth - 10, -2);
    p.setPen(QColor(0x33, 0x33, 0x33));
    for (const auto& [span, i] : candidates) {
        const double m = middles[i];
        const bool front = std::sin(qDegreesToRadians(m)) < 0;
        const QRectF edgeRing = (front ? bottom : top);
        const QPointF anchor = onEllipse(top.adjusted(w * 0.12, h * 0.12, -w * 0.12, -h * 0.12), m);
        const QPointF outer = onEllipse(edgeRing.adjusted(-16, -12, 16, 12), m);
        const QString text = metrics.elidedText(slices_[i].label, Qt::ElideRight, 140);
        const double tw = metrics.horizontalAdvance(text) + 4, th = metrics.height();
        const bool right = std::cos(qDegreesToRadians(m)) >= 0;
        QRectF box(right ? outer.x() + 2 : outer.x() - 2 - tw, outer.y() - th / 2, tw, th);
        if (!bounds.contains(box)) continue;
        bool clash = false;
        for (const QRectF& placed : labelRects_)
            clash = clash || placed.intersects(box);
        if (clash) continue;
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 0.8));
        p.drawLine(anchor, outer);
        p.setPen(QColor(0x22, 0x22, 0x22));
        p.drawText(box, Qt::AlignVCenter | (right ? Qt::AlignLeft : Qt::AlignRight), text);
        labelRects_.push_back(box);
        visibleLabels_ << slices_[i].label;
    }
}
