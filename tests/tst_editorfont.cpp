#include "shell/ui/texteditor.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMap>
#include <QSet>
#include <QtEndian>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Advances = QMap<char32_t, int>;

// A TrueType font built in memory, so that no test depends on the fonts of
// the machine: one square glyph per character, each with its advance in
// units of 1/1000 em.
class FixtureFont {
public:
    FixtureFont(const QString& family, const Advances& advances) {
        QList<char32_t> chars = advances.keys();
        const int glyphs = int(chars.size()) + 1; // glyph 0 is .notdef

        QByteArray glyf, loca, hmtx;
        put32(loca, 0); // .notdef, empty
        put32(loca, 0);
        put16(hmtx, 500);
        put16(hmtx, 0);
        for (char32_t c : chars) {
            const int advance = advances[c];
            put16(glyf, 1); // one contour
            for (int v : {50, 0, advance - 50, 700})
                put16(glyf, v);
            put16(glyf, 3);         // last point
            put16(glyf, 0);         // no instructions
            glyf.append(4, '\x01'); // on-curve points, 16-bit deltas
            for (int dx : {50, advance - 100, 0, 100 - advance})
                put16(glyf, dx);
            for (int dy : {0, 0, 700, 0})
                put16(glyf, dy);
            glyf.append(2, '\0');
            put32(loca, glyf.size());
            put16(hmtx, advance);
            put16(hmtx, 50);
        }

        QByteArray head;
        put32(head, 0x10000);
        put32(head, 0x10000);
        put32(head, 0); // checksum adjustment
        put32(head, 0x5F0F3CF5);
        put16(head, 3); // baseline and left side bearing at 0
        put16(head, 1000);
        head.append(16, '\0'); // created, modified
        for (int v : {0, 0, 2000, 700, 0, 8, 2, 1 /* long offsets */, 0})
            put16(head, v);

        QByteArray hhea;
        put32(hhea, 0x10000);
        for (int v : {800, -200, 0, 2000, 0, 0, 2000, 1, 0, 0, 0, 0, 0, 0, 0})
            put16(hhea, v);
        put16(hhea, glyphs);

        QByteArray maxp;
        put32(maxp, 0x10000);
        for (int v : {glyphs, 4, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0})
            put16(maxp, v);

        // Format 4, a segment per character and the closing one.
        QByteArray cmap;
        const int segments = int(chars.size()) + 1;
        for (int v : {0, 1, 3, 1})
            put16(cmap, v);
        put32(cmap, 12);
        int power = 1, log2 = 0;
        for (; power * 2 <= segments; ++log2)
            power *= 2;
        for (int v :
             {4, 16 + 8 * segments, 0, 2 * segments, 2 * power, log2, 2 * (segments - power)})
            put16(cmap, v);
        for (char32_t c : chars)
            put16(cmap, int(c));
        put16(cmap, 0xFFFF);
        put16(cmap, 0);
        for (char32_t c : chars)
            put16(cmap, int(c));
        put16(cmap, 0xFFFF);
        for (int i = 0; i < int(chars.size()); ++i)
            put16(cmap, (i + 1 - int(chars[i])) & 0xFFFF);
        put16(cmap, 1);
        for (int i = 0; i < segments; ++i)
            put16(cmap, 0);

        QByteArray name;
        const QList<QString> names{family, QStringLiteral("Regular"), family,
                                   QString(family).remove(u' ')};
        const QList<int> ids{1, 2, 4, 6};
        put16(name, 0);
        put16(name, int(names.size()));
        put16(name, 6 + 12 * int(names.size()));
        QByteArray strings;
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray text = utf16be(names[i]);
            for (int v : {3, 1, 0x409, ids[i], int(text.size()), int(strings.size())})
                put16(name, v);
            strings += text;
        }
        name += strings;

        QByteArray post;
        put32(post, 0x30000);
        post.append(28, '\0'); // isFixedPitch among them, as Noto Sans Mono has it

        const QList<std::pair<QByteArray, QByteArray>> tables{
            {"cmap", cmap}, {"glyf", glyf}, {"head", head}, {"hhea", hhea}, {"hmtx", hmtx},
            {"loca", loca}, {"maxp", maxp}, {"name", name}, {"post", post}};
        put32(data_, 0x10000);
        for (int v : {int(tables.size()), 128, 3, 16 * int(tables.size()) - 128})
            put16(data_, v);
        int offset = 12 + 16 * int(tables.size());
        QByteArray body;
        for (const auto& [tag, table] : tables) {
            data_ += tag;
            put32(data_, checksum(table));
            put32(data_, offset);
            put32(data_, int(table.size()));
            QByteArray padded = table;
            padded.append((4 - padded.size() % 4) % 4, '\0');
            body += padded;
            offset += int(padded.size());
        }
        data_ += body;
    }

    const QByteArray& data() const { return data_; }

private:
    static void put16(QByteArray& out, int v) {
        out.append(char((v >> 8) & 0xFF));
        out.append(char(v & 0xFF));
    }
    static void put32(QByteArray& out, qint64 v) {
        put16(out, int(v >> 16));
        put16(out, int(v & 0xFFFF));
    }
    static QByteArray utf16be(const QString& s) {
        QByteArray out;
        for (QChar c : s)
            put16(out, c.unicode());
        return out;
    }
    static quint32 checksum(QByteArray table) {
        table.append((4 - table.size() % 4) % 4, '\0');
        quint32 sum = 0;
        for (qsizetype i = 0; i < table.size(); i += 4)
            sum += qFromBigEndian<quint32>(table.constData() + i);
        return sum;
    }

    QByteArray data_;
};

// Printable ASCII at `advance`, with the exceptions given.
Advances ascii(int advance, const Advances& exceptions = {}) {
    Advances advances;
    for (char32_t c = 0x20; c < 0x7F; ++c)
        advances[c] = exceptions.value(c, advance);
    return advances;
}

// Monospaced, but with a glyph of double width, which makes fontconfig, and
// so Qt, call it proportional.
Advances dualWidth() {
    Advances advances = ascii(600);
    advances[U'\u4E00'] = 1200;
    return advances;
}

Advances proportional() {
    return ascii(600, {{U'i', 250}, {U'l', 250}, {U'.', 250}, {U'W', 950}, {U'M', 900}});
}

// The distinct advances of narrow and wide characters as drawn.
QSet<qreal> drawnAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    QSet<qreal> advances;
    for (QChar c : QStringLiteral("ilWM0 ."))
        advances.insert(metrics.horizontalAdvance(c));
    return advances;
}

QFont sized(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// Registers a fixture font for the life of the object.
class AddedFont {
public:
    AddedFont(const QString& family, const Advances& advances)
        : id_(QFontDatabase::addApplicationFontFromData(FixtureFont(family, advances).data())) {}
    ~AddedFont() {
        if (id_ >= 0) QFontDatabase::removeApplicationFont(id_);
    }
    AddedFont(const AddedFont&) = delete;
    AddedFont& operator=(const AddedFont&) = delete;
    bool isValid() const { return id_ >= 0; }

private:
    int id_;
};

} // namespace

class TestEditorFont : public QObject {
    Q_OBJECT

private slots:
    void drawsMonospaced_data();
    void drawsMonospaced();
    void firstMonospaced_data();
    void firstMonospaced();
    void editorFonts_data();
    void editorFonts();
    void courierNewAsFound_data();
    void courierNewAsFound();
    void loadedTextKeepsTheFixedFont_data();
    void loadedTextKeepsTheFixedFont();
};

void TestEditorFont::drawsMonospaced_data() {
    QTest::addColumn<Advances>("advances");
    QTest::addColumn<bool>("monospaced");
    QTest::newRow("equal advances") << ascii(600) << true;
    QTest::newRow("equal advances, one wide glyph") << dualWidth() << true;
    QTest::newRow("proportional") << proportional() << false;
}

void TestEditorFont::drawsMonospaced() {
    QFETCH(Advances, advances);
    QFETCH(bool, monospaced);
    const AddedFont added(QStringLiteral("Lexo Fixture"), advances);
    QVERIFY(added.isValid());
    for (int pixels : {11, 13, 40}) {
        const QFont font = sized(QStringLiteral("Lexo Fixture"), pixels);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Lexo Fixture"));
        QCOMPARE(drawnAdvances(font).size() == 1, monospaced);
        QCOMPARE(EditorFont::drawsMonospaced(font), monospaced);
    }
}

void TestEditorFont::firstMonospaced_data() {
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("proportional first")
        << QStringList{"Lexo Proportional", "Lexo Dual"} << "Lexo Dual";
    QTest::newRow("monospaced first")
        << QStringList{"Lexo Dual", "Lexo Proportional"} << "Lexo Dual";
    QTest::newRow("none monospaced") << QStringList{"Lexo Proportional"} << "Lexo Proportional";
}

void TestEditorFont::firstMonospaced() {
    QFETCH(QStringList, families);
    QFETCH(QString, chosen);
    const AddedFont proportionalFont(QStringLiteral("Lexo Proportional"), proportional());
    const AddedFont dualFont(QStringLiteral("Lexo Dual"), dualWidth());
    QVERIFY(proportionalFont.isValid() && dualFont.isValid());
    // Qt's flag is what misled the editor before.
    QVERIFY(!QFontInfo(sized(QStringLiteral("Lexo Dual"), 13)).fixedPitch());

    QList<QFont> candidates;
    for (const QString& family : families)
        candidates.append(sized(family, 13));
    QCOMPARE(EditorFont::firstMonospaced(candidates).family(), chosen);
}

void TestEditorFont::editorFonts_data() {
    QTest::addColumn<int>("pixels");
    QTest::newRow("text") << 13;
    QTest::newRow("gutter") << 11;
}

// Whatever the machine has installed.
void TestEditorFont::editorFonts() {
    QFETCH(int, pixels);
    const QWidget widget;
    const QFont font = EditorFont::forEditor(pixels, widget.logicalDpiY());
    QCOMPARE(QFontInfo(font).pixelSize(), pixels);
    QCOMPARE(drawnAdvances(font).size(), 1);

    if (pixels == 13) {
        const TextEditor editor;
        QCOMPARE(QFontInfo(editor.font()).pixelSize(), 13);
        QCOMPARE(drawnAdvances(editor.font()).size(), 1);
    }
}

void TestEditorFont::courierNewAsFound_data() {
    QTest::addColumn<Advances>("advances");
    QTest::addColumn<bool>("kept");
    QTest::newRow("monospaced, though Qt says not") << dualWidth() << true;
    QTest::newRow("proportional") << proportional() << false;
}

// "Courier New" stands for whatever it resolves to: kept when it draws
// monospaced, else replaced.
void TestEditorFont::courierNewAsFound() {
    QFETCH(Advances, advances);
    QFETCH(bool, kept);
    const AddedFont added(QStringLiteral("Courier New"), advances);
    QVERIFY(added.isValid());
    const QFont courier = sized(QStringLiteral("Courier New"), 13);
    if (QFontInfo(courier).fixedPitch() || (drawnAdvances(courier).size() == 1) != kept)
        QSKIP("this machine's own Courier New is found before the fixture");

    const TextEditor editor;
    QCOMPARE(QFontInfo(editor.font()).family() == QStringLiteral("Courier New"), kept);
    QCOMPARE(drawnAdvances(editor.font()).size(), 1);
    QCOMPARE(QFontInfo(editor.font()).pixelSize(), 13);
}

void TestEditorFont::loadedTextKeepsTheFixedFont_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF lines") << QByteArray("ab\r\nc iiii WWWW\r\n");
    QTest::newRow("LF lines") << QByteArray("ab\nc iiii WWWW\n");
    QTest::newRow("one line") << QByteArray("c iiii WWWW");
}

// As the editor draws the text of a loaded file, narrow and wide letters
// advance alike.
void TestEditorFont::loadedTextKeepsTheFixedFont() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    TextEditor editor;
    FileError error;
    QVERIFY(editor.loadFile(path, {}, &error));
    const auto width = [&editor](const char* text) {
        return editor.SendScintilla(QsciScintilla::SCI_TEXTWIDTH, 0UL, text);
    };
    QCOMPARE(width("iiii"), width("WWWW"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QCOMPARE(width("iiii"), width("WWWW"));
}

QTEST_MAIN(TestEditorFont)
#include "tst_editorfont.moc"
