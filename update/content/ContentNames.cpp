#include "ContentNames.h"

#include <cctype>

namespace vexa {

std::string ContentPath(const ContentSettings& settings, std::string_view name) {
  return settings.install_dir + "/Cache/" + std::string(name);
}

bool IsPlainFileName(std::string_view name) {
  return name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos && name != "." &&
         name != "..";
}

std::string_view FileName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view WithoutExtension(std::string_view path) {
  const size_t start = path.size() - FileName(path).size();
  const size_t dot = path.rfind('.');
  return dot == std::string_view::npos || dot < start ? path : path.substr(0, dot);
}

std::string_view Extension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(dot);
}

std::string CompanionPath(std::string_view path) {
  return std::string(WithoutExtension(path)) + ".tmp";
}

std::string CacheShareUnc(const ContentSettings& settings) {
  auto without = [](const std::string& text, size_t count) {
    return count < text.size() ? text.substr(count) : std::string();
  };
  return "\\\\" + settings.sql_server + "\\Cache" + without(settings.sql_db, 6) +
         without(settings.sql_table, 7);
}

std::string MapUncPath(std::string_view share_root, std::string_view unc) {
  while (share_root.size() > 1 && share_root.back() == '/') share_root.remove_suffix(1);
  while (!unc.empty() && (unc.front() == '\\' || unc.front() == '/')) unc.remove_prefix(1);
  std::string path(share_root);
  if (path != "/") path += '/';
  for (char c : unc) path += c == '\\' ? '/' : c;
  return path;
}

std::string CacheShareDirectory(const ContentSettings& settings) {
  const std::string& root = settings.share_root.empty() ? kDefaultShareRoot : settings.share_root;
  return MapUncPath(root, CacheShareUnc(settings));
}

std::string UniqueContentName(std::string_view uuid_text) {
  if (uuid_text.size() != 36) return {};
  std::string name;
  name.append(uuid_text.substr(0, 8));
  name.append(uuid_text.substr(9, 4));
  name += uuid_text[35];
  name.append(uuid_text.substr(15, 3));
  for (char c : name) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
  }
  return name;
}

}  // namespace vexa
