#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// The files of a corpus, in corpus order: the paths in the order given, each
// folder replaced in place by its text and PDF files (".txt" and ".pdf" in
// any letter case, at any depth) in byte order of their paths, as
// `LC_ALL=C sort` orders them. Links to folders inside a folder are not
// followed, so that a loop of links cannot make the list endless; a path
// named directly is taken whatever it is, and a path named twice counts
// twice.
namespace CorpusFiles {

// The expanded list. A folder that cannot be listed is named in `errors`
// and left out; a file that is missing is kept, to be reported when it is
// read.
QStringList expand(const QStringList& paths, QStringList* errors);

// Whether a file found in a folder belongs to the corpus.
bool isCorpusFile(const QString& name);

// The paths of a list file, one a line ("\n", or "\r\n" as Windows writes
// it); empty lines are skipped. False with the reason when it cannot be read.
bool readList(std::FILE* stream, QStringList* paths, QString* error);
bool readList(const QString& path, QStringList* paths, QString* error);

} // namespace CorpusFiles
