#pragma once
// The address exclusion list as loaded (upper-cased, ending in CR LF after a
// load) with the indexes built from it. Holds views into its own text, so it
// is neither copied nor moved: owners keep it behind a pointer.
#include <string>
#include <string_view>

#include "CodePage.h"
#include "LineTailIndex.h"
#include "WildcardIndex.h"

namespace vexa {

class AddressList {
 public:
  AddressList(std::string text, const CodePage& page);
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;

  const std::string& text() const { return text_; }
  const CodePage& page() const { return page_; }
  const LineTailIndex& tails() const { return tails_; }
  const WildcardIndex& wildcards() const { return wildcards_; }
  // Where "HTTPS://*" CR LF first stands; npos when the list does not hold it.
  size_t https_any() const { return https_any_; }
  // The line whose CR LF starts at `end` (the entry a found text ends).
  std::string_view LineEndingAt(size_t end) const;

 private:
  std::string text_;
  CodePage page_;
  LineTailIndex tails_;
  WildcardIndex wildcards_;
  size_t https_any_;
};

}  // namespace vexa
