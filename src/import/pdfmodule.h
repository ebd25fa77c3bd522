#pragma once

#include <cstddef>

// The functions of the PDF module, a shared library of ours around Qt PDF that
// the program loads at run time. The module holds at most one open document,
// whose file stays open until the next document is opened or the module is
// closed.
namespace PdfModule {

// Reasons an open fails, as the program words them.
enum ErrorCode {
    NoError = 0,
    UnknownError = 1,
    FileError = 2,     // not found or not readable
    FormatError = 3,   // not a PDF or damaged
    PasswordError = 4, // a password is needed
    SecurityError = 5, // an encryption the engine does not support
    PageError = 6,
};

inline constexpr char FileName[] = "liblexo_pdfmodule.so";

inline constexpr char InitializeName[] = "lexoPdfInitialize";
inline constexpr char OpenName[] = "lexoPdfOpen";
inline constexpr char LastErrorName[] = "lexoPdfLastError";
inline constexpr char PageCountName[] = "lexoPdfPageCount";
inline constexpr char PageTextName[] = "lexoPdfPageText";
inline constexpr char CloseName[] = "lexoPdfClose";

// Once, before any other call.
using Initialize = void (*)();
// Closes the open document, then opens the file at the UTF-16 path without a
// password; false when that fails, with the reason in LastError.
using Open = bool (*)(const char16_t* path, std::ptrdiff_t length);
using LastError = int (*)();
// Zero without an open document.
using PageCount = int (*)();
// The text of a page as UTF-16, valid until the next call into the module.
using PageText = const char16_t* (*)(int page, std::ptrdiff_t* length);
using Close = void (*)();

} // namespace PdfModule
