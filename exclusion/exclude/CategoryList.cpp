#include "CategoryList.h"

#include <algorithm>
#include <boost/tokenizer.hpp>

namespace vexa {

CategoryList::CategoryList(std::string text, const CodePage& page) : text_(std::move(text)) {
  split_ = !text_.empty() && page.Find(text_, ',') != std::string::npos;
  if (!split_) return;
  using Separator = boost::escaped_list_separator<char>;
  boost::tokenizer<Separator> fields(text_, Separator('\\', ',', '"'));
  try {
    for (auto field = fields.begin(); field != fields.end(); ++field) names_.push_back(*field);
  } catch (const boost::escaped_list_error& e) {
    error_ = e.what();
  }
  sorted_ = names_;
  std::sort(sorted_.begin(), sorted_.end());
}

bool CategoryList::Excludes(std::string_view category) const {
  if (!split_) return text_ == category;
  return std::binary_search(sorted_.begin(), sorted_.end(), category, std::less<>());
}

}  // namespace vexa
