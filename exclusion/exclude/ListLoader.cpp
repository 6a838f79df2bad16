#include "ListLoader.h"

#include <cstring>

#include "EventLogWriter.h"
#include "RegAccess.h"
#include "SettingsKeys.h"

namespace vexa {
namespace {

constexpr size_t kChunk = 255;

const CodePage& PageOf(const Env& env) {
  static const CodePage kDefault;
  return env.code_page ? *env.code_page : kDefault;
}

// Opens and reads one list file; `text` receives its bytes when loaded.
ListLoad ReadList(const Env& env, const std::string& path, std::string& text) {
  std::unique_ptr<ExclusiveFile> file = env.files->OpenExclusive(path);
  if (!file) return ListLoad::kNotOpened;
  std::optional<std::string> bytes = ReadListFile(*file);
  if (!bytes) return ListLoad::kReadFailed;
  text = std::move(*bytes);
  return ListLoad::kLoaded;
}

}  // namespace

std::optional<std::string> ReadListFile(ExclusiveFile& file) {
  std::string text;
  char buffer[kChunk + 1];
  for (;;) {
    std::memset(buffer, 0, sizeof buffer);
    const long n = file.Read(buffer, kChunk);
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    text.append(buffer, std::strlen(buffer));
  }
}

std::string AddressListText(std::string bytes, const CodePage& page) {
  page.ToUpperInPlace(bytes);
  if (!bytes.ends_with("\r\n")) bytes.append("\r\n");
  return bytes;
}

std::string CategoryListText(std::string bytes, const CodePage& page) {
  page.ToUpperInPlace(bytes);
  return bytes;
}

std::string AddressListPath(std::string_view directory) {
  return std::string(directory).append("/config/exc_log.ctl");
}

std::string CategoryListPath(std::string_view directory) {
  return std::string(directory).append("/config/exc_logcats.ctl");
}

bool ReadInstallDirectory(const Env& env, std::string& directory) {
  CRegAccess registry(*env.settings);
  registry.SetKey(keys::kSnp);
  return registry.ReadValue("DIRECTORY", directory) == CRegAccess::kOk;
}

ExclusionLoad LoadExclusionLists(const Env& env, ExclusionLists& lists) {
  ExclusionLoad load;
  if (!ReadInstallDirectory(env, load.directory)) {
    WriteEventLog(*env.log, "RefreshExcludeFile(): Registry read of \\Snp\\DIRECTORY Failed");
    return load;
  }
  load.directory_read = true;
  const CodePage& page = PageOf(env);
  lists.SetCodePage(page);

  std::string text;
  load.address = ReadList(env, AddressListPath(load.directory), text);
  if (load.address == ListLoad::kReadFailed) return load;
  if (load.address == ListLoad::kLoaded) lists.SetAddressList(AddressListText(std::move(text), page));

  load.category = ReadList(env, CategoryListPath(load.directory), text);
  if (load.category != ListLoad::kLoaded) return load;
  const std::string category_text = CategoryListText(std::move(text), page);
  // A bad list is reported when it comes in, not again while it stays.
  const bool changed = category_text != lists.category_text();
  lists.SetCategoryList(category_text);
  if (changed && !lists.category_error().empty()) {
    WriteEventLog(*env.log, "RefreshExcludeFile(): exc_logcats.ctl cannot be split (" +
                                lists.category_error() +
                                "); the names after the error are not excluded");
  }
  return load;
}

void RefreshExcludeFile(const Env& env, ExclusionLists& lists) { LoadExclusionLists(env, lists); }

}  // namespace vexa
