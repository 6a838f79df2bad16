// vexaDB lint-lists: finds what silently weakens the exclusion lists.
#include <ostream>

#include "CategoryList.h"
#include "Exclusion.h"
#include "ListLoader.h"

namespace vexa {
namespace {

constexpr const char* kAddressFile = "exc_log.ctl";
constexpr const char* kCategoryFile = "exc_logcats.ctl";

class Report {
 public:
  explicit Report(std::ostream& out) : out_(out) {}
  void Add(const char* file, size_t line, std::string_view message) {
    out_ << file << ':' << line << ": " << message << '\n';
    ++count_;
  }
  size_t count() const { return count_; }

 private:
  std::ostream& out_;
  size_t count_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void LintAddressList(std::string_view bytes, Report& report) {
  size_t number = 0;
  for (size_t start = 0; start < bytes.size();) {
    size_t lf = bytes.find('\n', start);
    const bool has_lf = lf != std::string_view::npos;
    if (!has_lf) lf = bytes.size();
    std::string_view entry = bytes.substr(start, lf - start);
    ++number;
    start = lf + 1;
    const bool crlf = has_lf && entry.ends_with('\r');
    if (crlf) entry.remove_suffix(1);
    if (entry.find('\0') != std::string_view::npos) {
      report.Add(kAddressFile, number,
                 "holds a NUL byte: the loader drops the rest of its 255-byte read chunk");
    }
    if (entry.empty()) continue;
    if (has_lf && !crlf) {
      report.Add(kAddressFile, number,
                 "ends in LF without CR: the whole-line rules never see this entry");
    }
    if (entry.find_first_not_of('\r') == std::string_view::npos) {
      report.Add(kAddressFile, number,
                 "holds nothing but carriage returns: it can never match an address");
      continue;
    }
    if (entry.find('\r') != std::string_view::npos) {
      report.Add(kAddressFile, number,
                 "holds a carriage return: the whole-line rules see only what follows it, "
                 "the wildcard rule drops it");
    }
    if (IsBlank(entry.back())) {
      report.Add(kAddressFile, number,
                 "ends in a blank: it matches only addresses that end in the same blank");
    }
  }
}

size_t LineOf(std::string_view text, size_t pos) {
  size_t line = 1;
  for (size_t i = 0; i < pos && i < text.size(); ++i) line += text[i] == '\n';
  return line;
}

// Where the splitter stops: a backslash before anything but a backslash, a
// comma, a double quote or "n", or at the end.
size_t BadEscape(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    if (i + 1 == text.size()) return i;
    const char next = text[i + 1];
    if (next != '\\' && next != ',' && next != '"' && next != 'n') return i;
    ++i;
  }
  return std::string_view::npos;
}

void LintName(std::string_view name, size_t index, size_t line, Report& report) {
  const std::string which = "category name " + std::to_string(index) + " (\"" + std::string(name) + "\")";
  if (name.empty()) {
    report.Add(kCategoryFile, line, which + " is empty: no record has an empty category");
  } else if (IsBlank(name.front()) || IsBlank(name.back())) {
    report.Add(kCategoryFile, line,
               which + " starts or ends with a blank: it matches only categories spelled "
                       "with that blank");
  }
}

void LintCategoryList(std::string_view bytes, const CodePage& page, Report& report) {
  if (size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
    report.Add(kCategoryFile, LineOf(bytes, nul),
               "holds a NUL byte: the loader drops the rest of its 255-byte read chunk");
  }
  if (bytes.ends_with('\n') || bytes.ends_with('\r')) {
    report.Add(kCategoryFile, LineOf(bytes, bytes.size() - 1),
               "ends with a line break: it becomes part of the last category name");
  }
  if (size_t lf = bytes.find('\n'); lf != std::string_view::npos && lf + 1 < bytes.size()) {
    report.Add(kCategoryFile, LineOf(bytes, lf),
               "has more than one line: the list is one line, a line break becomes part of a "
               "name");
  }
  std::string text(bytes.substr(0, bytes.find('\0')));
  const CategoryList list(CategoryListText(std::move(text), page), page);
  if (!list.error().empty()) {
    const size_t at = BadEscape(list.text());
    std::string message = "cannot be split (" + list.error() + ") at byte " +
                          std::to_string(at + 1) + ": this name and all after it exclude nothing";
    if (list.text().compare(at, 2, "\\N") == 0) {
      message += " (the loader upper-cases \\n to \\N)";
    }
    report.Add(kCategoryFile, LineOf(list.text(), at), message);
  }
  if (list.names().empty() && list.error().empty()) {
    if (!list.text().empty()) LintName(list.text(), 1, 1, report);
    return;
  }
  for (size_t i = 0; i < list.names().size(); ++i) LintName(list.names()[i], i + 1, 1, report);
}

// The file's raw bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadRaw(const Env& env, const std::string& path) {
  std::unique_ptr<ExclusiveFile> file = env.files->OpenExclusive(path);
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const long n = file->Read(buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    if (n == 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

int RunLintCommand(const Env& env, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
  if (!args.empty()) {
    err << "usage: vexaDB lint-lists\n";
    return 2;
  }
  std::string directory;
  if (!ReadInstallDirectory(env, directory)) {
    err << "vexaDB lint-lists: the setting DIRECTORY cannot be read\n";
    return 2;
  }
  static const CodePage kDefault;
  const CodePage& page = env.code_page ? *env.code_page : kDefault;
  Report report(out);
  bool unread = false;
  for (const std::string& path : {AddressListPath(directory), CategoryListPath(directory)}) {
    FileInfo info;
    if (!env.files->Stat(path, &info)) {
      err << "vexaDB lint-lists: " << path << " is absent: nothing to check\n";
      continue;
    }
    const std::optional<std::string> bytes = ReadRaw(env, path);
    if (!bytes) {
      err << "vexaDB lint-lists: " << path << " cannot be read (missing, or open elsewhere)\n";
      unread = true;
    } else if (path.ends_with(kAddressFile)) {
      LintAddressList(*bytes, report);
    } else {
      LintCategoryList(*bytes, page, report);
    }
  }
  out.flush();
  if (report.count() > 0) return 1;
  return unread ? 2 : 0;
}

}  // namespace vexa
