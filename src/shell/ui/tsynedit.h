#pragma once

#include <Qsci/qsciscintilla.h>

#include <QStringList>

#include <string_view>

class QMenu;

// The text editor of the main window: QScintilla set up as a plain-text
// editor with a line-number gutter. It keeps its lines separated by LF, so
// that the text can be handed on without being split again.
class TSynEdit : public QsciScintilla {
    Q_OBJECT

public:
    explicit TSynEdit(QWidget* parent = nullptr);
    ~TSynEdit() override;

    // Replaces the whole text (breaks already turned into LF) and forgets
    // the undo steps, like loading a file.
    void setTextUtf8(std::string_view utf8);
    // The text as the editor holds it; valid until the next change.
    std::string_view textBytes() const;
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

signals:
    // Text inserted or deleted, after the editor's own bookkeeping.
    void modified();
    // Files dropped on the editor, in the order the drop lists them.
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void newDocument();
    void count(std::string_view bytes, int sign);
    void documentModified(int position, int type, const char* text, int length);
    void fitLineNumbers();
    void enhancedEnd(bool extend);
    bool smartBackspace();

    void* original_ = nullptr; // the document QScintilla made
    QMenu* popupMenu_ = nullptr;
    bool gutterVisible_ = true;
    qint64 units_ = 0;       // UTF-16 length of the text
    qint64 breaks_ = 0;      // LF in it
    bool mayHoldCr_ = false; // a CR came in, which the two counts miss
    int numberDigits_ = 0;
};
