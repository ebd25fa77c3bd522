#include "analysis/ui/chart/pie3dwidget.h"

#include "analysis/ui/chart/legendmodel.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QLineF>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Slivers narrower than this many degrees (under a pixel at usual sizes) are
// drawn together with the slivers after them.
constexpr double MinSpan = 0.25;
// Slices narrower than this many degrees never get a label on the pie; of
// the wider ones, those whose rim is shorter than MinLabelArc pixels do not
// either.
constexpr double MinLabelSpan = 1.0;
constexpr double MinLabelArc = 5.0;
constexpr double Margin = 8;
// Seen from about 45 degrees above: the disc is half as high as it is wide,
// and its rim a tenth of its width deep.
constexpr double Tilt = 0.5;
constexpr double Depth = 0.1;

// The point at the given angle (degrees clockwise from twelve o'clock) on
// the ellipse inscribed in r.
QPointF onEllipse(const QRectF& r, double degrees) {
    const double a = qDegreesToRadians(degrees);
    return {r.center().x() + r.width() / 2 * std::sin(a),
            r.center().y() - r.height() / 2 * std::cos(a)};
}

QRectF shrunk(const QRectF& r, double factor) {
    const double dx = r.width() * (1 - factor) / 2, dy = r.height() * (1 - factor) / 2;
    return r.adjusted(dx, dy, -dx, -dy);
}

// The slice from start to start + span (clockwise degrees) of the ellipse in
// r. QPainterPath measures counterclockwise from three o'clock.
QPainterPath wedge(const QRectF& r, double start, double span) {
    QPainterPath path;
    if (span >= 359.999) {
        path.addEllipse(r);
        return path;
    }
    path.moveTo(r.center());
    path.arcTo(r, 90 - start, -span);
    path.closeSubpath();
    return path;
}

bool crosses(const QLineF& line, const QRectF& r) {
    if (r.contains(line.p1()) || r.contains(line.p2())) return true;
    const QLineF edges[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    return std::any_of(std::begin(edges), std::end(edges), [&](const QLineF& edge) {
        return line.intersects(edge) == QLineF::BoundedIntersection;
    });
}

int legendWidth(int widgetWidth) {
    return std::clamp(widgetWidth * 3 / 10, 150, 240);
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
    legend_->setTextElideMode(Qt::ElideRight);
    legend_->setIconSize(QSize(10, 10));
    legend_->setFrameShape(QFrame::Box);
    legend_->setFrameShadow(QFrame::Plain);
    QPalette legendPalette = legend_->palette();
    legendPalette.setColor(QPalette::WindowText, QColor(0xC8, 0xC8, 0xC8));
    legendPalette.setColor(QPalette::Base, Qt::white);
    legend_->setPalette(legendPalette);
    legend_->header()->setStretchLastSection(false);
    legend_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    legend_->header()->setSectionResizeMode(1, QHeaderView::Fixed);
}

Pie3DWidget::~Pie3DWidget() = default;

const std::vector<QColor>& Pie3DWidget::palette() {
    // Neighbours differ in hue and lightness, so that adjacent slices stay
    // apart without an outline.
    static const std::vector<QColor> colors{
        QColor(0x4E, 0x79, 0xA7), QColor(0xF2, 0x8E, 0x2B), QColor(0xE1, 0x57, 0x59),
        QColor(0x76, 0xB7, 0xB2), QColor(0x59, 0xA1, 0x4F), QColor(0xED, 0xC9, 0x48),
        QColor(0xB0, 0x7A, 0xA1), QColor(0xFF, 0x9D, 0xA7), QColor(0x9C, 0x75, 0x5F),
        QColor(0xBA, 0xB0, 0xAC), QColor(0xA0, 0xCB, 0xE8), QColor(0xFF, 0xBE, 0x7D),
        QColor(0x8C, 0xD1, 0x7D), QColor(0xD3, 0x72, 0x95), QColor(0x49, 0x98, 0x94),
        QColor(0xD4, 0xA6, 0xC8), QColor(0xB6, 0x99, 0x2D), QColor(0x79, 0x70, 0x6E)};
    return colors;
}

QColor Pie3DWidget::color(int i) const {
    return palette()[std::size_t(i) % palette().size()];
}

double Pie3DWidget::percent(int i) const {
    return total_ > 0 ? slices_[std::size_t(i)].value * 100.0 / total_ : 0.0;
}

void Pie3DWidget::reserve(int slices) {
    slices_.reserve(std::size_t(std::max(0, slices)));
}

void Pie3DWidget::addSlice(double value, const QString& label) {
    if (!std::isfinite(value) || value < 0) value = 0;
    slices_.push_back(Slice{value, label});
    total_ += value;
    piecesStale_ = true;
    // The legend catches up once, after a whole table has been added.
    if (!legendPending_) {
        legendPending_ = true;
        QMetaObject::invokeMethod(this, &Pie3DWidget::syncLegend, Qt::QueuedConnection);
    }
    update();
}

void Pie3DWidget::syncLegend() {
    legendPending_ = false;
    if (legendModel_->rowCount() == sliceCount()) return;
    legendModel_->refresh();
    placeLegend();
}

void Pie3DWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLegend();
}

void Pie3DWidget::placeLegend() {
    const QFontMetrics metrics(legend_->font());
    const int percentWidth =
        metrics.horizontalAdvance(QLocale().toString(100.0, 'f', 2) + QStringLiteral(" %")) + 14;
    legend_->header()->resizeSection(1, percentWidth);
    // A short legend sits in the middle of its column; a long one fills it
    // and scrolls.
    const int rows = legendModel_->rowCount();
    const int rowHeight = rows > 0 ? legend_->sizeHintForRow(0) : 0;
    const int room = std::max(0, height() - 2 * int(Margin));
    const int wanted = rows * rowHeight + 2 * legend_->frameWidth() + 4;
    const int h = std::min(room, wanted);
    const int w = legendWidth(width());
    legend_->setGeometry(width() - w - int(Margin), (height() - h) / 2, w, h);
    legend_->setVisible(rows > 0);
}

QRectF Pie3DWidget::pieArea() const {
    return QRectF(Margin, Margin, std::max(0.0, width() - legendWidth(width()) - 3 * Margin),
                  std::max(0.0, height() - 2 * Margin));
}

Pie3DWidget::Disc Pie3DWidget::disc() const {
    const QRectF area = pieArea();
    const QFontMetricsF metrics(font());
    // Room around the disc for the labels.
    const double roomX = std::clamp(area.width() * 0.17, 40.0, 120.0);
    const double roomY = metrics.height() + 14;
    double w = area.width() - 2 * roomX;
    const double maxHeight = area.height() - 2 * roomY;
    if (w * (Tilt + Depth) > maxHeight) w = maxHeight / (Tilt + Depth);
    if (w < 24) return {};
    const double h = w * Tilt, depth = w * Depth;
    const QRectF top(area.center().x() - w / 2, area.center().y() - (h + depth) / 2, w, h);
    return {top, top.translated(0, depth)};
}

void Pie3DWidget::buildPieces() {
    pieces_.clear();
    labelCandidates_.clear();
    piecesStale_ = false;
    if (total_ <= 0) return;
    const std::size_t n = slices_.size();
    const double toDegrees = 360.0 / total_;
    double done = 0;
    for (std::size_t i = 0; i < n;) {
        const double span = slices_[i].value * toDegrees;
        const double start = done * toDegrees;
        if (span >= MinSpan) {
            pieces_.push_back(Piece{start, span, int(i)});
            if (span >= MinLabelSpan)
                labelCandidates_.push_back(LabelCandidate{start + span / 2, span, int(i)});
            done += slices_[i].value;
            ++i;
            continue;
        }
        // A run of slivers, up to the next visible slice or until the run
        // itself is wide enough to see.
        double sum = 0;
        std::size_t j = i;
        while (j < n && slices_[j].value * toDegrees < MinSpan && sum * toDegrees < MinSpan)
            sum += slices_[j++].value;
        if (sum > 0) pieces_.push_back(Piece{start, sum * toDegrees, int(i)});
        done += sum;
        i = j;
    }
    // The widest slices claim their label's place first.
    std::stable_sort(
        labelCandidates_.begin(), labelCandidates_.end(),
        [](const LabelCandidate& a, const LabelCandidate& b) { return a.span > b.span; });
}

void Pie3DWidget::paintEvent(QPaintEvent*) {
    if (legendPending_) syncLegend();
    if (piecesStale_) buildPieces();
    visibleLabels_.clear();
    labelRects_.clear();
    if (pieces_.empty()) return;
    const Disc d = disc();
    if (d.top.isEmpty()) return;

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    paintShadow(p, d);
    paintWalls(p, d);
    paintTops(p, d);
    paintLabels(p, d);
}

void Pie3DWidget::paintShadow(QPainter& p, const Disc& d) const {
    const QRectF r = d.bottom.adjusted(-d.bottom.width() * 0.03, d.bottom.height() * 0.06,
                                       d.bottom.width() * 0.03, d.bottom.height() * 0.12);
    // A round gradient squeezed to the ellipse's proportions.
    p.save();
    p.translate(r.center());
    p.scale(1, r.height() / r.width());
    QRadialGradient shade(QPointF(0, 0), r.width() / 2);
    shade.setColorAt(0.0, QColor(0, 0, 0, 60));
    shade.setColorAt(0.85, QColor(0, 0, 0, 25));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.drawEllipse(QPointF(0, 0), r.width() / 2, r.width() / 2);
    p.restore();
}

void Pie3DWidget::paintWalls(QPainter& p, const Disc& d) const {
    // Only the rim between three and nine o'clock, through six, faces the
    // viewer. A dark band behind it keeps the joins between walls from
    // showing the background.
    const QRectF top = d.top, bottom = d.bottom;
    auto band = [&](double from, double to) {
        QPainterPath path;
        path.moveTo(onEllipse(top, from));
        path.arcTo(top, 90 - from, from - to);
        path.lineTo(onEllipse(bottom, to));
        path.arcTo(bottom, 90 - to, to - from);
        path.closeSubpath();
        return path;
    };
    p.fillPath(band(90, 270), QColor(0x40, 0x40, 0x40));
    for (const Piece& piece : pieces_) {
        const double from = std::max(piece.start, 90.0);
        const double to = std::min(piece.start + piece.span, 270.0);
        if (to <= from) continue;
        // Lit from the front left: lighter there, darker towards the sides.
        const QColor c = color(piece.slice);
        QLinearGradient light(top.left(), 0, top.right(), 0);
        light.setColorAt(0.0, c.darker(190));
        light.setColorAt(0.35, c.darker(120));
        light.setColorAt(0.6, c.darker(135));
        light.setColorAt(1.0, c.darker(205));
        p.fillPath(band(from, to), light);
    }
}

void Pie3DWidget::paintTops(QPainter& p, const Disc& d) const {
    // The joins between slices let what is underneath shine through; the
    // palette's mean colour there keeps them from turning a pie of many
    // slivers pale.
    static const QColor base = [] {
        int r = 0, g = 0, b = 0;
        for (const QColor& c : palette())
            r += c.red(), g += c.green(), b += c.blue();
        const int n = int(palette().size());
        return QColor(r / n, g / n, b / n);
    }();
    if (pieces_.size() > 1) p.fillPath(wedge(d.top, 0, 360), base);
    for (const Piece& piece : pieces_)
        p.fillPath(wedge(d.top, piece.start, piece.span), color(piece.slice));
    // A soft sheen from the upper left and a light front edge make the
    // top read as a surface.
    QRadialGradient sheen(d.top.center() - QPointF(d.top.width() * 0.18, d.top.height() * 0.35),
                          d.top.width() * 0.75);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 60));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawEllipse(d.top);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
    p.drawArc(d.top, 180 * 16, 180 * 16);
    p.setPen(Qt::NoPen);
}

void Pie3DWidget::paintLabels(QPainter& p, const Disc& d) {
    const QFontMetricsF metrics(font());
    const double th = metrics.height();
    const QRectF bounds = pieArea().adjusted(-Margin + 2, -Margin + 2, Margin - 2, Margin - 2);
    const QRectF anchors = shrunk(d.top, 0.72);
    const QRectF backRing = d.top.adjusted(-14, -10, 14, 10);
    const QRectF frontRing = d.bottom.adjusted(-14, -10, 14, 10);
    const QPen leader(QColor(0x80, 0x80, 0x80), 0.8);
    const QColor ink(0x2A, 0x2A, 0x2A);
    // Rim length per degree, from the ellipse's approximate perimeter.
    const double rimPerDegree = std::numbers::pi * (d.top.width() + d.top.height()) / 2 / 360;
    std::vector<QLineF> leaders;

    for (const LabelCandidate& candidate : labelCandidates_) {
        if (candidate.span * rimPerDegree < MinLabelArc) break;
        const double m = candidate.middle;
        const double a = qDegreesToRadians(m);
        const bool right = std::sin(a) >= 0;
        const bool front = std::cos(a) < 0;
        const QPointF anchor = onEllipse(anchors, m);
        const QPointF elbow = onEllipse(front ? frontRing : backRing, m);
        const double tick = right ? 8 : -8;
        const double textX = elbow.x() + tick + (right ? 2 : -2);
        const double room = right ? bounds.right() - textX : textX - bounds.left();
        const QString& full = slices_[std::size_t(candidate.slice)].label;
        const QString text = metrics.elidedText(full, Qt::ElideRight, std::min(150.0, room));
        // A label cut down to a letter or two says nothing.
        if (text.isEmpty() || (text != full && text.size() < 4)) continue;
        const double tw = metrics.horizontalAdvance(text) + 2;

        // Where the natural place is taken, try a little further from the
        // middle line before giving up. A leader never crosses another
        // leader or a label.
        const double away = front ? th * 0.8 : -th * 0.8;
        for (const double shift : {0.0, away, 2 * away}) {
            const double y = elbow.y() + shift;
            const QRectF box(right ? textX : textX - tw, y - th / 2, tw, th);
            if (!bounds.contains(box)) continue;
            const QLineF spoke(anchor, QPointF(elbow.x(), y));
            const QLineF foot(spoke.p2(), QPointF(elbow.x() + tick, y));
            const bool clash =
                std::any_of(labelRects_.begin(), labelRects_.end(),
                            [&](const QRectF& r) {
                                return r.intersects(box) || crosses(spoke, r) || crosses(foot, r);
                            }) ||
                std::any_of(leaders.begin(), leaders.end(), [&](const QLineF& l) {
                    return crosses(l, box) || l.intersects(spoke) == QLineF::BoundedIntersection ||
                           l.intersects(foot) == QLineF::BoundedIntersection;
                });
            if (clash) continue;
            p.setPen(leader);
            const QPointF line[] = {spoke.p1(), spoke.p2(), foot.p2()};
            p.drawPolyline(line, 3);
            p.setPen(ink);
            p.drawText(box, Qt::AlignVCenter | (right ? Qt::AlignLeft : Qt::AlignRight), text);
            leaders.push_back(spoke);
            leaders.push_back(foot);
            labelRects_.push_back(box);
            visibleLabels_ << full;
            break;
        }
    }
}
