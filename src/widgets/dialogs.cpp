#include "widgets/dialogs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

Dialogs::Handler& handler() {
    static Dialogs::Handler h;
    return h;
}

// Sets a file dialog's folder and filters. Under right to left only the
// filters' names show: the patterns in parentheses, which Qt reads and so
// must stay bare, would otherwise come out in garbled order beside them.
void setUp(QFileDialog& dialog, const QString& filter) {
    dialog.setDirectory(Dialogs::startFolder());
    dialog.setOption(QFileDialog::HideNameFilterDetails, dialog.isRightToLeft());
    dialog.setNameFilter(filter);
}

// Runs a file dialog; the chosen file, or empty when it is cancelled.
QString chosenFile(QFileDialog& dialog) {
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
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
        handler()(Request{Kind::Warning, title, text, {}, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void Dialogs::error(QWidget* parent, const QString& text) {
    const QString shown = withFullStop(text);
    if (handler()) {
        handler()(Request{Kind::Error, QStringLiteral("Lexometer"), shown, {}, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lexometer"), shown, QMessageBox::Ok,
                    parent);
    box.exec();
}

namespace {

QString& lastFolder() {
    static QString folder;
    return folder;
}

} // namespace

void Dialogs::noteFileUsed(const QString& path) {
    lastFolder() = QFileInfo(path).absolutePath();
}

QString Dialogs::startFolder() {
    const QString folder = lastFolder();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::currentPath();
}

QString Dialogs::saveFileName(QWidget* parent, const QString& filter, const QString& suggestedName,
                              const QString& defaultSuffix) {
    if (handler())
        return handler()(Request{Kind::SaveFile, {}, {}, filter, suggestedName, {}, startFolder()});
    QFileDialog dialog(parent);
    setUp(dialog, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(suggestedName);
    return chosenFile(dialog);
}

QString Dialogs::openFileName(QWidget* parent, const QString& filter) {
    if (handler()) return handler()(Request{Kind::OpenFile, {}, {}, filter, {}, {}, startFolder()});
    QFileDialog dialog(parent);
    setUp(dialog, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosenFile(dialog);
}

QStringList Dialogs::openFileNames(QWidget* parent, const QString& filter) {
    if (handler())
        return handler()(Request{Kind::OpenFiles, {}, {}, filter, {}, {}, startFolder()})
            .split(u'\n', Qt::SkipEmptyParts);
    QFileDialog dialog(parent);
    setUp(dialog, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString Dialogs::nameFilters(const QString& pairs) {
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        // The name's own "(...)" is replaced by the patterns in the dialog's form.
        if (name.endsWith(u')')) {
            const qsizetype open = name.lastIndexOf(u'(');
            if (open >= 0) name = name.left(open).trimmed();
        }
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(name, patterns.join(u' '));
    }
    return filters.join(QLatin1String(";;"));
}

int Dialogs::messageDialog(QWidget* parent, const QString& text, MessageKind kind,
                           QList<Button> buttons, const QStringList& captions,
                           const QString& title) {
    if (handler()) {
        const QString answer = handler()(Request{Kind::Message, title, text, {}, {}, captions});
        bool ok = false;
        const int result = answer.toInt(&ok);
        return ok ? result : int(Ok);
    }
    const QMessageBox::Icon icon = kind == MessageKind::Warning       ? QMessageBox::Warning
                                   : kind == MessageKind::Error       ? QMessageBox::Critical
                                   : kind == MessageKind::Information ? QMessageBox::Information
                                                                      : QMessageBox::Question;
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QList<QPair<QAbstractButton*, Button>> created;
    for (Button b : buttons) {
        const auto standard = b == Yes  ? QMessageBox::Yes
                              : b == No ? QMessageBox::No
                                        : QMessageBox::Ok;
        created.append(qMakePair(static_cast<QAbstractButton*>(box.addButton(standard)), b));
    }
    for (int i = 0; i < created.size() && i < captions.size(); ++i)
        created[i].first->setText(captions[i]);
    box.exec();
    for (const auto& [button, result] : created)
        if (box.clickedButton() == button) return int(result);
    return buttons.isEmpty() ? int(Ok) : int(buttons.last());
}
