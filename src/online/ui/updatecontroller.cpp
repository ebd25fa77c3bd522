#include "online/ui/updatecontroller.h"

#include "online/ui/updatenotice.h"

#include <QAction>
#include <QTimer>
#include <QWidget>

UpdateController::UpdateController(QTimer* timer, QAction* action, UpdateCheck::Inputs inputs,
                                   const QString& productName, QWidget* mainWindow)
    : QObject(mainWindow), timer_(timer), action_(action), productName_(productName),
      mainWindow_(mainWindow), check_(std::make_unique<UpdateCheck>(std::move(inputs))) {
    setObjectName(QStringLiteral("updateController"));
    connect(timer, &QTimer::timeout, this, &UpdateController::tick);
    connect(action, &QAction::triggered, this, &UpdateController::toggleNotifications);
}

UpdateController::~UpdateController() {
    // The notice has no parent of its own.
    delete notice_.data();
}

void UpdateController::tick() {
    if (actedOn_) return;
    if (!check_->started()) {
        check_->start();
        return;
    }
    if (!check_->finished()) return;
    actedOn_ = true;
    if (timer_) timer_->stop();
    const UpdateCheck::Result& result = check_->result();
    if (action_) {
        action_->setEnabled(true);
        if (result.showUpdate == 0) action_->setChecked(false);
    }
    if (result.noticeDue)
        notice_ =
            new UpdateNotice(productName_, result.newVersion, result.downloadAddress, mainWindow_);
}

void UpdateController::toggleNotifications(bool checked) {
    // Enabled only once the check has finished, so the worker is done with
    // the store.
    if (!check_->finished()) return;
    check_->store().setShowUpdate(checked ? 1 : 0);
}
