#include "analysis/ui/chart/piechartwindow.h"

#include "localization/translation.h"
#include "widgets/placement.h"

#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

PieChartWindow::PieChartWindow(QWidget* centreOver)
    : QWidget(nullptr, Qt::Window) {
    Placement::centreWhenFirstShown(this, centreOver);
    // Not owned by the results window: closing that leaves the chart open.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(translateText("Pie Chart"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    pie_ = new Pie3DWidget(this);
    pie_->setObjectName("pie");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pie_);
    resize(740, 403);
    // Esc closes it, as it closes the other windows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

