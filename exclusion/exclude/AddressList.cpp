#include "AddressList.h"

namespace vexa {

AddressList::AddressList(std::string text, const CodePage& page)
    : text_(std::move(text)),
      page_(page),
      tails_(text_, page_),
      wildcards_(text_),
      https_any_(tails_.Find("HTTPS://*", {})) {}

std::string_view AddressList::LineEndingAt(size_t end) const {
  const std::string_view text = text_;
  const size_t lf = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
  const size_t start = lf == std::string_view::npos ? 0 : lf + 1;
  return text.substr(start, end - start);
}

}  // namespace vexa
