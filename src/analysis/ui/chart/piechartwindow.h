#pragma once

#include "analysis/ui/chart/pie3dwidget.h"

#include <QWidget>

// A pie-chart window: a snapshot of one table, drawn as a 3-D pie.
class PieChartWindow : public QWidget {
    Q_OBJECT

public:
    // Shown centred over centreOver (the screen's centre without one).
    explicit PieChartWindow(QWidget* centreOver);

    void addSlice(double value, const QString& label) { pie_->addSlice(value, label); }
    Pie3DWidget* pie() const { return pie_; }

private:
    Pie3DWidget* pie_ = nullptr;
};
