#pragma once

#include "online/ui/updatenotice.h"
#include "online/updatecheck.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QAction;
class QTimer;
class QWidget;

// Drives the update check from the main window's 1000 ms timer: the first
// tick starts the worker, later ticks poll it on the user-interface thread;
// once it has finished the timer stops, the "Update Notifications" item is
// enabled (unchecked when the notices are off) and a notice opens when one is
// due. Toggling the item writes "ShowUpdate" for the next run.
class UpdateController : public QObject {
    Q_OBJECT

public:
    // `timer` and `action` belong to `mainWindow`, which also owns this
    // controller; `action` is checkable, checked and disabled.
    UpdateController(QTimer* timer, QAction* action, UpdateCheck::Inputs inputs,
                     const QString& productName, QWidget* mainWindow);
    ~UpdateController() override;

    const UpdateCheck& check() const { return *check_; }
    // The notice opened by this run, if any.
    UpdateNotice* notice() const { return notice_; }

public slots:
    void tick();

private:
    void toggleNotifications(bool checked);

    QPointer<QTimer> timer_;
    QPointer<QAction> action_;
    QString productName_;
    QPointer<QWidget> mainWindow_;
    std::unique_ptr<UpdateCheck> check_;
    QPointer<UpdateNotice> notice_;
    bool actedOn_ = false;
};
