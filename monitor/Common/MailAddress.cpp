#include "monitor/Common/MailAddress.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

const char16_t kMailPattern[] =
    u"^((([-0-9a-zA-Z_.一-龥]+)@)|@)([-a-zA-Z0-9_一-龥]+)([.][-a-zA-Z0-9_一-龥])+";

}  // namespace

bool IsMailAddress(std::u16string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    // Compiled on each call: the check is rare and keeps no state between calls.
    std::unique_ptr<icu::RegexPattern> pattern(
        icu::RegexPattern::compile(icu::UnicodeString(kMailPattern), 0, status));
    if (U_FAILURE(status) || !pattern) return false;
    icu::UnicodeString input(text.data(), static_cast<int32_t>(text.size()));
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status) || !matcher) return false;
    // Anchored at the start, not at the end.
    const bool found = matcher->lookingAt(status);
    return U_SUCCESS(status) && found;
}
