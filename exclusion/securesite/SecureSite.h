#pragma once
// Secure-site naming: an https address whose host is a bare dotted IPv4
// number gets the DNS name of that number appended, or a fixed marker when
// the reverse lookup finds none.
#include <string>
#include <string_view>

#include "CodePage.h"
#include "EventLog.h"
#include "Resolver.h"

namespace vexa {

// Appended when the reverse lookup fails for any reason.
inline constexpr std::string_view kSecureSiteMarker = " :: Secure Site";

// Writes the reverse-lookup name of a dotted number ("10.1.2.3" gives
// "3.2.1.10.IN-ADDR.ARPA") into `name`. Runs of dots count as one separator
// and dots at either end are ignored. False, with `name` untouched, unless
// the text holds exactly four groups of one to three digits.
bool BuildReverseLookupName(std::string_view host, std::string* name);

// Extends `url` in place when it is "https://" (any case) followed by a
// dotted number: " :: " and the first PTR answer's host name, or the marker
// when the lookup fails (a debug line tells why). Any other address, and a
// digits-and-dots host that is not four groups, stays unchanged and costs
// no query.
void AppendSecureSiteName(std::string& url, Resolver& resolver, EventLog& log,
                          const CodePage& code_page);

}  // namespace vexa
