#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every modal dialog of the program goes through here, so that tests can
// answer them without a dialog on screen.
namespace Dialogs {

enum class Kind { Warning, Error, SaveFile, OpenFile, OpenFiles, Message };
struct Request {
    Kind kind;
    QString title;
    QString text;
    QString filter;
    QString suggestedName;
    QStringList captions; // Message: the button captions in order
    QString folder = {};  // file dialogs: the folder they start in
};
// Receives each request instead of a dialog; for SaveFile it returns the
// chosen path (empty: cancelled), and so for OpenFile; for OpenFiles the
// chosen paths joined by '\n'. An empty handler restores the dialogs.
using Handler = std::function<QString(const Request&)>;
void setHandler(Handler handler);

// The platform's message box with the warning icon and one OK button.
void warning(QWidget* parent, const QString& title, const QString& text);
// The general error box: the text with a full stop added when its last
// character's code is above 46, a stop icon, OK, titled "Lexometer".
void error(QWidget* parent, const QString& text);
// A save-file dialog that adds `defaultSuffix` to a name typed without
// one and asks before it replaces a file; empty when cancelled.
QString saveFileName(QWidget* parent, const QString& filter, const QString& suggestedName,
                     const QString& defaultSuffix = QStringLiteral("csv"));
// File dialogs start in the folder of the last file loaded or saved in this
// run, else in the working folder.
void noteFileUsed(const QString& path);
QString startFolder();

// An open-file dialog for one existing file, the first filter selected;
// empty when cancelled.
QString openFileName(QWidget* parent, const QString& filter);
// An open-file dialog for several existing files, the first filter
// selected; the paths in the order the dialog gives them, none when
// cancelled.
QStringList openFileNames(QWidget* parent, const QString& filter);
// Filters written as "Name (*.a;*.b)|*.a;*.b|..." pairs in the form the
// file dialogs take: "Name (*.a *.b);;...". "*.*" becomes "*", which
// also matches names without a dot.
QString nameFilters(const QString& pairs);

// The standard message dialog of a kind (warning, error, information,
// confirmation) with standard buttons whose push buttons get `captions`
// in the order the dialog created them. Returns the pressed button's
// standard result: OK 1, Yes 6, No 7. A test handler answers with that
// number as text.
enum class MessageKind { Warning, Error, Information, Confirmation };
enum Button { Ok = 1, Yes = 6, No = 7 };
int messageDialog(QWidget* parent, const QString& text, MessageKind kind, QList<Button> buttons,
                  const QStringList& captions, const QString& title);

QString withFullStop(const QString& text);
} // namespace Dialogs
