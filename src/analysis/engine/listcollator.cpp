#include "analysis/engine/listcollator.h"

#include "analysis/engine/analysiserror.h"
#include "text/hugepages.h"
#include "text/sidethread.h"
#include "text/wtf8.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uenum.h>
#include <unicode/uiter.h>
#include <unicode/uloc.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

std::string icuLocaleName(const QLocale& locale) {
    if (locale.language() == QLocale::C) return {};
    const QString name = locale.name();
    if (name == QLatin1String("C") || name == QLatin1String("POSIX")) return {};
    char buffer[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    int32_t parsed = 0;
    uloc_forLanguageTag(locale.bcp47Name().toLatin1().constData(), buffer, sizeof buffer, &parsed,
                        &status);
    if (U_FAILURE(status)) return name.toStdString();
    return buffer;
}

// The contractions and prefixes of the rules made of ASCII characters alone,
// or nothing when ICU cannot list them.
std::optional<std::vector<std::u16string>> asciiContractions(const UCollator* collator) {
    UErrorCode status = U_ZERO_ERROR;
    USet* contractions = uset_openEmpty();
    if (!contractions) throw std::bad_alloc();
    const std::unique_ptr<USet, decltype(&uset_close)> closeSet(contractions, &uset_close);
    ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
    if (U_FAILURE(status)) return std::nullopt;
    std::vector<std::u16string> ascii;
    std::u16string text(64, u'\0');
    for (int32_t i = 0, items = uset_getItemCount(contractions); i < items; ++i) {
        UChar32 first = 0, last = 0;
        const int32_t n =
            uset_getItem(contractions, i, &first, &last, reinterpret_cast<UChar*>(text.data()),
                         int32_t(text.size()), &status);
        if (U_FAILURE(status)) return std::nullopt;
        // A range of single characters has no string (n is 0).
        if (n >= 2 &&
            std::all_of(text.begin(), text.begin() + n, [](char16_t c) { return c < 0x80; }))
            ascii.emplace_back(text, 0, std::size_t(n));
    }
    return ascii;
}

constexpr int PrefixBytes = 32;

struct Prefix {
    std::uint8_t bytes[PrefixBytes];
    bool complete; // the whole sort key fitted
};

} // namespace

ListCollator::ListCollator(const QLocale& locale) : localeName_(icuLocaleName(locale)) {
    open();
}

std::unique_ptr<ListCollator> ListCollator::forIcuLocale(const std::string& id) {
    std::unique_ptr<ListCollator> collator(new ListCollator(Empty{}));
    collator->localeName_ = id;
    collator->open();
    return collator;
}

bool ListCollator::hasCollation(const std::string& id) {
    UErrorCode status = U_ZERO_ERROR;
    char wanted[ULOC_KEYWORDS_CAPACITY] = {};
    const int32_t n =
        uloc_getKeywordValue(id.c_str(), "collation", wanted, sizeof wanted - 1, &status);
    if (U_FAILURE(status)) return false;
    if (n == 0) return true;
    char base[ULOC_FULLNAME_CAPACITY] = {};
    uloc_getBaseName(id.c_str(), base, sizeof base - 1, &status);
    UEnumeration* values = ucol_getKeywordValuesForLocale("collation", base, false, &status);
    if (U_FAILURE(status) || !values) return false;
    const std::unique_ptr<UEnumeration, decltype(&uenum_close)> closeValues(values, &uenum_close);
    while (const char* value = uenum_next(values, nullptr, &status))
        if (std::strcmp(value, wanted) == 0) return true;
    return false;
}

void ListCollator::open() {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(localeName_.c_str(), &status);
    if (U_FAILURE(status) || !collator_) {
        status = U_ZERO_ERROR;
        collator_ = ucol_open("", &status);
    }
    if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status) || !collator_) throw AnalysisError(AnalysisError::Kind::NoCollator);
    // Case is a tertiary difference: secondary strength ignores it.
    ucol_setStrength(collator_, UCOL_SECONDARY);
    hasAsciiRanks_ = rankAscii();
}

bool ListCollator::rankAscii() {
    // Settings under which texts are weighed otherwise than element by
    // element: ignorable punctuation, a case level, digits read as numbers.
    UErrorCode status = U_ZERO_ERROR;
    const bool plain =
        ucol_getAttribute(collator_, UCOL_ALTERNATE_HANDLING, &status) == UCOL_NON_IGNORABLE &&
        ucol_getAttribute(collator_, UCOL_CASE_LEVEL, &status) == UCOL_OFF &&
        ucol_getAttribute(collator_, UCOL_NUMERIC_COLLATION, &status) == UCOL_OFF;
    if (U_FAILURE(status) || !plain) return false;

    static const UChar blank[] = {u' '};
    UCollationElements* elements = ucol_openElements(collator_, blank, 1, &status);
    if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status)) return false;
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> closeElements(
        elements, &ucol_closeElements);
    std::u16string printable;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        printable += c;
        ucol_setText(elements, &c, 1, &status);
        int seen = 0;
        bool primary = false;
        for (;;) {
            const int32_t ce = ucol_next(elements, &status);
            if (ce == UCOL_NULLORDER || U_FAILURE(status)) break;
            if ((std::uint32_t(ce) & 0xC0) == 0xC0) continue; // the rest of a long weight
            ++seen;
            primary = (std::uint32_t(ce) >> 16) != 0;
        }
        if (U_FAILURE(status) || seen != 1 || !primary) return false;
    }

    const std::optional<std::vector<std::u16string>> contractions = asciiContractions(collator_);
    if (!contractions || !contractions->empty()) return false;

    // Ranks in collation order; only the two cases of a letter may share one.
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    auto less = [&](char16_t a, char16_t b) {
        return compare16(std::u16string_view(&a, 1), std::u16string_view(&b, 1)) < 0;
    };
    std::stable_sort(printable.begin(), printable.end(), less);
    std::uint8_t rank = 0;
    for (std::size_t i = 0; i < printable.size(); ++i) {
        const char16_t c = printable[i];
        if (i == 0 || less(printable[i - 1], c))
            ++rank;
        else if (lower(printable[i - 1]) != lower(c))
            return false;
        asciiRanks_[c] = rank;
    }
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        if (asciiRanks_[c] != asciiRanks_[lower(c)]) return false;

    // The collator itself must agree on every text of one or two characters.
    std::vector<std::u16string> texts;
    for (char16_t a : printable) {
        if (lower(a) != a) continue;
        texts.emplace_back(1, a);
        for (char16_t b : printable)
            if (lower(b) == b) texts.push_back({a, b});
    }
    auto ranks = [&](const std::u16string& s) {
        std::string r;
        for (char16_t c : s)
            r += char(asciiRanks_[c]);
        return r;
    };
    std::sort(texts.begin(), texts.end(), [&](const std::u16string& a, const std::u16string& b) {
        return ranks(a) < ranks(b);
    });
    for (std::size_t i = 1; i < texts.size(); ++i)
        if (compare16(texts[i - 1], texts[i]) >= 0) return false;
    return true;
}

bool ListCollator::lowerAsciiKeepsKeys() const {
    std::vector<std::uint8_t> buffer(64);
    auto key = [&](const std::u16string& text) {
        for (;;) {
            const int32_t n =
                ucol_getSortKey(collator_, reinterpret_cast<const UChar*>(text.data()),
                                int32_t(text.size()), buffer.data(), int32_t(buffer.size()));
            if (n <= 0) throw std::bad_alloc();
            if (n <= int32_t(buffer.size()))
                return std::string(reinterpret_cast<const char*>(buffer.data()), std::size_t(n));
            buffer.resize(std::size_t(n));
        }
    };
    auto lower = [](std::u16string text) {
        for (char16_t& c : text)
            if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        return text;
    };
    auto keeps = [&](const std::u16string& text) { return key(text) == key(lower(text)); };
    // Every letter, and every pair, which covers two-letter contractions.
    std::u16string letters;
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        letters += c;
    letters += lower(letters);
    for (char16_t a : letters) {
        if (!keeps(std::u16string(1, a))) return false;
        for (char16_t b : letters)
            if (!keeps(std::u16string{a, b})) return false;
    }
    // Longer contractions made of ASCII alone, in every mix of case.
    const std::optional<std::vector<std::u16string>> contractions = asciiContractions(collator_);
    if (!contractions) return false;
    for (const std::u16string& s : *contractions) {
        if (s.size() <= 2) continue; // a pair, tried above
        if (s.size() > 12) return false;
        for (std::uint32_t mask = 0; mask < (1u << s.size()); ++mask) {
            std::u16string variant = lower(s);
            for (std::size_t j = 0; j < s.size(); ++j)
                if ((mask >> j) & 1 && variant[j] >= u'a' && variant[j] <= u'z')
                    variant[j] = char16_t(variant[j] - 32);
            if (!keeps(variant)) return false;
        }
    }
    return true;
}

std::unique_ptr<ListCollator> ListCollator::clone() const {
    std::unique_ptr<ListCollator> copy(new ListCollator(Empty{}));
    UErrorCode status = U_ZERO_ERROR;
    copy->collator_ = ucol_clone(collator_, &status);
    if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status) || !copy->collator_)
        throw AnalysisError(AnalysisError::Kind::NoCollator);
    copy->localeName_ = localeName_;
    std::memcpy(copy->asciiRanks_, asciiRanks_, sizeof asciiRanks_);
    copy->hasAsciiRanks_ = hasAsciiRanks_;
    return copy;
}

ListCollator::~ListCollator() {
    if (collator_) ucol_close(collator_);
}

int ListCollator::compare(QStringView a, QStringView b) const {
    return ucol_strcoll(collator_, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
}

int ListCollator::compare16(std::u16string_view a, std::u16string_view b) const {
    return ucol_strcoll(collator_, reinterpret_cast<const UChar*>(a.data()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.data()), int32_t(b.size()));
}

int ListCollator::compareUtf8(std::string_view a, std::string_view b) const {
    std::u16string ua, ub;
    Wtf8::appendUtf16(ua, a);
    Wtf8::appendUtf16(ub, b);
    return compare16(ua, ub);
}

QByteArray ListCollator::sortKey(QStringView s) const {
    const auto* text = reinterpret_cast<const UChar*>(s.utf16());
    QByteArray key(64, Qt::Uninitialized);
    int32_t n = ucol_getSortKey(collator_, text, int32_t(s.size()),
                                reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (n > key.size()) {
        key.resize(n);
        n = ucol_getSortKey(collator_, text, int32_t(s.size()),
                            reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    // Every sort key ends in a zero byte; no length means ICU ran short of
    // memory.
    if (n <= 0) throw std::bad_alloc();
    key.resize(n);
    return key;
}

std::vector<std::uint32_t> ListCollator::sortedOrder(const std::vector<std::string_view>& items,
                                                     const Tick& tick) const {
    return sortedOrderOf(
        std::uint32_t(items.size()), [&items](std::uint32_t i) { return items[i]; }, tick);
}

std::vector<std::uint32_t> ListCollator::sortedOrderOf(std::uint32_t count, const ItemView& item,
                                                       const Tick& tick) const {
    // Sort by a short prefix of each sort key, then settle each run of equal
    // prefixes with full sort keys, computed only for the items in such runs.
    // Items the collator finds equal are ordered by their UTF-16 code units.
    const std::uint32_t n = count;
    auto printable = [&](std::uint32_t i) {
        const std::string_view s = item(i);
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    };
    if (hasAsciiRanks_) {
        std::uint32_t i = 0;
        while (i < n && printable(i))
            ++i;
        if (i == n) return rankedOrder(n, item, tick);
    }
    struct Item {
        std::uint8_t prefix[PrefixBytes];
        std::uint32_t index;
        bool complete; // the whole sort key fitted into the prefix
    };
    std::vector<Item> sorted;
    HugePages::resize(sorted, n);
    constexpr std::uint32_t TickEvery = 4096;
    auto prefixes = [&](const ListCollator& c, std::uint32_t from, std::uint32_t to, bool ticking) {
        std::u16string buffer;
        for (std::uint32_t i = from; i < to; ++i) {
            if (ticking && tick && (i - from) % TickEvery == TickEvery - 1) tick();
            buffer.clear();
            Wtf8::appendUtf16(buffer, item(i));
            UCharIterator iter;
            uiter_setString(&iter, reinterpret_cast<const UChar*>(buffer.data()),
                            int32_t(buffer.size()));
            uint32_t state[2] = {0, 0};
            UErrorCode status = U_ZERO_ERROR;
            Item& item = sorted[i];
            std::memset(item.prefix, 0, PrefixBytes);
            const int32_t got =
                ucol_nextSortKeyPart(c.collator_, &iter, state, item.prefix, PrefixBytes, &status);
            item.complete = U_SUCCESS(status) && got < PrefixBytes;
            item.index = i;
        }
    };
    // Sort keys are the costly part; a long list shares them out with a
    // second thread and its own copy of the collator.
    if (n >= 65536) {
        const std::unique_ptr<ListCollator> copy = clone();
        SideThread half([&] { prefixes(*copy, n / 2, n, false); });
        prefixes(*this, 0, n / 2, true);
        half.join();
    } else {
        prefixes(*this, 0, n, true);
    }
    if (tick) tick();
    std::sort(sorted.begin(), sorted.end(), [](const Item& a, const Item& b) {
        const int c = std::memcmp(a.prefix, b.prefix, PrefixBytes);
        return c != 0 ? c < 0 : a.index < b.index;
    });

    std::vector<std::uint32_t> order;
    HugePages::resize(order, n);
    struct Tied {
        std::string key;
        std::u16string units;
        std::uint32_t index;
    };
    std::vector<Tied> tied;
    std::uint32_t untilTick = TickEvery;
    for (std::uint32_t g = 0; g < n;) {
        if (tick && g >= untilTick) {
            tick();
            untilTick = g + TickEvery;
        }
        std::uint32_t h = g + 1;
        while (h < n && std::memcmp(sorted[h].prefix, sorted[g].prefix, PrefixBytes) == 0)
            ++h;
        if (h == g + 1) {
            order[g] = sorted[g].index;
            g = h;
            continue;
        }
        tied.resize(h - g);
        for (std::uint32_t k = g; k < h; ++k) {
            Tied& t = tied[k - g];
            t.index = sorted[k].index;
            t.units.clear();
            Wtf8::appendUtf16(t.units, item(t.index));
            t.key.clear();
            if (!sorted[k].complete) {
                const QByteArray key =
                    sortKey(QStringView(t.units.data(), qsizetype(t.units.size())));
                t.key.assign(key.constData(), std::size_t(key.size()));
            }
        }
        std::sort(tied.begin(), tied.end(), [](const Tied& a, const Tied& b) {
            if (a.key != b.key) return a.key < b.key;
            return a.units < b.units;
        });
        for (std::uint32_t k = g; k < h; ++k)
            order[k] = tied[k - g].index;
        g = h;
    }
    return order;
}

std::vector<std::uint32_t> ListCollator::rankedOrder(std::uint32_t count, const ItemView& item,
                                                     const Tick& tick) const {
    // Printable ASCII alone: ranks stand in for sort keys, the first eight
    // packed into two numbers.
    const std::uint32_t n = count;
    const std::uint8_t* rank = asciiRanks_;
    struct Item {
        std::uint32_t high, low; // ranks of the first four and the next four bytes
        std::uint32_t index;
    };
    auto byteRank = [rank](char c) { return rank[static_cast<unsigned char>(c)]; };
    auto less = [&](const Item& a, const Item& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        const std::string_view x = item(a.index), y = item(b.index);
        for (std::size_t k = 8, m = std::min(x.size(), y.size()); k < m; ++k)
            if (byteRank(x[k]) != byteRank(y[k])) return byteRank(x[k]) < byteRank(y[k]);
        if (x.size() != y.size()) return x.size() < y.size();
        // Equal but for letter case: the code units decide.
        const int c = x.compare(y);
        return c != 0 ? c < 0 : a.index < b.index;
    };
    std::vector<Item> sorted;
    HugePages::resize(sorted, n);
    constexpr std::uint32_t TickEvery = 4096;
    auto fill = [&](std::uint32_t from, std::uint32_t to, bool ticking) {
        for (std::uint32_t i = from; i < to; ++i) {
            if (ticking && tick && (i - from) % TickEvery == TickEvery - 1) tick();
            const std::string_view s = item(i);
            std::uint64_t prefix = 0;
            for (std::size_t k = 0, m = std::min<std::size_t>(s.size(), 8); k < m; ++k)
                prefix |= std::uint64_t(byteRank(s[k])) << (56 - 8 * k);
            sorted[i] = Item{std::uint32_t(prefix >> 32), std::uint32_t(prefix), i};
        }
    };
    std::vector<std::uint32_t> order;
    HugePages::reserve(order, n);
    if (n >= 65536) {
        const auto middle = sorted.begin() + n / 2;
        SideThread half([&] {
            fill(n / 2, n, false);
            std::sort(middle, sorted.end(), less);
        });
        fill(0, n / 2, true);
        if (tick) tick();
        std::sort(sorted.begin(), middle, less);
        half.join();
        if (tick) tick();
        // The halves merge straight into the order, without a buffer of
        // items beside them.
        auto a = sorted.begin(), b = middle;
        while (a != middle && b != sorted.end())
            order.push_back(less(*b, *a) ? (b++)->index : (a++)->index);
        for (; a != middle; ++a)
            order.push_back(a->index);
        for (; b != sorted.end(); ++b)
            order.push_back(b->index);
    } else {
        fill(0, n, true);
        if (tick) tick();
        std::sort(sorted.begin(), sorted.end(), less);
        for (const Item& item : sorted)
            order.push_back(item.index);
    }
    return order;
}
