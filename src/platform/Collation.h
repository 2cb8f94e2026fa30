#pragma once
// The user's locale as the list views need it: text comparison with case ignored
// or kept, and the regional text of a date and time.
#include <string>

namespace vexo::platform {

// <0, 0, >0 like strcmp, by the collation of the user's locale (UTF-8 text).
// ignoreCase compares at secondary strength (accents count, case does not),
// otherwise at tertiary strength.
int CompareLocaleText(const std::string& a, const std::string& b, bool ignoreCase);

struct TLocaleDateTime {
    int Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};
// The user's short date, and with withTime a space and the time with seconds.
std::string FormatLocaleDateTime(const TLocaleDateTime& value, bool withTime);

// Makes the named locale (an ICU name such as "de_DE") the user's locale; for tests
// and for a front end that knows better than the environment.
void SetUserLocale(const std::string& name);

} // namespace vexo::platform
