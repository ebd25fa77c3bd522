#include "filesizelimit.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/texteditor.h"
#include "testfiles.h"
#include "testpdf.h"
#include "text/inistore.h"
#include "widgetlookup.h"
#include "widgets/dialogs.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <random>

namespace {

TextEditor* editorOf(const MainWindow* form) {
    return findWidget<TextEditor>(form, "editor");
}

} // namespace

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

using TestFiles::read;
using TestFiles::utf16;
using TestFiles::write;

QString editorText(const MainWindow& form) {
    // The editor's lines joined with LF.
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r"));
    return editorOf(&form)->text().replace(breaks, QStringLiteral("\n"));
}

QString statusText(const MainWindow& form) {
    return findWidget<QStatusBar>(&form, "statusBar")->findChild<QLabel*>()->text();
}

long caret(const MainWindow& form) {
    return editorOf(&form)->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS);
}

// Drags `data` onto a widget and drops it there; true when the drop is taken.
bool drop(QWidget* target, QMimeData& data) {
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// Drops local files on a widget the way a file manager does.
void dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    data.setText(paths.join(u'\n')); // file managers offer the names as text too
    QVERIFY(drop(target, data));
}

} // namespace

class TestTextEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Control characters (a form feed from pdftotext) show as one plain sign,
    // the text keeping them; an empty editor has no horizontal scroll bar.
    void controlCharactersAndScrollWidth() {
        TextEditor editor;
        editor.resize(400, 200);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCOMPARE(editor.SendScintilla(QsciScintillaBase::SCI_GETCONTROLCHARSYMBOL),
                 long(TextEditor::ControlCharacterSymbol));
        QVERIFY(editor.SendScintilla(QsciScintillaBase::SCI_GETSCROLLWIDTHTRACKING) != 0);
        QVERIFY(!editor.horizontalScrollBar()->isVisible());
        editor.setText(QStringLiteral("page one\fpage two"));
        QCOMPARE(editor.text(), QStringLiteral("page one\fpage two"));
    }
    void init() {
        requests.clear();
        answer.clear();
        Dialogs::setHandler([this](const Dialogs::Request& r) {
            requests << r;
            return r.kind == Dialogs::Kind::OpenFile || r.kind == Dialogs::Kind::SaveFile
                       ? answer
                       : QString();
        });
    }
    void cleanup() { Dialogs::setHandler({}); }

    void loadEncodings_data();
    void loadEncodings();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveKeepsTheNotedStyle();
    void loadFailureKeepsTheEditor_data();
    void loadFailureKeepsTheEditor();
    void pdfThroughTheChosenEngine_data();
    void pdfThroughTheChosenEngine();
    void saveFailureKeepsTheFile();
    void sizeLine_data();
    void sizeLine();
    void editsKeepTheCount();
    void dropThreeFiles_data();
    void dropThreeFiles();
    void dropStopsAtAnError();
    void pdfRouting_data();
    void pdfRouting();
    void loadThroughTheDialog();
    void togglesAndSettings();
    void wordWrapSuspendedForLongTexts_data();
    void wordWrapSuspendedForLongTexts();
    void editorSetUp();
    void endKey();
    void tabMovesTheFocus();
    void backspaceInIndentation();
    void undoGroupsTypingWithoutRedo();
    void contextMenu();
    void scrollHint();
    void accessibleText();

private:
    QList<Dialogs::Request> requests;
    QString answer;
};

void TestTextEditor::loadEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bom");
    const QString accented = QStringLiteral("café\nnaïve 😀");
    QTest::newRow("UTF-8") << accented.toUtf8() << accented << false;
    QTest::newRow("UTF-8 with BOM") << Bom + accented.toUtf8() << accented << true;
    QTest::newRow("UTF-16 LE") << utf16(accented, QStringConverter::Utf16LE) << accented << true;
    QTest::newRow("UTF-16 BE") << utf16(accented, QStringConverter::Utf16BE) << accented << true;
    QTest::newRow("ANSI accented") << QByteArray("caf\xE9\r\nna\xEFve") << "café\nnaïve" << false;
    QTest::newRow("invalid UTF-8") << QByteArray("\xC3\x28 ok") << "Ã( ok" << false;
    QTest::newRow("BOM, then invalid UTF-8")
        << Bom + QByteArray("caf\xE9") << QStringLiteral("caf\uFFFD") << true;
    QTest::newRow("empty") << QByteArray() << "" << false;
    // Read in pieces, the file is found not to be UTF-8 only after the first.
    QTest::newRow("ANSI after 5 MB")
        << QByteArray(5 << 20, 'a') + "\xE9" << QString(5 << 20, u'a') + u'é' << false;
}

void TestTextEditor::loadEncodings() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, bom);
    QTemporaryDir dir;
    const QString path = dir.filePath("text.txt");
    write(path, bytes);
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("old\ntext"));
    editorOf(&form)->setCursorPosition(1, 2);
    FileError error;
    QVERIFY2(form.loadFile(path, &error), qPrintable(FileErrorText::text(error)));
    QCOMPARE(editorText(form), text);
    QCOMPARE(form.byteOrderMark(), bom);
    QCOMPARE(caret(form), 0L);
    QCOMPARE(statusText(form), QStringLiteral("File Size: %1 bytes")
                                   .arg(QLocale().toString(text.size() + text.count(u'\n'))));
}

void TestTextEditor::saveRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<int>("style");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n")
                           << int(LineBreakStyle::CrLf);
    QTest::newRow("LF") << QByteArray("a\n\nb") << QByteArray("a\n\nb") << int(LineBreakStyle::Lf);
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArray("a\rb\r") << int(LineBreakStyle::Cr);
    QTest::newRow("line separator") << QByteArray("a\xE2\x80\xA8"
                                                  "b\nc")
                                    << QByteArray("a\xE2\x80\xA8"
                                                  "b\xE2\x80\xA8"
                                                  "c")
                                    << int(LineBreakStyle::LineSeparator);
    QTest::newRow("CR LF and LF mixed")
        << QByteArray("a\r\nb\nc") << QByteArray("a\r\nb\r\nc") << int(LineBreakStyle::CrLf);
    QTest::newRow("no break") << QByteArray("one line") << QByteArray("one line")
                              << int(LineBreakStyle::CrLf);
    QTest::newRow("UTF-8 BOM") << Bom + "x\ny\n" << Bom + "x\ny\n" << int(LineBreakStyle::Lf);
    QTest::newRow("UTF-16 BOM") << utf16(QStringLiteral("é\ry"), QStringConverter::Utf16LE)
                                << Bom + "\xC3\xA9\ry" << int(LineBreakStyle::Cr);
}

void TestTextEditor::saveRoundTrip() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    QFETCH(int, style);
    QTemporaryDir dir;
    write(dir.filePath("in.txt"), bytes);
    MainWindow form;
    FileError error;
    QVERIFY(form.loadFile(dir.filePath("in.txt"), &error));
    QCOMPARE(int(form.lineBreakStyle()), style);
    answer = dir.filePath("out.txt");
    findWidget<QAction>(&form, "saveAsAction")->trigger();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::SaveFile);
    QCOMPARE(requests[0].filter, QStringLiteral("Text File (*.txt);;All Files (*)"));
    QCOMPARE(read(answer), saved);
}

void TestTextEditor::saveKeepsTheNotedStyle() {
    QTemporaryDir dir;
    MainWindow form;
    answer = dir.filePath("typed.txt");
    // Nothing loaded yet: CR LF, no byte-order mark.
    editorOf(&form)->setText(QStringLiteral("a\nb"));
    form.saveTextAs();
    QCOMPARE(read(answer), QByteArray("a\r\nb"));

    write(dir.filePath("lf.txt"), Bom + "x\ny");
    FileError error;
    QVERIFY(form.loadFile(dir.filePath("lf.txt"), &error));
    // New, typing and pasting keep what the load noted.
    findWidget<QAction>(&form, "newAction")->trigger();
    QCOMPARE(editorText(form), QString());
    QTest::keyClicks(editorOf(&form), QStringLiteral("p"));
    QTest::keyClick(editorOf(&form), Qt::Key_Return);
    QTest::keyClicks(editorOf(&form), QStringLiteral("q"));
    form.saveTextAs();
    QCOMPARE(read(answer), Bom + "p\nq");

    answer.clear(); // cancelled: nothing written
    editorOf(&form)->setText(QStringLiteral("changed"));
    form.saveTextAs();
    QCOMPARE(read(dir.filePath("typed.txt")), Bom + "p\nq");
}

void TestTextEditor::pdfThroughTheChosenEngine_data() {
    QTest::addColumn<bool>("tool");
    QTest::newRow("in-process") << false;
    QTest::newRow("pdftotext") << true;
}

void TestTextEditor::pdfThroughTheChosenEngine() {
    QFETCH(bool, tool);
    // A copy of this program in a folder of its own, which becomes the data
    // folder, with the build's pdftotext beside it.
    QTemporaryDir dir;
    const QString program = dir.filePath("lexometer");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QDir(dir.path()).mkdir("xpdf"));
    QVERIFY(QFile::link(QCoreApplication::applicationDirPath() + "/xpdf/pdftotext",
                        dir.filePath("xpdf/pdftotext")));
    const QString pdf = dir.filePath("two pages.PDF");
    write(pdf, TestPdf::makePdf({"", "First page", "Second page"}));
    MainWindow form;
    form.startUp(form.programSteps(program));
    // The PDF module loaded at start-up.
    QVERIFY2(requests.isEmpty(), requests.isEmpty() ? "" : qPrintable(requests[0].text));
    if (tool) findWidget<QAction>(&form, "xpdfAction")->trigger();
    FileError error;
    QVERIFY2(form.loadFile(pdf, &error), qPrintable(FileErrorText::text(error)));
    const QString text = editorText(form);
    auto* log = findWidget<QPlainTextEdit>(&form, "pdfToolLog");
    if (tool) {
        // pdftotext ends each page with a form feed.
        QCOMPARE(text, QStringLiteral("\fFirst page\n\n\fSecond page\n\n\f\n"));
        QVERIFY(log->toPlainText().contains("Commencing processing..."));
    } else {
        // Pages before the first with text add nothing; two CRs separate pages.
        QCOMPARE(text, QStringLiteral("First page\n\nSecond page"));
        QVERIFY(log->toPlainText().isEmpty());
    }
    QVERIFY(!log->isVisible());
}

void TestTextEditor::loadFailureKeepsTheEditor_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing.txt"
                                  << "Cannot open file";
    QTest::newRow("a folder") << "folder.txt"
                              << "Cannot open file";
    QTest::newRow("damaged PDF") << "paper.pdf"
                                 << "File is not a PDF document or is corrupted";
    QTest::newRow("too large for the editor") << "huge.txt"
                                              << "Cannot open file";
}

void TestTextEditor::loadFailureKeepsTheEditor() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("folder.txt");
    write(dir.filePath("paper.pdf"), "%PDF-1.4");
    QFile huge(dir.filePath("huge.txt"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(1) << 31)); // sparse: takes no room
    write(dir.filePath("lf.txt"), Bom + "kept\ntext");
    MainWindow form;
    FileError error;
    QVERIFY(form.loadFile(dir.filePath("lf.txt"), &error));
    answer = dir.filePath(name);
    form.openFile();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[1].kind, Dialogs::Kind::Error);
    QVERIFY2(requests[1].text.startsWith(reason), qPrintable(requests[1].text));
    // The PDF engine's texts name no file.
    if (!name.endsWith(QLatin1String(".pdf"))) QVERIFY(requests[1].text.contains(answer));
    QVERIFY(requests[1].text.endsWith(u'.'));
    QCOMPARE(editorText(form), QStringLiteral("kept\ntext"));
    QCOMPARE(form.lineBreakStyle(), LineBreakStyle::Lf);
    QVERIFY(form.byteOrderMark());
    QVERIFY(!QApplication::overrideCursor());
}

void TestTextEditor::saveFailureKeepsTheFile() {
    QTemporaryDir dir;
    const QString existing = dir.filePath("existing.txt");
    write(existing, "old contents");
    MainWindow form;
    editorOf(&form)->setText(QString(4096, u'x'));
    answer = existing;
    {
        FileSizeLimit limit(100); // a full disk
        form.saveTextAs();
    }
    QCOMPARE(read(existing), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"existing.txt"});
    answer = dir.filePath("no/such/folder/x.txt");
    form.saveTextAs();
    QCOMPARE(requests.size(), 4);
    for (int i : {1, 3}) {
        QCOMPARE(requests[i].kind, Dialogs::Kind::Error);
        QVERIFY2(requests[i].text.startsWith("Cannot "), qPrintable(requests[i].text));
    }
    QVERIFY(requests[1].text.contains(existing));
}

void TestTextEditor::sizeLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("size");
    QTest::newRow("empty") << QByteArray() << "0";
    QTest::newRow("two lines, 2 and 1 characters") << QByteArray("ab\nc") << "5";
    QTest::newRow("CR LF in the file") << QByteArray("ab\r\nc") << "5";
    QTest::newRow("final break") << QByteArray("a\n") << "3";
    QTest::newRow("outside the BMP") << QByteArray("\xF0\x9F\x98\x80\n") << "4";
    QTest::newRow("thousands") << QByteArray(1234567, 'x') << "1,234,567";
}

void TestTextEditor::sizeLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, size);
    QTemporaryDir dir;
    write(dir.filePath("t.txt"), bytes);
    MainWindow form;
    form.startUp(form.programSteps());
    FileError error;
    QVERIFY(form.loadFile(dir.filePath("t.txt"), &error));
    QCOMPARE(statusText(form), QStringLiteral("File Size: %1 bytes").arg(size));
    // Edits keep it up to date once control is back in the event loop.
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QTest::keyClick(editorOf(&form), Qt::Key_Return);
    QTest::keyClicks(editorOf(&form), QStringLiteral("xy"));
    const qint64 grown = QLocale().toLongLong(size) + 4;
    QTRY_COMPARE(statusText(form),
                 QStringLiteral("File Size: %1 bytes").arg(QLocale().toString(grown)));
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QTRY_COMPARE(statusText(form),
                 QStringLiteral("File Size: %1 bytes").arg(QLocale().toString(grown - 2)));
    findWidget<QAction>(findWidget<QMenu>(&form, "editMenu"), "selectAllAction")->trigger();
    findWidget<QAction>(findWidget<QMenu>(&form, "editMenu"), "cutAction")->trigger();
    QTRY_COMPARE(statusText(form), QStringLiteral("File Size: 0 bytes"));
    findWidget<QAction>(findWidget<QMenu>(&form, "editMenu"), "undoAction")->trigger();
    QTRY_COMPARE(statusText(form),
                 QStringLiteral("File Size: %1 bytes").arg(QLocale().toString(grown - 2)));
    findWidget<QAction>(&form, "newAction")->trigger();
    QTRY_COMPARE(statusText(form), QStringLiteral("File Size: 0 bytes"));
}

void TestTextEditor::editsKeepTheCount() {
    // Random insertions and deletions, CR LF pairs formed and parted at
    // their edges, then everything undone.
    const auto expected = [](const QString& text) {
        qint64 n = text.size();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            else if (text[i] == u'\r' || text[i] == u'\n')
                ++n;
        }
        return n;
    };
    TextEditor editor;
    editor.setTextUtf8("start\nof the text\r\n");
    QCOMPARE(editor.joinedLength(), expected(editor.text()));
    const QStringList pieces{"a", "\r", "\n", "\r\n", "é", "😀", "x\ry", "\n\r"};
    std::mt19937 random(7);
    // A position at the start of a character; between CR and LF is allowed.
    const auto boundary = [&](long at) {
        while (at > 0 && (editor.SendScintilla(QsciScintilla::SCI_GETCHARAT, at) & 0xC0) == 0x80)
            --at;
        return at;
    };
    for (int step = 0; step < 400; ++step) {
        const long length = editor.SendScintilla(QsciScintilla::SCI_GETLENGTH);
        if (random() % 3 != 0 || length == 0) {
            editor.SendScintilla(QsciScintilla::SCI_INSERTTEXT, boundary(random() % (length + 1)),
                                 pieces[random() % pieces.size()].toUtf8().constData());
        } else {
            const long from = boundary(random() % length);
            long to = boundary(std::min(length, from + 1 + long(random() % 4)));
            if (to <= from) to = editor.SendScintilla(QsciScintilla::SCI_POSITIONAFTER, from);
            editor.SendScintilla(QsciScintilla::SCI_DELETERANGE, from, to - from);
        }
        QCOMPARE(editor.joinedLength(), expected(editor.text()));
    }
    while (editor.isUndoAvailable())
        editor.undo();
    QCOMPARE(editor.text(), QStringLiteral("start\nof the text\r\n"));
    QCOMPARE(editor.joinedLength(), expected(editor.text()));
}

void TestTextEditor::dropThreeFiles_data() {
    QTest::addColumn<bool>("onEditor");
    QTest::newRow("on the window") << false;
    QTest::newRow("on the editor") << true;
}

void TestTextEditor::dropThreeFiles() {
    QFETCH(bool, onEditor);
    QTemporaryDir dir;
    // The third path is longer than 255 characters.
    QString deep = dir.path();
    for (int i = 0; deep.size() <= 300; ++i)
        deep += QStringLiteral("/folder-with-a-long-name-%1").arg(i);
    QVERIFY(QDir().mkpath(deep));
    const QStringList paths{dir.filePath("one.txt"), dir.filePath("two.txt"),
                            deep + QStringLiteral("/three.txt")};
    write(paths[0], "first");
    write(paths[1], "second");
    write(paths[2], "third\r\nfile");
    MainWindow form;
    form.show();
    dropFiles(onEditor ? editorOf(&form)->viewport() : static_cast<QWidget*>(&form), paths);
    QVERIFY(requests.isEmpty());
    QCOMPARE(editorText(form), QStringLiteral("third\nfile"));
    QCOMPARE(form.lineBreakStyle(), LineBreakStyle::CrLf);
    QCOMPARE(caret(form), 0L);
}

void TestTextEditor::dropStopsAtAnError() {
    QTemporaryDir dir;
    write(dir.filePath("one.txt"), "first");
    write(dir.filePath("three.txt"), "third");
    MainWindow form;
    form.loadDroppedFiles(
        {dir.filePath("one.txt"), dir.filePath("two.txt"), dir.filePath("three.txt")});
    QCOMPARE(requests.size(), 1);
    QVERIFY(requests[0].text.contains(dir.filePath("two.txt")));
    QCOMPARE(editorText(form), QStringLiteral("first"));

    // Text dragged onto the editor is still inserted as text.
    QMimeData data;
    data.setText(QStringLiteral("dragged "));
    QVERIFY(drop(editorOf(&form)->viewport(), data));
    QVERIFY(editorText(form).contains(QStringLiteral("dragged ")));
    QCOMPARE(requests.size(), 1);
}

void TestTextEditor::pdfRouting_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("converted");
    QTest::newRow("lower case") << "paper.pdf" << true;
    QTest::newRow("capitals") << "PAPER.PDF" << true;
    QTest::newRow("mixed") << "paper.Pdf" << true;
    QTest::newRow("PDF named .txt") << "paper.pdf.txt" << false;
}

void TestTextEditor::pdfRouting() {
    QFETCH(QString, name);
    QFETCH(bool, converted);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    write(path, "%PDF-1.4\n");
    QStringList asked;
    MainWindow form;
    form.pdfEngines().setOverride([&](const QString& file, std::string* utf8, QString*) {
        asked << file;
        *utf8 = "converted\r\ntext";
        return true;
    });
    FileError error;
    QVERIFY(form.loadFile(path, &error));
    QCOMPARE(asked, converted ? QStringList{path} : QStringList());
    QCOMPARE(editorText(form),
             converted ? QStringLiteral("converted\ntext") : QStringLiteral("%PDF-1.4\n"));
}

void TestTextEditor::loadThroughTheDialog() {
    QTemporaryDir dir;
    write(dir.filePath("chosen.txt"), "chosen\n");
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("before"));
    findWidget<QPushButton>(&form, "loadButton")->click(); // cancelled
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].kind, Dialogs::Kind::OpenFile);
    QCOMPARE(requests[0].filter, QStringLiteral("Supported Files (*.pdf *.txt);;PDF File (*.pdf);;"
                                                "Text File (*.txt);;All Files (*)"));
    QCOMPARE(editorText(form), QStringLiteral("before"));
    answer = dir.filePath("chosen.txt");
    findWidget<QAction>(&form, "loadAction")->trigger();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(editorText(form), QStringLiteral("chosen\n"));
    QVERIFY(!QApplication::overrideCursor());
}

void TestTextEditor::togglesAndSettings() {
    QTemporaryDir dir;
    MainWindow form;
    form.useDataFolder(dir.path() + u'/');
    const auto widths = [&] {
        QList<int> w;
        for (int band = 0; band < editorOf(&form)->margins(); ++band)
            w << editorOf(&form)->marginWidth(band);
        return w;
    };
    const auto saved = [&](const char* key) {
        IniStore ini;
        ini.open(form.dataFolder() + "settings.ini");
        return ini.read("Settings", key);
    };
    QCOMPARE(editorOf(&form)->margins(), 5);
    const QList<int> shown = widths();
    QCOMPARE(shown[0], 13);
    QVERIFY(shown[1] > 0);
    QCOMPARE(shown[4], 3);
    QVERIFY(editorOf(&form)->marginLineNumbers(1));

    findWidget<QAction>(&form, "lineNumbersAction")->trigger();
    QVERIFY(!findWidget<QAction>(&form, "lineNumbersAction")->isChecked());
    QCOMPARE(widths(), QList<int>(5, 0)); // marks and margin too
    QVERIFY(!editorOf(&form)->marginLineNumbers(1));
    QCOMPARE(saved("ShowLineNumbers"), QStringLiteral("OFF"));
    findWidget<QAction>(&form, "lineNumbersAction")->trigger();
    QCOMPARE(widths(), shown);
    QCOMPARE(saved("ShowLineNumbers"), QStringLiteral("ON"));

    QCOMPARE(editorOf(&form)->wrapMode(), QsciScintilla::WrapNone);
    findWidget<QAction>(&form, "wordWrapAction")->trigger();
    QCOMPARE(editorOf(&form)->wrapMode(), QsciScintilla::WrapWord);
    QCOMPARE(editorOf(&form)->SendScintilla(QsciScintilla::SCI_GETHSCROLLBAR), 0L);
    QCOMPARE(saved("WordWrap"), QStringLiteral("ON"));
    findWidget<QAction>(&form, "wordWrapAction")->trigger();
    QCOMPARE(editorOf(&form)->wrapMode(), QsciScintilla::WrapNone);
    QCOMPARE(editorOf(&form)->SendScintilla(QsciScintilla::SCI_GETHSCROLLBAR), 1L);
    QCOMPARE(saved("WordWrap"), QStringLiteral("OFF"));
}

// A text longer than the limit is shown unwrapped, however it came in, with
// a note; the setting stays as chosen and wrapping comes back once the text
// is short again.
void TestTextEditor::wordWrapSuspendedForLongTexts_data() {
    QTest::addColumn<QString>("arrival");
    QTest::newRow("loaded with Word Wrap on") << "load";
    QTest::newRow("Word Wrap turned on after the load") << "turn on";
    QTest::newRow("pasted into a wrapped text") << "paste";
    QTest::newRow("typed past the limit") << "type";
}

void TestTextEditor::wordWrapSuspendedForLongTexts() {
    QFETCH(QString, arrival);
    QTemporaryDir dir;
    MainWindow form;
    form.useDataFolder(dir.path() + u'/');
    form.show();
    TextEditor* editor = editorOf(&form);
    auto* wordWrap = findWidget<QAction>(&form, "wordWrapAction");
    auto* note = findWidget<QLabel>(&form, "wrapNoteLabel");
    const QByteArray line("In the beginning God created the heaven and the earth.\n");
    QByteArray text;
    while (text.size() <= TextEditor::WordWrapLimit)
        text += line;
    const auto wrapped = [&] {
        return editor->wrapMode() == QsciScintilla::WrapWord &&
               editor->SendScintilla(QsciScintilla::SCI_GETHSCROLLBAR) == 0;
    };

    if (arrival != "turn on") wordWrap->trigger();
    if (arrival == "load" || arrival == "turn on") {
        const QString path = dir.filePath("long.txt");
        TestFiles::write(path, text);
        FileError error;
        QVERIFY2(form.loadFile(path, &error), qPrintable(FileErrorText::text(error)));
        if (arrival == "turn on") wordWrap->trigger();
    } else if (arrival == "paste") {
        editor->setText(QStringLiteral("short"));
        QVERIFY(wrapped());
        QApplication::clipboard()->setText(QString::fromUtf8(text));
        editor->paste();
    } else {
        text.chop(line.size());
        editor->setText(QString::fromUtf8(text));
        QVERIFY(wrapped());
        editor->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
        QTest::keyClicks(editor, QString::fromUtf8(line.chopped(1).repeated(2)));
    }
    QCoreApplication::processEvents();
    QVERIFY(!wrapped());
    QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETHSCROLLBAR), 1L);
    QVERIFY(note->isVisible());
    QVERIFY(wordWrap->isChecked());
    IniStore ini;
    ini.open(form.dataFolder() + "settings.ini");
    QCOMPARE(ini.read("Settings", "WordWrap"), QStringLiteral("ON"));

    // Short again: wrapped, no note.
    const long length = editor->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    editor->SendScintilla(QsciScintilla::SCI_DELETERANGE, 0L, length - 100);
    QCoreApplication::processEvents();
    QVERIFY(wrapped());
    QVERIFY(!note->isVisible());
    // Turned off by the user: no note even for a long text.
    wordWrap->trigger();
    editor->setText(QString::fromUtf8(text));
    QCoreApplication::processEvents();
    QCOMPARE(editor->wrapMode(), QsciScintilla::WrapNone);
    QVERIFY(!note->isVisible());
}

void TestTextEditor::editorSetUp() {
    MainWindow form;
    TextEditor* editor = editorOf(&form);
    const auto send = [editor](unsigned int message, unsigned long w = 0) {
        return editor->SendScintilla(message, w);
    };
    // Monospaced as drawn; Qt's fixed-pitch flag calls some such fonts proportional.
    const QFontMetricsF metrics(editor->font());
    for (QChar c : QStringLiteral("ilW0 ."))
        QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(u'M'));
    QCOMPARE(QFontInfo(editor->font()).pixelSize(), 13);
    QCOMPARE(send(QsciScintilla::SCI_GETSELALPHA), 102L); // 40 %
    QCOMPARE(send(QsciScintilla::SCI_GETEDGEMODE), long(QsciScintilla::EDGE_NONE));
    QCOMPARE(send(QsciScintilla::SCI_GETWRAPVISUALFLAGS), 0L);
    QVERIFY(editor->autoIndent());
    QCOMPARE(editor->folding(), QsciScintilla::NoFoldStyle);

    // Alt+drag selects a column block.
    form.resize(600, 400);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    editor->setText(QStringLiteral("abcdef\nghijkl\nmnopqr"));
    const auto point = [editor](long position) {
        return QPoint(
            int(editor->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, position)),
            int(editor->SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0UL, position)) + 2);
    };
    QWidget* view = editor->viewport();
    QTest::mousePress(view, Qt::LeftButton, Qt::AltModifier, point(1));
    QMouseEvent drag(QEvent::MouseMove, point(18), view->mapToGlobal(point(18)), Qt::NoButton,
                     Qt::LeftButton, Qt::AltModifier);
    QApplication::sendEvent(view, &drag);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::AltModifier, point(18));
    QVERIFY(send(QsciScintilla::SCI_SELECTIONISRECTANGLE));
    QCOMPARE(editor->selectedText(), QStringLiteral("bcd\nhij\nnop\n"));
}

void TestTextEditor::endKey() {
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("abc   \nxyz"));
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
    QTest::keyClick(editorOf(&form), Qt::Key_End);
    QCOMPARE(caret(form), 3L); // end of the text
    QTest::keyClick(editorOf(&form), Qt::Key_End);
    QCOMPARE(caret(form), 6L); // real end
    QTest::keyClick(editorOf(&form), Qt::Key_End);
    QCOMPARE(caret(form), 3L);
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
    QTest::keyClick(editorOf(&form), Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(editorOf(&form)->selectedText(), QStringLiteral("abc"));
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_GOTOPOS, 7L);
    QTest::keyClick(editorOf(&form), Qt::Key_End); // no trailing blanks: straight to the end
    QCOMPARE(caret(form), 10L);
}

void TestTextEditor::tabMovesTheFocus() {
    MainWindow form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    editorOf(&form)->setText(QStringLiteral("text"));
    editorOf(&form)->setFocus();
    QVERIFY(editorOf(&form)->hasFocus());
    QTest::keyClick(editorOf(&form), Qt::Key_Tab);
    QVERIFY(!editorOf(&form)->hasFocus());
    QCOMPARE(editorText(form), QStringLiteral("text"));
}

void TestTextEditor::backspaceInIndentation() {
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("  a\n\n    b\n      "));
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QCOMPARE(editorText(form), QStringLiteral("  a\n\n    b\n    "));
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QCOMPARE(editorText(form), QStringLiteral("  a\n\n    b\n  "));
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QCOMPARE(editorText(form), QStringLiteral("  a\n\n    b\n"));
    // After text, Backspace deletes one character.
    QTest::keyClicks(editorOf(&form), QStringLiteral("  xy"));
    QTest::keyClick(editorOf(&form), Qt::Key_Backspace);
    QCOMPARE(editorText(form), QStringLiteral("  a\n\n    b\n  x"));
}

void TestTextEditor::undoGroupsTypingWithoutRedo() {
    MainWindow form;
    editorOf(&form)->setText(QStringLiteral("start "));
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    editorOf(&form)->SendScintilla(QsciScintilla::SCI_EMPTYUNDOBUFFER);
    QTest::keyClicks(editorOf(&form), QStringLiteral("word"));
    findWidget<QAction>(findWidget<QMenu>(&form, "editMenu"), "undoAction")->trigger();
    QCOMPARE(editorText(form), QStringLiteral("start "));
    QTest::keyClick(editorOf(&form), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(editorOf(&form), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editorText(form), QStringLiteral("start "));
    QCOMPARE(findWidget<QMenu>(&form, "editMenu")->actions().size(), 8); // no Redo item
}

void TestTextEditor::contextMenu() {
    MainWindow form;
    QStringList captions;
    for (QAction* action : findWidget<QMenu>(&form, "editorMenu")->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(captions,
             QStringList({"Undo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All"}));
    editorOf(&form)->setText(QStringLiteral("one\ntwo"));
    findWidget<QAction>(findWidget<QMenu>(&form, "editorMenu"), "selectAllAction")->trigger();
    QCOMPARE(editorOf(&form)->selectedText(), QStringLiteral("one\ntwo"));
    findWidget<QAction>(findWidget<QMenu>(&form, "editorMenu"), "deleteAction")->trigger();
    QCOMPARE(editorText(form), QString());
    findWidget<QAction>(findWidget<QMenu>(&form, "editorMenu"), "undoAction")->trigger();
    QCOMPARE(editorText(form), QStringLiteral("one\ntwo"));
}

void TestTextEditor::scrollHint() {
    MainWindow form;
    form.resize(600, 400);
    form.show();
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QString::number(i);
    editorOf(&form)->setText(lines.join(u'\n'));
    const long onScreen = editorOf(&form)->SendScintilla(QsciScintilla::SCI_LINESONSCREEN);
    QVERIFY(onScreen > 1);
    QCOMPARE(editorOf(&form)->scrollHint(10), QStringLiteral("11 - %1").arg(10 + onScreen));
    QCOMPARE(editorOf(&form)->scrollHint(199), QStringLiteral("200 - 200"));
}

void TestTextEditor::accessibleText() {
    // Without an assistive technology listening, the editor is a plain
    // editable text (QScintilla's accessible would count characters from the
    // start of the text at every key).
    QVERIFY(!QAccessible::isActive());
    TextEditor editor;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&editor);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(!accessible->textInterface());
}

QTEST_MAIN(TestTextEditor)
#include "tst_texteditor.moc"
