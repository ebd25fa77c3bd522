#pragma once

#include "import/linebreakstyle.h"
#include "text/fileerror.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string_view>

// Reads a UTF-8 text file in pieces on a thread of its own while the caller
// takes the pieces before it, so that reading and checking the file overlap
// with whatever the caller does with them. Each piece is strict UTF-8 with
// its line breaks turned into LF, and no character or CR LF pair is split
// between two pieces.
namespace Utf8PieceReader {

enum class Outcome { Read, NotUtf8, Failed };
struct Result {
    Outcome outcome = Outcome::Failed;
    bool byteOrderMark = false;                         // skipped, not handed over
    LineBreakStyle::Style style = LineBreakStyle::CrLf; // of the file as it was
    std::uint64_t utf16Length = 0;                      // of the text handed over
    std::uint64_t lineFeeds = 0;
};
using Take = std::function<void(std::string_view piece)>;

// Hands the file's pieces to `take` in order, on the calling thread.
// NotUtf8: the file is not strict UTF-8 (some pieces may have been taken
// already); Failed: error says what failed on the file and why.
// Pieces are read `pieceSize` bytes at a time.
inline constexpr std::size_t PieceSize = std::size_t(4) << 20;
Result read(const QString& path, const Take& take, FileError* error,
            std::size_t pieceSize = PieceSize);

} // namespace Utf8PieceReader
