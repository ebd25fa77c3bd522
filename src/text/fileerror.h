#pragma once

#include <QString>

// What went wrong with a file, kept in parts: what failed, the file and why.
// The engines fill it; the windows word it in the user's language and the
// command-line tool in English, so neither gets a sentence half in the other.
struct FileError {
    enum class Action {
        None, // no file action: `detail` is the whole message, shown as it is
        Open,
        Read,
        Create,
        Write,
        Delete,
        Convert, // a PDF file into text
    };
    // Why, when the program itself knows; System takes the system's words
    // from `detail`.
    enum class Reason {
        System,
        NotEnoughMemory,
        TooLargeForEditor,
        NotAllWritten,
        NotUtf8,
        NotRegularFile,
        NoPdfEngine,
    };

    Action action = Action::None;
    QString path;
    Reason reason = Reason::System;
    QString detail;

    static FileError system(Action action, const QString& path, const QString& systemReason) {
        return {action, path, Reason::System, systemReason};
    }
    static FileError own(Action action, const QString& path, Reason reason) {
        return {action, path, reason, {}};
    }
    static FileError message(const QString& text) {
        return {Action::None, {}, Reason::System, text};
    }
};

// The sentences of a file error in the caller's language; the defaults are
// the English originals. "%1" marks the file, "%2" the reason.
struct FileErrorWords {
    QString cannotOpen = QStringLiteral("Cannot open file \"%1\". %2");
    QString cannotRead = QStringLiteral("Cannot read file \"%1\". %2");
    QString cannotCreate = QStringLiteral("Cannot create file \"%1\". %2");
    QString cannotWrite = QStringLiteral("Cannot write file \"%1\". %2");
    QString cannotDelete = QStringLiteral("Cannot delete file \"%1\". %2");
    QString cannotConvert = QStringLiteral("Cannot convert PDF file \"%1\". %2");
    QString notEnoughMemory = QStringLiteral("Not enough memory");
    QString tooLargeForEditor = QStringLiteral("The text is too large for the editor");
    QString notAllWritten =
        QStringLiteral("Not all of the data could be written; the disk may be full.");
    QString notUtf8 = QStringLiteral("The file is not valid UTF-8");
    QString notRegularFile = QStringLiteral("It is not a regular file");
    QString noPdfEngine = QStringLiteral("No PDF engine is available");
};

namespace FileErrorText {

// The message in the given words; in English by default, as the
// command-line tool shows it.
QString text(const FileError& error, const FileErrorWords& words = FileErrorWords());

} // namespace FileErrorText
