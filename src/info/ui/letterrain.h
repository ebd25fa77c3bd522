#pragma once

#include <QChar>
#include <QRgb>
#include <QSize>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// The falling letters behind the About window's panel: a grid of 8 × 12
// cells over the window, two drops a column, each a trail whose head moves
// down one row every `speed` steps. The model only says what to paint; the
// window paints it.
class LetterRain {
public:
    static constexpr int CellWidth = 8;
    static constexpr int CellHeight = 12;
    static constexpr int MaxDrops = 5000;
    // A drop erases the cell this many rows above its head.
    static constexpr int TrailLength = 40;

    struct Drop {
        int column = 0;
        int row = 0;        // of the head
        int speed = 1;      // 1 to 3: the head moves every speed-th step
        int brightness = 0; // 0 to 99
    };
    // What one step paints into one cell: black, or a letter on black.
    struct Stroke {
        enum class Kind { Erase, Letter };
        Kind kind;
        int column;
        int row;
        QChar letter;
        QRgb colour;
    };
    // A whole number in [low, high], each equally likely.
    using RandomSource = std::function<int(int low, int high)>;
    using Painter = std::function<void(const Stroke&)>;

    // Without a source, QRandomGenerator's global generator is used.
    explicit LetterRain(RandomSource random = {}, QString letters = QStringLiteral("brx"));

    void setRandomSource(RandomSource random) { random_ = std::move(random); }

    // Keeps the window size (logical pixels) for later restarts, starts
    // counting steps from zero and lays out the grid and drops anew.
    void start(QSize windowSize);
    // The grid and the drops from the size kept by start().
    void reset();
    // Paints one letter for every drop, then moves the drops due.
    void step(const Painter& paint);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    QSize windowSize() const { return windowSize_; }
    int frame() const { return frame_; }
    const std::vector<Drop>& drops() const { return drops_; }

    static QRgb colour(int brightness);
    static QRgb dimColour(int brightness);

private:
    void addDrop();
    void paintDrop(const Drop& drop, QChar letter, const Painter& paint) const;
    int random(int low, int high) const;

    RandomSource random_;
    QString letters_;
    QSize windowSize_;
    int columns_ = 0;
    int rows_ = 0;
    int frame_ = 0;
    std::vector<Drop> drops_;
};
