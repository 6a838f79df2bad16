#pragma once
// The category exclusion list, split once when it is loaded. A list with a
// comma (found on a character boundary) is split by the escaped-list rules:
// a double quote opens and closes a quoted stretch, a backslash escapes a
// backslash, a comma, a double quote or "n" (a line feed). A list without a
// comma is one name. Names compare byte for byte.
//
// A bad escape (a backslash before any other byte, or at the end) ends the
// split: the names before it still count, and a category that equals none of
// them is not excluded. error() then holds the splitter's text.
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace vexa {

class CategoryList {
 public:
  CategoryList(std::string text, const CodePage& page);

  bool Excludes(std::string_view category) const;
  const std::string& text() const { return text_; }
  const std::string& error() const { return error_; }
  // The names in list order, up to a bad escape (empty for a list without comma).
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::string text_;
  bool split_ = false;
  std::vector<std::string> names_;
  std::vector<std::string> sorted_;
  std::string error_;
};

}  // namespace vexa
