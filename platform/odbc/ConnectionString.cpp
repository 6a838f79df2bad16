#include "ConnectionString.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vexa {
namespace {

// One "key=value" element as written, with its key for look-ups.
struct Element {
  std::string_view text;
  std::string_view key;
};

// Splits at ';' outside braces. A value that starts with '{' runs to the
// matching '}' ("}}" stands for one brace inside it).
std::vector<Element> SplitElements(std::string_view text) {
  std::vector<Element> elements;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    size_t eq = text.find('=', pos);
    size_t semi = text.find(';', pos);
    size_t end;
    if (eq != std::string_view::npos && (semi == std::string_view::npos || eq < semi) &&
        eq + 1 < text.size() && text[eq + 1] == '{') {
      end = eq + 2;
      while (end < text.size()) {
        if (text[end] == '}') {
          if (end + 1 < text.size() && text[end + 1] == '}') {
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        ++end;
      }
      end = std::min(text.find(';', end), text.size());
    } else {
      end = semi == std::string_view::npos ? text.size() : semi;
    }
    std::string_view element = text.substr(start, end - start);
    if (!element.empty()) {
      size_t key_end = element.find('=');
      std::string_view key = element.substr(0, key_end);
      while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
      while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
      elements.push_back({element, key});
    }
    pos = end + 1;
  }
  return elements;
}

bool KeyIs(std::string_view key, const char* name) {
  return key.size() == strlen(name) && strncasecmp(key.data(), name, key.size()) == 0;
}

}  // namespace

std::string QuoteOdbcValue(std::string_view value) {
  bool plain = value.find_first_of(";{}") == std::string_view::npos &&
               (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return std::string(value);
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  quoted += '}';
  return quoted;
}

std::string PrepareOdbcConnectionString(std::string_view ado_string, const std::string& user,
                                        const std::string& password) {
  std::string result;
  bool has_user = false;
  bool has_password = false;
  auto append = [&result](std::string_view element) {
    if (!result.empty()) result += ';';
    result += element;
  };
  for (const Element& e : SplitElements(ado_string)) {
    if (KeyIs(e.key, "PROVIDER")) continue;
    has_user |= KeyIs(e.key, "UID");
    has_password |= KeyIs(e.key, "PWD");
    append(e.text);
  }
  if (!has_user && !user.empty()) append("UID=" + QuoteOdbcValue(user));
  if (!has_password && !password.empty()) append("PWD=" + QuoteOdbcValue(password));
  return result;
}

}  // namespace vexa
