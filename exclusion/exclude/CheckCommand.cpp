// vexaDB check: the exclusion test from the command line, for admins and
// tests; one address, or a stream of ADDRESS<TAB>CATEGORY lines.
#include <istream>
#include <ostream>

#include "Exclusion.h"
#include "ListLoader.h"

namespace vexa {
namespace {

constexpr const char* kUsage =
    "usage: vexaDB check [--explain] ADDRESS [CATEGORY]\n"
    "       vexaDB check [--explain] -   (lines ADDRESS<TAB>CATEGORY on standard input)\n";

// Entries are list bytes: control bytes and backslashes are escaped so that
// one test stays one line.
void AppendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (b < 0x20) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
}

void AppendVerdict(std::string& out, const ExclusionVerdict& verdict, bool explain) {
  out += verdict.excluded ? '1' : '0';
  out += '\t';
  out += RuleName(verdict.rule);
  if (explain) {
    out += '\t';
    AppendEscaped(out, verdict.entry);
  }
  out += '\n';
}

void CheckLine(const ExclusionLists& lists, std::string_view line, bool explain,
               std::string& out) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  const size_t tab = line.find('\t');
  const std::string_view address = line.substr(0, tab);
  std::string_view category =
      tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
  if (category.empty()) category = " ";
  ExclusionVerdict verdict;
  IsExcluded(lists, address, category, &verdict);
  AppendVerdict(out, verdict, explain);
}

// Reads `in` in large blocks and writes the answers in large blocks.
void CheckStream(const ExclusionLists& lists, std::istream& in, std::ostream& out, bool explain) {
  constexpr size_t kBlock = 1 << 16;
  std::string pending;
  std::string answers;
  std::vector<char> block(kBlock);
  auto flush = [&] {
    out.write(answers.data(), static_cast<std::streamsize>(answers.size()));
    answers.clear();
  };
  for (;;) {
    const std::streamsize n = in.rdbuf()->sgetn(block.data(), kBlock);
    if (n <= 0) break;
    pending.append(block.data(), static_cast<size_t>(n));
    size_t start = 0;
    for (size_t lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n', start)) {
      CheckLine(lists, std::string_view(pending).substr(start, lf - start), explain, answers);
      start = lf + 1;
    }
    pending.erase(0, start);
    if (answers.size() >= kBlock) flush();
  }
  if (!pending.empty()) CheckLine(lists, pending, explain, answers);
  flush();
  out.flush();
}

}  // namespace

int RunCheckCommand(const Env& env, const std::vector<std::string>& args, std::istream& in,
                    std::ostream& out, std::ostream& err) {
  bool explain = false;
  std::vector<std::string> operands;
  for (const std::string& arg : args) {
    if (arg == "--explain" && operands.empty()) {
      explain = true;
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty() || operands.size() > 2) {
    err << kUsage;
    return 2;
  }

  ExclusionLists lists;
  const ExclusionLoad load = LoadExclusionLists(env, lists);
  if (!load.directory_read) {
    err << "vexaDB check: the setting DIRECTORY cannot be read\n";
    return 2;
  }
  if (load.address != ListLoad::kLoaded) {
    err << "vexaDB check: " << AddressListPath(load.directory)
        << " was not read: no address excludes anything\n";
  }
  if (load.category != ListLoad::kLoaded) {
    err << "vexaDB check: " << CategoryListPath(load.directory)
        << " was not read: no category excludes anything\n";
  }
  if (!lists.category_error().empty()) {
    err << "vexaDB check: the category list cannot be split (" << lists.category_error() << ")\n";
  }

  if (operands.size() == 1 && operands[0] == "-") {
    CheckStream(lists, in, out, explain);
    return 0;
  }
  ExclusionVerdict verdict;
  const std::string_view category =
      operands.size() > 1 ? std::string_view(operands[1]) : std::string_view();
  IsExcluded(lists, operands[0], category.empty() ? " " : category, &verdict);
  std::string answer;
  AppendVerdict(answer, verdict, explain);
  out << answer;
  out.flush();
  return 0;
}

}  // namespace vexa
