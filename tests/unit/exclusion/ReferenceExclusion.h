#pragma once
// The exclusion test written as plainly as it can be: every question is a
// search of the list text, and both lists are split again on every call. It
// is slow (the whole list per rule) and serves as the reference the indexed
// test must agree with, answer, rule and entry alike.
#include <string>

#include "CodePage.h"
#include "Exclusion.h"

namespace vexa::reference {

// `address_list` and `category_list` as the loader leaves them.
int IsExcluded(const std::string& address_list, const std::string& category_list,
               const CodePage& page, std::string url, std::string category,
               ExclusionVerdict* why = nullptr);

}  // namespace vexa::reference
