#pragma once

#include <QString>

namespace LoadFilter {

// The open dialogs' filter for the files the program loads: supported (PDF
// and text), PDF, text and all files, translated.
QString filter();

} // namespace LoadFilter
