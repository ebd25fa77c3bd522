#include "online/emailaddress.h"

#include <QByteArray>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace {

const char* const Pattern = "^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$";

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// Compiled once; a compiled pattern may be shared between threads.
const pcre2_code* compiledPattern() {
    static const std::unique_ptr<pcre2_code, CodeDeleter> code([] {
        int error = 0;
        PCRE2_SIZE offset = 0;
        return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(Pattern), PCRE2_ZERO_TERMINATED,
                             PCRE2_UTF, &error, &offset, nullptr);
    }());
    return code.get();
}

} // namespace

bool EmailAddress::isValidEmail(const QString& text) {
    const pcre2_code* code = compiledPattern();
    if (!code || text.isEmpty()) return false;
    const QByteArray subject = text.toUtf8();
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(code, nullptr));
    if (!match) return false;
    const int found = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.constData()),
                                  PCRE2_SIZE(subject.size()), 0, 0, match.get(), nullptr);
    if (found < 0) return false;
    // "$" also matches before a final line break; the address is the whole text.
    const PCRE2_SIZE* range = pcre2_get_ovector_pointer(match.get());
    return range[0] == 0 && range[1] == PCRE2_SIZE(subject.size()) && range[1] > range[0];
}
