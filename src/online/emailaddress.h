#pragma once

#include <QString>

namespace EmailAddress {

// Whether the whole text, letter case as typed, is an address the feedback
// form accepts: name@domain.tld in letters, digits and a few signs.
bool isValidEmail(const QString& text);

} // namespace EmailAddress
