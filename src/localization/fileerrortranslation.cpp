#include "localization/fileerrortranslation.h"

#include "localization/translation.h"

namespace FileErrorTranslation {

FileErrorWords words() {
    FileErrorWords words;
    words.cannotOpen = translateText("Cannot open file \"%1\". %2");
    words.cannotRead = translateText("Cannot read file \"%1\". %2");
    words.cannotCreate = translateText("Cannot create file \"%1\". %2");
    words.cannotWrite = translateText("Cannot write file \"%1\". %2");
    words.cannotDelete = translateText("Cannot delete file \"%1\". %2");
    words.cannotConvert = translateText("Cannot convert PDF file \"%1\". %2");
    words.notEnoughMemory = translateText("Not enough memory");
    words.tooLargeForEditor = translateText("The text is too large for the editor");
    words.notAllWritten =
        translateText("Not all of the data could be written; the disk may be full.");
    words.notUtf8 = translateText("The file is not valid UTF-8");
    words.notRegularFile = translateText("It is not a regular file");
    words.noPdfEngine = translateText("No PDF engine is available");
    return words;
}

QString text(const FileError& error) {
    return FileErrorText::text(error, words());
}

} // namespace FileErrorTranslation
