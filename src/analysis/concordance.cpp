#include "analysis/concordance.h"

#include "analysis/listcollator.h"

namespace Concordance {

TypedQuery parseTyped(const QString&, const QString&) {
    return {};
}

class Finder::Impl {};

Finder::Finder(const TextLines&, const QString&, const ListCollator&)
    : d(std::make_unique<Impl>()) {}
Finder::~Finder() = default;

bool Finder::find(const Query&, const Take&, const std::atomic<bool>*) {
    return true;
}

std::vector<Hit> Finder::findAll(const Query& query) {
    std::vector<Hit> hits;
    find(query, [&](std::span<const Hit> some) {
        hits.insert(hits.end(), some.begin(), some.end());
        return true;
    });
    return hits;
}

Context contextOf(const TextLines&, const Hit&, int) {
    return {};
}

bool sortHits(std::vector<Hit>&, const TextLines&, const Order&, const ListCollator&,
              const std::atomic<bool>*) {
    return true;
}

} // namespace Concordance
