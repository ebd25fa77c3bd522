#include "info/ui/letterrain.h"

#include <QRandomGenerator>

#include <algorithm>
#include <utility>

namespace {

QRgb greenish(int level) {
    return qRgb(level * 150 / 255, level, level * 100 / 255);
}

} // namespace

LetterRain::LetterRain(RandomSource random, QString letters)
    : random_(std::move(random)), letters_(std::move(letters)) {}

int LetterRain::random(int low, int high) const {
    if (high <= low) return low;
    if (random_) return random_(low, high);
    return int(QRandomGenerator::global()->bounded(low, high + 1));
}

void LetterRain::start(QSize windowSize) {
    frame_ = 0;
    windowSize_ = windowSize;
    reset();
}

void LetterRain::reset() {
    columns_ = std::max(0, windowSize_.width()) / CellWidth;
    rows_ = std::max(0, windowSize_.height()) / CellHeight;
    drops_.clear();
    for (int i = 0; i < 2 * columns_; ++i)
        addDrop();
}

void LetterRain::addDrop() {
    if (int(drops_.size()) >= MaxDrops) return;
    Drop drop;
    drop.column = int(drops_.size()) % columns_;
    drop.row = random(0, rows_ - 1);
    drop.speed = random(1, 3);
    drop.brightness = random(0, 99);
    drops_.push_back(drop);
}

QRgb LetterRain::colour(int brightness) {
    return greenish(brightness * 255 / 100);
}

QRgb LetterRain::dimColour(int brightness) {
    return greenish(brightness * 255 / 100 / 3);
}

void LetterRain::paintDrop(const Drop& drop, QChar letter, const Painter& paint) const {
    int tail = drop.row - TrailLength;
    while (tail < 0)
        tail += rows_ + 1;
    paint({Stroke::Kind::Erase, drop.column, tail, {}, qRgb(0, 0, 0)});
    if (drop.row > 0)
        paint(
            {Stroke::Kind::Letter, drop.column, drop.row - 1, letter, dimColour(drop.brightness)});
    paint({Stroke::Kind::Letter, drop.column, drop.row, letter, colour(drop.brightness)});
}

void LetterRain::step(const Painter& paint) {
    for (Drop& drop : drops_) {
        const QChar letter =
            letters_.isEmpty() ? QChar() : letters_[random(0, int(letters_.size()) - 1)];
        paintDrop(drop, letter, paint);
        if (frame_ % drop.speed == 0) {
            ++drop.row;
            if (drop.row > rows_ + 1) {
                drop.row = 0;
                drop.speed = random(1, 3);
                drop.brightness = random(0, 99);
            }
        }
    }
    ++frame_;
}
