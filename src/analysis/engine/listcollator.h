#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

// The order of every table: ICU collation for a locale with letter case
// ignored (strength secondary). The C and POSIX locales use the root rules.
// One instance is not to be shared between threads.
class ListCollator {
public:
    explicit ListCollator(const QLocale& locale = QLocale());
    // A collator for an ICU locale id, which may name a variant of the rules
    // that QLocale does not carry ("es@collation=traditional").
    static std::unique_ptr<ListCollator> forIcuLocale(const std::string& id);
    // Whether ICU has the rules that an id's "@collation=" keyword names for
    // its locale; true when it names none.
    static bool hasCollation(const std::string& id);
    ~ListCollator();
    // A copy with the same rules, for use on another thread.
    std::unique_ptr<ListCollator> clone() const;
    ListCollator(const ListCollator&) = delete;
    ListCollator& operator=(const ListCollator&) = delete;

    int compare(QStringView a, QStringView b) const;
    int compare16(std::u16string_view a, std::u16string_view b) const;
    // Compares two generalized UTF-8 strings.
    int compareUtf8(std::string_view a, std::string_view b) const;
    QByteArray sortKey(QStringView s) const;
    // True when turning the ASCII capitals of an ASCII word into small
    // letters never changes its sort key. Not so where letter case is more
    // than a tertiary difference: Turkish dotted and dotless i, Danish "aa"
    // against "aA". Tried on every letter, pair of letters and ASCII
    // contraction of the rules, so it takes a millisecond or two.
    bool lowerAsciiKeepsKeys() const;

    // Where every printable ASCII character (U+0020 to U+007E) is one
    // collation element with a primary weight of its own, shared only by the
    // two cases of a letter, and none takes part in a contraction, texts of
    // those characters collate as their strings of ranks compare: rank 1 for
    // the first in collation order, and so on. Two such texts then collate
    // equal exactly when they are equal with ASCII letters lowered. Null
    // where this does not hold; 0 for the other characters below 128.
    const std::uint8_t* asciiRanks() const { return hasAsciiRanks_ ? asciiRanks_ : nullptr; }

    // Indices 0..count-1 ordered by collation of view(i); items that compare
    // equal are ordered by their code units, so the result is deterministic.
    // `tick`, if given, is called every few thousand items on the calling
    // thread, so that a long sort can let a window answer.
    using Tick = std::function<void()>;
    template <typename ViewFn>
    std::vector<std::uint32_t> sortedOrder(std::uint32_t count, ViewFn view,
                                           const Tick& tick = {}) const;
    std::vector<std::uint32_t> sortedOrder(const std::vector<std::string_view>& items,
                                           const Tick& tick = {}) const;
    // The same for items read through a function, so that a long list of
    // strings in a pool needs no list of views beside it.
    using ItemView = std::function<std::string_view(std::uint32_t)>;
    std::vector<std::uint32_t> sortedOrderOf(std::uint32_t count, const ItemView& item,
                                             const Tick& tick = {}) const;

    UCollator* handle() const { return collator_; }
    const char* localeName() const { return localeName_.c_str(); }

private:
    struct Empty {};
    explicit ListCollator(Empty) {}
    void open();
    bool rankAscii();
    std::vector<std::uint32_t> rankedOrder(std::uint32_t count, const ItemView& item,
                                           const Tick& tick) const;
    UCollator* collator_ = nullptr;
    std::string localeName_;
    std::uint8_t asciiRanks_[128] = {};
    bool hasAsciiRanks_ = false;
};

template <typename ViewFn>
std::vector<std::uint32_t> ListCollator::sortedOrder(std::uint32_t count, ViewFn view,
                                                     const Tick& tick) const {
    return sortedOrderOf(count, ItemView(std::move(view)), tick);
}
