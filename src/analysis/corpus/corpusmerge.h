#pragma once

#include "analysis/corpus/corpusstream.h"

#include <vector>

// Adds up corpus streams: the entries of each section are read side by side
// and written as they come, in memory proportional to the number of
// sources. Equal items (phrases of one class) become one entry whose counts
// and file counts are summed; a phrase keeps the form seen first in corpus
// order.
namespace CorpusMerge {

// The merged header: the first source's settings and everyone's totals.
CorpusHeader header(const std::vector<CorpusSource*>& sources);

// Merges sources given in corpus order (the first one's files first) into
// the sink. The sources must share their settings.
void merge(const std::vector<CorpusSource*>& sources, CorpusSink& sink);

} // namespace CorpusMerge
