#pragma once

#include "import/documentreader.h"
#include "import/linebreakstyle.h"
#include "text/fileerror.h"

#include <Qsci/qsciscintilla.h>

#include <QStringList>

#include <string_view>

class QMenu;
class QMimeData;

// The editor's fonts are judged by what they draw: Qt's fixed-pitch flag
// comes from fontconfig, which weighs every glyph of a font, so Noto Sans
// Mono, whose letters and digits advance alike, counts as proportional.
namespace EditorFont {

// True when narrow and wide characters advance alike.
bool drawsMonospaced(const QFont& font);
// The first candidate that draws monospaced, else the first candidate.
QFont firstMonospaced(const QList<QFont>& candidates);
// "Courier New" `pixels` high at `dpi`, or, when that does not draw
// monospaced, the system's fixed font or another common monospaced font.
QFont forEditor(int pixels, int dpi);

} // namespace EditorFont

// The text editor of the main window: QScintilla set up as a plain-text
// editor with a line-number gutter. Loaded text has its lines separated by
// LF, so that it can be handed on without being split again.
class TextEditor : public QsciScintilla {
    Q_OBJECT

public:
    explicit TextEditor(QWidget* parent = nullptr);
    ~TextEditor() override;

    // Replaces the whole text (breaks already turned into LF) and forgets
    // the undo steps, like loading a file. False, with the text as it was,
    // when there is not enough memory.
    bool setTextUtf8(std::string_view utf8);
    // The same in pieces: beginReplace(), then appendPiece() for each piece
    // in order and endReplace() with the counts of what was appended
    // (`units` UTF-16 code units, `lineFeeds` LF, no CR); or abandonReplace(),
    // which puts the text before back.
    void beginReplace(qint64 capacity);
    void appendPiece(std::string_view utf8);
    void endReplace(qint64 units, qint64 lineFeeds);
    void abandonReplace();
    // True when the editor could not take all the pieces (out of memory).
    bool replaceFailed() const;
    // The free room a replacement of `textBytes` bytes is given, so that the
    // first keys typed do not copy the whole text into a larger buffer.
    static qint64 roomToType(qint64 textBytes);
    // The text as the editor holds it; valid until the next change.
    std::string_view textBytes() const;

    // Puts the file's text into the editor: PDF files through convertPdf,
    // all others read as text (UTF-8 in pieces beside the editor, else by
    // byte-order mark or code page). On failure returns false with what
    // failed and why, and leaves the text as it was.
    bool loadFile(const QString& path, const DocumentReader::PdfConverter& convertPdf,
                  FileError* error);
    // Writes the text as UTF-8 in the line-break style and with the
    // byte-order mark of the last file loaded.
    bool saveFile(const QString& path, FileError* error) const;
    // How the last file loaded separated its lines, and whether it began
    // with a byte-order mark (CR LF and none before any file).
    LineBreakStyle::Style lineBreakStyle() const { return lineBreakStyle_; }
    bool byteOrderMark() const { return byteOrderMark_; }
    // The sign shown for a control character.
    static constexpr int ControlCharacterSymbol = '?';

    // Word wrap as the user chose it. QScintilla wraps the whole text on
    // the interface thread, about a second a megabyte, so a text longer
    // than WordWrapLimit bytes is shown unwrapped until it is shorter again.
    static constexpr long WordWrapLimit = 4L << 20;
    void setWordWrap(bool wrap);
    bool wordWrapSuspended() const { return wrapSuspended_; }
    // The text's two stretches on either side of the editor's gap, read
    // without closing it (closing it moves the whole text).
    std::pair<std::string_view, std::string_view> textPieces() const;
    // A copy of the text, made without moving it.
    std::string copyText() const;
    // Length in UTF-16 code units of the lines joined with CR LF.
    qint64 joinedLength() const;
    // True when no character is above U+0020.
    bool isBlank() const;

    void setGutterVisible(bool visible);
    bool gutterVisible() const { return gutterVisible_; }
    // The hint shown while the vertical scroll bar is dragged to `value`:
    // the first and last line then in view.
    QString scrollHint(int value) const;
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // The local files a drag carries, in the order it lists them.
    static QStringList localFiles(const QMimeData* data);

signals:
    // Text was inserted or deleted: sent once control is back in the event
    // loop, for all the changes made until then.
    void modified();
    // Word wrap was suspended for a long text, or taken up again.
    void wordWrapSuspendedChanged(bool suspended);
    // Files dropped on the editor, in the order the drop lists them.
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void newDocument();
    bool putText(const QString& path, std::string&& utf8, bool byteOrderMark, FileError* error);
    bool textLoaded();
    struct Counts {
        qint64 units = 0; // UTF-16 length
        qint64 lf = 0;
        qint64 cr = 0;
        qint64 pairs = 0; // CR LF
    };
    static Counts measure(std::string_view bytes);
    void finishReplace(const Counts& counts);
    char byteAt(long position) const;
    const char* rangePointer(long position, long length) const;
    Counts measureAt(long position, std::string_view bytes) const;
    void add(const Counts& c, int sign) const;
    void countPendingInsertion() const;
    void documentModified(int position, int type, int length);
    void fitLineNumbers();
    void enhancedEnd(bool extend);
    template <typename Handler> void withAltAsControl(QMouseEvent* event, Handler handler);
    bool smartBackspace();

    void* original_ = nullptr; // the document QScintilla made
    QMenu* popupMenu_ = nullptr;
    bool gutterVisible_ = true;
    void* previous_ = nullptr; // the document before a replacement, held meanwhile
    long previousEvents_ = 0;
    // Of the whole text, kept up to date at each change.
    mutable Counts counts_;
    Counts previousCounts_;
    mutable long pendingPosition_ = 0; // an insertion not counted yet
    mutable long pendingLength_ = 0;
    bool updatePending_ = false;
    void applyWordWrap(long length);
    bool wrapWanted_ = false;
    bool wrapSuspended_ = false;
    int numberDigits_ = 0;
    LineBreakStyle::Style lineBreakStyle_ = LineBreakStyle::CrLf;
    bool byteOrderMark_ = false;
};
