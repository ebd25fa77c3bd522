#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

Dialogs::Handler& handler() {
    static Dialogs::Handler h;
    return h;
}

} // namespace

void Dialogs::setHandler(Handler h) {
    handler() = std::move(h);
}

QString Dialogs::withFullStop(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > 46) return text + u'.';
    return text;
}

void Dialogs::warning(QWidget* parent, const QString& title, const QString& text) {
    if (handler()) {
        handler()(Request{Kind::Warning, title, text, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void Dialogs::error(QWidget* parent, const QString& text) {
    const QString shown = withFullStop(text);
    if (handler()) {
        handler()(Request{Kind::Error, QStringLiteral("Lexometer"), shown, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lexometer"), shown, QMessageBox::Ok,
                    parent);
    box.exec();
}

QString Dialogs::saveFileName(QWidget* parent, const QString& filter,
                              const QString& suggestedName) {
    if (handler()) return handler()(Request{Kind::SaveFile, {}, {}, filter, suggestedName});
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}
