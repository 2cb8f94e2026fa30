#include "Collation.h"

#ifdef _WIN32
#include <cwchar>
#include <mutex>

#include "Win32Text.h"

namespace vexo::platform {

namespace {

std::mutex gLock;
std::wstring gLocaleName; // empty: the user's default

using win32::Narrow;
using win32::Widen;

const wchar_t* LocaleName() {
    return gLocaleName.empty() ? LOCALE_NAME_USER_DEFAULT : gLocaleName.c_str();
}

} // namespace

int CompareLocaleText(const std::string& a, const std::string& b, bool ignoreCase) {
    std::lock_guard<std::mutex> hold(gLock);
    const std::wstring wa = Widen(a), wb = Widen(b);
    const int r = CompareStringEx(LocaleName(), ignoreCase ? NORM_IGNORECASE : 0, wa.c_str(),
                                  static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                  nullptr, nullptr, 0);
    if (r == 0) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    return r - CSTR_EQUAL;
}

std::string FormatLocaleDateTime(const TLocaleDateTime& value, bool withTime) {
    std::lock_guard<std::mutex> hold(gLock);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(value.Year);
    st.wMonth = static_cast<WORD>(value.Month);
    st.wDay = static_cast<WORD>(value.Day);
    st.wHour = static_cast<WORD>(value.Hour);
    st.wMinute = static_cast<WORD>(value.Minute);
    st.wSecond = static_cast<WORD>(value.Second);
    wchar_t date[128] = {}, time[128] = {};
    GetDateFormatEx(LocaleName(), DATE_SHORTDATE, &st, nullptr, date, 128, nullptr);
    std::string text = Narrow(date, std::wcslen(date));
    if (withTime) {
        GetTimeFormatEx(LocaleName(), 0, &st, nullptr, time, 128);
        text += " " + Narrow(time, std::wcslen(time));
    }
    return text;
}

void SetUserLocale(const std::string& name) {
    std::lock_guard<std::mutex> hold(gLock);
    // Windows spells locales with a hyphen.
    std::string bcp = name;
    for (char& c : bcp)
        if (c == '_') c = '-';
    gLocaleName = Widen(bcp);
    // A name Windows does not know (such as ICU's "en_US_POSIX") leaves the user's own.
    if (!gLocaleName.empty() && !IsValidLocaleName(gLocaleName.c_str())) gLocaleName.clear();
}

} // namespace vexo::platform

#else

#include <memory>
#include <mutex>

#include <unicode/calendar.h>
#include <unicode/coll.h>
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

namespace vexo::platform {

namespace {

struct TLocaleServices {
    std::unique_ptr<icu::Collator> IgnoreCase;
    std::unique_ptr<icu::Collator> KeepCase;
    std::unique_ptr<icu::DateFormat> Date;
    std::unique_ptr<icu::DateFormat> Time;
};

std::mutex gLock;
std::unique_ptr<TLocaleServices> gServices;
std::string gLocaleName; // empty: from the environment

icu::Locale UserLocale() {
    icu::Locale locale = gLocaleName.empty() ? icu::Locale::getDefault() : icu::Locale(gLocaleName.c_str());
    // Without a configured locale ICU reports en_US_POSIX, whose collation orders
    // all capitals before all small letters: no use for a case-blind compare.
    const std::string name = locale.getName();
    if (locale.isBogus() || name.empty() || name == "en_US_POSIX" || name == "c" || name == "C")
        return icu::Locale::getUS();
    return locale;
}

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& locale,
                                            icu::Collator::ECollationStrength strength) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !c) {
        status = U_ZERO_ERROR;
        c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) c.reset();
    }
    if (c) c->setStrength(strength);
    return c;
}

TLocaleServices& Services() {
    if (!gServices) {
        auto s = std::make_unique<TLocaleServices>();
        const icu::Locale locale = UserLocale();
        s->IgnoreCase = MakeCollator(locale, icu::Collator::SECONDARY);
        s->KeepCase = MakeCollator(locale, icu::Collator::TERTIARY);
        s->Date.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
        s->Time.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        gServices = std::move(s);
    }
    return *gServices;
}

std::string ToUtf8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

} // namespace

int CompareLocaleText(const std::string& a, const std::string& b, bool ignoreCase) {
    std::lock_guard<std::mutex> hold(gLock);
    icu::Collator* c = ignoreCase ? Services().IgnoreCase.get() : Services().KeepCase.get();
    if (!c) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        c->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                       icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (U_FAILURE(status)) return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

std::string FormatLocaleDateTime(const TLocaleDateTime& value, bool withTime) {
    std::lock_guard<std::mutex> hold(gLock);
    TLocaleServices& s = Services();
    UErrorCode status = U_ZERO_ERROR;
    // A calendar in GMT on both sides: the value is a wall-clock time, not an instant.
    icu::GregorianCalendar calendar(*icu::TimeZone::getGMT(), status);
    calendar.clear();
    calendar.set(value.Year, value.Month - 1, value.Day, value.Hour, value.Minute, value.Second);
    const UDate when = calendar.getTime(status);
    if (U_FAILURE(status) || !s.Date || !s.Time) return {};
    s.Date->setTimeZone(*icu::TimeZone::getGMT());
    s.Time->setTimeZone(*icu::TimeZone::getGMT());
    icu::UnicodeString text;
    s.Date->format(when, text);
    if (withTime) {
        text += " ";
        s.Time->format(when, text);
    }
    return ToUtf8(text);
}

void SetUserLocale(const std::string& name) {
    std::lock_guard<std::mutex> hold(gLock);
    gLocaleName = name;
    gServices.reset();
}

} // namespace vexo::platform

#endif
