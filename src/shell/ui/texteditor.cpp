#include "shell/ui/texteditor.h"

#include "import/textfilewriter.h"
#include "import/utf8piecereader.h"
#include "text/textfile.h"
#include "text/wtf8.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Gutter bands, left to right.
enum Band { Bookmarks, LineNumbers, Folding, ChangeTracking, Gap, BandCount };

// QScintilla's accessible text counts every character from the start of the
// text up to the caret at each update, which freezes the editor for half a
// second a key at the end of a 100 MB text. Unless an assistive technology
// is listening, the editor is announced as an editable text without it.
QAccessibleInterface* editorAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("TextEditor") && object && object->isWidgetType() &&
        !QAccessible::isActive())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
    return nullptr;
}

bool isIndentBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

namespace EditorFont {

bool drawsMonospaced(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(u'M');
    if (width <= 0) return false;
    for (QChar c : QStringLiteral("ilW0 .")) {
        if (std::abs(metrics.horizontalAdvance(c) - width) > width / 64) return false;
    }
    return true;
}

QFont firstMonospaced(const QList<QFont>& candidates) {
    for (const QFont& font : candidates) {
        if (drawsMonospaced(font)) return font;
    }
    return candidates.value(0);
}

QFont forEditor(int pixels, int dpi) {
    QList<QFont> candidates;
    const auto add = [&](QFont font) {
        font.setStyleHint(QFont::TypeWriter);
        // QScintilla takes sizes in points.
        font.setPointSizeF(pixels * 72.0 / std::max(1, dpi));
        font.setStyleStrategy(QFont::PreferAntialias);
        candidates.append(font);
    };
    add(QFont(QStringLiteral("Courier New")));
    add(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const char* family : {"Liberation Mono", "DejaVu Sans Mono", "Noto Sans Mono",
                               "Nimbus Mono PS", "FreeMono", "monospace"})
        add(QFont(QString::fromLatin1(family)));
    return firstMonospaced(candidates);
}

} // namespace EditorFont

TextEditor::TextEditor(QWidget* parent) : QsciScintilla(parent) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(editorAccessible);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);
    // The document QScintilla made is kept and put back before it is
    // destroyed; the text lives in documents of our own (see newDocument).
    original_ = SendScintillaPtrResult(SCI_GETDOCPOINTER);
    SendScintilla(SCI_ADDREFDOCUMENT, 0, original_);
    newDocument();
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
    // QScintilla keeps its gutter on the left under any direction; the
    // scroll bars stay where they belong to that layout.
    setLayoutDirection(Qt::LeftToRight);
    // Control characters (form feeds from pdftotext) as one plain sign, not
    // black boxes with their names.
    SendScintilla(SCI_SETCONTROLCHARSYMBOL, ControlCharacterSymbol);
    // No horizontal scroll bar until a line is wider than the view.
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETMODEVENTMASK, long(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));

    setFont(EditorFont::forEditor(13, logicalDpiY()));
    setMarginsFont(EditorFont::forEditor(11, logicalDpiY()));
    SendScintilla(SCI_SETFONTQUALITY, long(SC_EFF_QUALITY_LCD_OPTIMIZED));
    QColor selection = palette().color(QPalette::Highlight);
    selection.setAlpha(102); // 40 %
    setSelectionBackgroundColor(selection);
    resetSelectionForegroundColor();

    setMargins(BandCount);
    for (int band = 0; band < BandCount; ++band) {
        setMarginType(band, band == LineNumbers ? NumberMargin : SymbolMargin);
        setMarginMarkerMask(band, band == Bookmarks ? int(~SC_MASK_FOLDERS)
                                  : band == Folding ? int(SC_MASK_FOLDERS)
                                                    : 0);
    }
    setFolding(NoFoldStyle, Folding);
    setGutterVisible(true);
    connect(this, &QsciScintilla::linesChanged, this, &TextEditor::fitLineNumbers);

    setEdgeMode(EdgeNone);
    setEdgeColumn(0);
    setAutoIndent(true);
    setWrapMode(WrapNone);
    setWrapVisualFlags(WrapFlagNone, WrapFlagNone);
    // Typing is grouped into one undo step by the editor itself; there is
    // no Redo.
    if (QsciCommand* redo = standardCommands()->find(QsciCommand::Redo)) {
        redo->setKey(0);
        redo->setAlternateKey(0);
    }
    // Its keys do nothing rather than type a letter.
    for (long key :
         {long('Y') | long(SCMOD_CTRL) << 16, long('Z') | long(SCMOD_CTRL | SCMOD_SHIFT) << 16})
        SendScintilla(SCI_ASSIGNCMDKEY, key, long(SCI_NULL));

    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this,
            [this](int value) { QToolTip::showText(QCursor::pos(), scrollHint(value), this); });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [] { QToolTip::hideText(); });
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int length, int, int, int, int, int, int) {
                documentModified(position, type, length);
            });
}

TextEditor::~TextEditor() {
    SendScintilla(SCI_SETDOCPOINTER, 0, original_);
    SendScintilla(SCI_RELEASEDOCUMENT, 0, original_);
}

TextEditor::Counts TextEditor::measure(std::string_view bytes) {
    Counts c;
    c.units = qint64(Wtf8::utf16Length(bytes));
    c.lf = qint64(std::count(bytes.begin(), bytes.end(), '\n'));
    for (std::size_t at = bytes.find('\r'); at != std::string_view::npos;
         at = bytes.find('\r', at + 1)) {
        ++c.cr;
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') ++c.pairs;
    }
    return c;
}

char TextEditor::byteAt(long position) const {
    if (position < 0 || position >= SendScintilla(SCI_GETLENGTH)) return 0;
    return char(SendScintilla(SCI_GETCHARAT, position));
}

// What a piece of text adds to the counts where it stands: CR LF pairs may
// form or part at its edges.
TextEditor::Counts TextEditor::measureAt(long position, std::string_view bytes) const {
    Counts c = measure(bytes);
    const bool crBefore = byteAt(position - 1) == '\r';
    const bool lfAfter = byteAt(position + long(bytes.size())) == '\n';
    c.pairs += qint64(crBefore && bytes.front() == '\n') + qint64(bytes.back() == '\r' && lfAfter) -
               qint64(crBefore && lfAfter);
    return c;
}

void TextEditor::add(const Counts& c, int sign) const {
    counts_.units += sign * c.units;
    counts_.lf += sign * c.lf;
    counts_.cr += sign * c.cr;
    counts_.pairs += sign * c.pairs;
}

const char* TextEditor::rangePointer(long position, long length) const {
    return reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, position, length));
}

// An insertion is counted once it is made: before it, the notice carries no
// text. Every change is announced before it is made, so at the next notice
// the inserted text still stands where it went in.
void TextEditor::countPendingInsertion() const {
    if (pendingLength_ <= 0) return;
    const long length = std::exchange(pendingLength_, 0);
    add(measureAt(pendingPosition_,
                  std::string_view(rangePointer(pendingPosition_, length), std::size_t(length))),
        1);
}

// Only the notices before a change are asked for: QScintilla answers each
// notice after a change by counting every character up to it, which takes a
// second at the end of 100 MB.
void TextEditor::documentModified(int position, int type, int length) {
    if (!(type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) || length <= 0) return;
    countPendingInsertion();
    if (type & SC_MOD_BEFOREINSERT) {
        // Before a long paste goes in, not after it has been wrapped.
        applyWordWrap(SendScintilla(SCI_GETLENGTH) + length);
        pendingPosition_ = position;
        pendingLength_ = length;
    } else {
        add(measureAt(position,
                      std::string_view(rangePointer(position, length), std::size_t(length))),
            -1);
    }
    if (updatePending_) return;
    updatePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            updatePending_ = false;
            countPendingInsertion();
            applyWordWrap(SendScintilla(SCI_GETLENGTH));
            fitLineNumbers();
            emit textChanged();
            emit modified();
        },
        Qt::QueuedConnection);
}

// A fresh document: nothing is ever styled here, so it keeps no style byte
// per character, which halves the memory of a large text; and the memory of
// the text before is given back.
void TextEditor::newDocument() {
    void* document = reinterpret_cast<void*>(
        SendScintilla(SCI_CREATEDOCUMENT, 0, long(SC_DOCUMENTOPTION_STYLES_NONE)));
    SendScintilla(SCI_SETDOCPOINTER, 0, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0, document);
    // These belong to the document.
    setUtf8(true);
    setEolMode(EolUnix);
    counts_ = {};
    pendingLength_ = 0;
}

bool TextEditor::setTextUtf8(std::string_view utf8) {
    beginReplace(qint64(utf8.size()));
    appendPiece(utf8);
    if (replaceFailed()) {
        abandonReplace();
        return false;
    }
    finishReplace(measure(utf8));
    return true;
}

// What typing takes before the editor's buffer grows: a sixty-fourth of the
// text, at least 64 KiB.
qint64 TextEditor::roomToType(qint64 textBytes) {
    return std::max<qint64>(textBytes / 64, qint64(64) << 10);
}

// The text goes into a fresh document without undo steps or any change
// notice, in one buffer of the right size; the document before is held so
// that it can be put back.
void TextEditor::beginReplace(qint64 capacity) {
    countPendingInsertion();
    applyWordWrap(long(std::min<qint64>(capacity, LONG_MAX)));
    previous_ = SendScintillaPtrResult(SCI_GETDOCPOINTER);
    SendScintilla(SCI_ADDREFDOCUMENT, 0, previous_);
    previousCounts_ = counts_;
    newDocument();
    previousEvents_ = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0L);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    // Room beyond the text: a buffer filled to the last byte is copied into
    // a larger one at the first key typed, which on a text of a hundred
    // megabytes holds the window for half a second.
    if (capacity > 0) SendScintilla(SCI_ALLOCATE, long(capacity + roomToType(capacity)));
}

void TextEditor::appendPiece(std::string_view utf8) {
    if (!utf8.empty()) SendScintilla(SCI_APPENDTEXT, uintptr_t(utf8.size()), utf8.data());
}

bool TextEditor::replaceFailed() const {
    return SendScintilla(SCI_GETSTATUS) != 0;
}

void TextEditor::endReplace(qint64 units, qint64 lineFeeds) {
    Counts counts;
    counts.units = units;
    counts.lf = lineFeeds;
    finishReplace(counts);
}

void TextEditor::finishReplace(const Counts& counts) {
    SendScintilla(SCI_SETMODEVENTMASK, previousEvents_);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_RELEASEDOCUMENT, 0, std::exchange(previous_, nullptr));
    counts_ = counts;
    numberDigits_ = 0;
    applyWordWrap(SendScintilla(SCI_GETLENGTH));
    fitLineNumbers();
    emit textChanged();
    emit modified();
}

void TextEditor::abandonReplace() {
    SendScintilla(SCI_SETMODEVENTMASK, previousEvents_);
    SendScintilla(SCI_SETSTATUS, 0L);
    SendScintilla(SCI_SETDOCPOINTER, 0, previous_);
    SendScintilla(SCI_RELEASEDOCUMENT, 0, std::exchange(previous_, nullptr));
    counts_ = previousCounts_;
    numberDigits_ = 0;
    applyWordWrap(SendScintilla(SCI_GETLENGTH));
    fitLineNumbers();
}

std::string_view TextEditor::textBytes() const {
    const auto* bytes = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    const long length = SendScintilla(SCI_GETLENGTH);
    return bytes && length > 0 ? std::string_view(bytes, std::size_t(length)) : std::string_view();
}

qint64 TextEditor::joinedLength() const {
    countPendingInsertion();
    // Each break (CR LF, LF or CR) counts two units when joined with CR LF.
    return counts_.units + counts_.lf + counts_.cr - 2 * counts_.pairs;
}

std::pair<std::string_view, std::string_view> TextEditor::textPieces() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    const long gap = std::clamp(long(SendScintilla(SCI_GETGAPPOSITION)), 0L, length);
    const auto piece = [this](long from, long size) {
        if (size <= 0) return std::string_view();
        const auto* bytes = reinterpret_cast<const char*>(
            SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), size));
        return bytes ? std::string_view(bytes, std::size_t(size)) : std::string_view();
    };
    return {piece(0, gap), piece(gap, length - gap)};
}

std::string TextEditor::copyText() const {
    const auto [before, after] = textPieces();
    std::string text;
    text.reserve(before.size() + after.size());
    text.append(before);
    text.append(after);
    return text;
}

bool TextEditor::isBlank() const {
    const auto blank = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return quint8(c) <= 0x20; });
    };
    const auto [before, after] = textPieces();
    return blank(before) && blank(after);
}

void TextEditor::setWordWrap(bool wrap) {
    wrapWanted_ = wrap;
    applyWordWrap(SendScintilla(SCI_GETLENGTH));
}

void TextEditor::applyWordWrap(long length) {
    const bool suspended = wrapWanted_ && length > WordWrapLimit;
    const WrapMode mode = wrapWanted_ && !suspended ? WrapWord : WrapNone;
    if (wrapMode() != mode) {
        setWrapMode(mode);
        // Wrapped lines need no horizontal scroll bar.
        SendScintilla(SCI_SETHSCROLLBAR, long(mode == WrapNone));
    }
    if (suspended != wrapSuspended_) {
        wrapSuspended_ = suspended;
        emit wordWrapSuspendedChanged(suspended);
    }
}

void TextEditor::setGutterVisible(bool visible) {
    gutterVisible_ = visible;
    // Folding is off, so its band takes no room.
    setMarginWidth(Bookmarks, visible ? 13 : 0);
    setMarginWidth(Folding, 0);
    setMarginWidth(ChangeTracking, visible ? 4 : 0);
    setMarginWidth(Gap, visible ? 3 : 0);
    setMarginLineNumbers(LineNumbers, visible);
    numberDigits_ = 0;
    fitLineNumbers();
}

void TextEditor::fitLineNumbers() {
    if (!gutterVisible_) {
        setMarginWidth(LineNumbers, 0);
        return;
    }
    const int digits = std::max<int>(4, int(QString::number(lines()).size()));
    if (digits == numberDigits_) return;
    numberDigits_ = digits;
    setMarginWidth(LineNumbers, QString(digits + 1, u'9'));
}

QString TextEditor::scrollHint(int value) const {
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    const long onScreen = std::max(1L, SendScintilla(SCI_LINESONSCREEN));
    const long first = SendScintilla(SCI_DOCLINEFROMVISIBLE, long(value));
    const long last = SendScintilla(SCI_DOCLINEFROMVISIBLE, long(value) + onScreen - 1);
    return QStringLiteral("%1 - %2").arg(first + 1).arg(std::min(last + 1, lines));
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_End &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        enhancedEnd(modifiers == Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier && smartBackspace()) {
        event->accept();
        return;
    }
    QsciScintilla::keyPressEvent(event);
}

// QScintilla takes Ctrl+drag for a column block on X11, where window managers
// often claim Alt+drag; Alt+drag is passed on to it as Ctrl+drag.
template <typename Handler> void TextEditor::withAltAsControl(QMouseEvent* event, Handler handler) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (event->button() != Qt::LeftButton || !(modifiers & Qt::AltModifier) ||
        (modifiers & Qt::ControlModifier)) {
        handler(event);
        return;
    }
    QMouseEvent changed(event->type(), event->position(), event->scenePosition(),
                        event->globalPosition(), event->button(), event->buttons(),
                        (modifiers & ~Qt::AltModifier) | Qt::ControlModifier);
    handler(&changed);
    event->setAccepted(changed.isAccepted());
}

void TextEditor::mousePressEvent(QMouseEvent* event) {
    withAltAsControl(event, [this](QMouseEvent* e) { QsciScintilla::mousePressEvent(e); });
}

void TextEditor::mouseReleaseEvent(QMouseEvent* event) {
    withAltAsControl(event, [this](QMouseEvent* e) { QsciScintilla::mouseReleaseEvent(e); });
}

// End goes first to the end of the line's text without its trailing blanks,
// and from there to the real end of the line.
void TextEditor::enhancedEnd(bool extend) {
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, caret);
    const long start = SendScintilla(SCI_POSITIONFROMLINE, line);
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, line);
    long trimmed = end;
    while (trimmed > start && isIndentBlank(char(SendScintilla(SCI_GETCHARAT, trimmed - 1))))
        --trimmed;
    const long target = caret == trimmed ? end : trimmed;
    if (extend) {
        SendScintilla(SCI_SETCURRENTPOS, target);
        SendScintilla(SCI_SCROLLCARET);
    } else {
        SendScintilla(SCI_GOTOPOS, target);
    }
    SendScintilla(SCI_CHOOSECARETX);
}

// Backspace with only blanks before the caret goes back to the indentation
// of the nearest line above that is indented less (blank lines skipped).
bool TextEditor::smartBackspace() {
    if (!SendScintilla(SCI_GETSELECTIONEMPTY)) return false;
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, caret);
    const long start = SendScintilla(SCI_POSITIONFROMLINE, line);
    if (caret == start) return false;
    for (long p = start; p < caret; ++p)
        if (!isIndentBlank(char(SendScintilla(SCI_GETCHARAT, p)))) return false;
    const long column = SendScintilla(SCI_GETCOLUMN, caret);
    long target = 0;
    for (long above = line - 1; above >= 0; --above) {
        if (SendScintilla(SCI_GETLINEINDENTPOSITION, above) ==
            SendScintilla(SCI_GETLINEENDPOSITION, above))
            continue;
        const long indent = SendScintilla(SCI_GETLINEINDENTATION, above);
        if (indent < column) {
            target = indent;
            break;
        }
    }
    const long from = SendScintilla(SCI_FINDCOLUMN, line, target);
    if (from >= caret) return false;
    SendScintilla(SCI_DELETERANGE, from, caret - from);
    return true;
}

bool TextEditor::focusNextPrevChild(bool next) {
    // Tab moves the focus on instead of being typed.
    return QWidget::focusNextPrevChild(next);
}

void TextEditor::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupMenu_) {
        QsciScintilla::contextMenuEvent(event);
        return;
    }
    popupMenu_->popup(event->globalPos());
    event->accept();
}

QStringList TextEditor::localFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

// Files are taken here rather than inserted as their names; dragged text
// goes on to the editor.
void TextEditor::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return QsciScintilla::dragEnterEvent(event);
    event->acceptProposedAction();
}

void TextEditor::dragMoveEvent(QDragMoveEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return QsciScintilla::dragMoveEvent(event);
    event->acceptProposedAction();
}

void TextEditor::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) return QsciScintilla::dropEvent(event);
    event->acceptProposedAction();
    emit filesDropped(paths);
}

namespace {

bool tooLarge(const QString& path, FileError* error) {
    *error = FileError::own(FileError::Action::Open, path, FileError::Reason::TooLargeForEditor);
    return false;
}

} // namespace

bool TextEditor::loadFile(const QString& path, const DocumentReader::PdfConverter& convertPdf,
                          FileError* error) {
    try {
        const QFileInfo file(path);
        // PDF files by the routing every reader shares; text files the
        // editor's own fast way below.
        if (DocumentReader::isPdf(path)) {
            DocumentReader::Document document;
            if (!DocumentReader::read(path, convertPdf, document, error)) return false;
            return putText(path, std::move(document.utf8), byteOrderMark_, error);
        }
        if (file.size() >= qint64(INT_MAX)) return tooLarge(path, error);
        // UTF-8, the usual case, is read and checked on a second thread while
        // the editor takes it in; the editor's text comes back if it is not.
        beginReplace(file.size());
        const Utf8PieceReader::Result read = Utf8PieceReader::read(
            path, [this](std::string_view piece) { appendPiece(piece); }, error);
        if (read.outcome == Utf8PieceReader::Outcome::Read && !replaceFailed()) {
            endReplace(qint64(read.utf16Length), qint64(read.lineFeeds));
            lineBreakStyle_ = read.style;
            byteOrderMark_ = read.byteOrderMark;
            return textLoaded();
        }
        abandonReplace();
        if (read.outcome == Utf8PieceReader::Outcome::Failed) return false;
        if (read.outcome == Utf8PieceReader::Outcome::Read) throw std::bad_alloc();
        // Not UTF-8: the file is read whole and decoded by its byte-order
        // mark or in the ANSI code page.
        TextFile::Text text;
        if (!TextFile::read(path, text, error)) return false;
        return putText(path, std::move(text.utf8), text.byteOrderMark, error);
    } catch (const std::bad_alloc&) {
        *error = FileError::own(FileError::Action::Open, path, FileError::Reason::NotEnoughMemory);
        return false;
    }
}

bool TextEditor::putText(const QString& path, std::string&& utf8, bool byteOrderMark,
                         FileError* error) {
    if (utf8.size() >= std::size_t(INT_MAX)) return tooLarge(path, error);
    const LineBreakStyle::Style style = LineBreakStyle::detect(utf8);
    LineBreakStyle::toLf(utf8);
    if (!setTextUtf8(utf8)) throw std::bad_alloc();
    lineBreakStyle_ = style;
    byteOrderMark_ = byteOrderMark;
    return textLoaded();
}

bool TextEditor::textLoaded() {
    SendScintilla(SCI_GOTOPOS, 0L);
    return true;
}

bool TextEditor::saveFile(const QString& path, FileError* error) const {
    return TextFileWriter::write(path, textBytes(), LineBreakStyle::separator(lineBreakStyle_),
                                 byteOrderMark_, error);
}
