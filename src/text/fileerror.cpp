#include "text/fileerror.h"

namespace FileErrorText {

QString text(const FileError& error, const FileErrorWords& words) {
    const QString* sentence = nullptr;
    switch (error.action) {
    case FileError::Action::None:
        return error.detail;
    case FileError::Action::Open:
        sentence = &words.cannotOpen;
        break;
    case FileError::Action::Read:
        sentence = &words.cannotRead;
        break;
    case FileError::Action::Create:
        sentence = &words.cannotCreate;
        break;
    case FileError::Action::Write:
        sentence = &words.cannotWrite;
        break;
    case FileError::Action::Delete:
        sentence = &words.cannotDelete;
        break;
    case FileError::Action::Convert:
        sentence = &words.cannotConvert;
        break;
    }
    const QString* reason = &error.detail;
    switch (error.reason) {
    case FileError::Reason::System:
        break;
    case FileError::Reason::NotEnoughMemory:
        reason = &words.notEnoughMemory;
        break;
    case FileError::Reason::TooLargeForEditor:
        reason = &words.tooLargeForEditor;
        break;
    case FileError::Reason::NotAllWritten:
        reason = &words.notAllWritten;
        break;
    case FileError::Reason::NotUtf8:
        reason = &words.notUtf8;
        break;
    case FileError::Reason::NotRegularFile:
        reason = &words.notRegularFile;
        break;
    case FileError::Reason::NoPdfEngine:
        reason = &words.noPdfEngine;
        break;
    }
    // One pass, so that a "%2" in the file's name is not taken for the reason.
    return sentence->arg(error.path, *reason);
}

} // namespace FileErrorText
