#include "RegArgs.h"

#include <string_view>
#include <vector>

#include "CodePage.h"
#include "KeyPath.h"
#include "ValueText.h"

namespace vexa {
namespace {

struct Verb {
  std::string_view name;
  std::string_view options;  // the options it takes, each followed by a blank
  int positionals;
};

constexpr Verb kVerbs[] = {
    {"query", "v ve s ", 1}, {"add", "v ve t s d f ", 1}, {"delete", "v ve va f ", 1},
    {"import", "", 1},       {"export", "y a ", 2},
};

// "HKLM\\A\\B" or "HKEY_LOCAL_MACHINE\\A\\B" gives "A\\B" in ANSI.
bool KeyBelowHklm(std::string_view typed, std::string* key) {
  for (std::string_view hive : {"HKLM", "HKEY_LOCAL_MACHINE"}) {
    if (typed.size() >= hive.size() && SameName(typed.substr(0, hive.size()), hive) &&
        (typed.size() == hive.size() || typed[hive.size()] == '\\')) {
      *key = CodePage().FromUtf8(typed.substr(hive.size()));
      std::vector<std::string> parts;
      return SplitKeyPath(*key, &parts);
    }
  }
  return false;
}

// The option name of `arg` ("/V" and "-v" give "v") when the verb takes it.
std::optional<std::string> OptionOf(std::string_view arg, const Verb& verb) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::nullopt;
  const std::string name = FoldCase(arg.substr(1));
  for (std::string_view options = verb.options; !options.empty();) {
    const size_t blank = options.find(' ');
    if (options.substr(0, blank) == name) return name;
    options.remove_prefix(blank + 1);
  }
  return std::nullopt;
}

}  // namespace

bool ParseRegArgs(int argc, const char* const* argv, RegCommand* command, std::string* error) {
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      command->verb = "help";
      return true;
    }
    if (arg == "--registry" || arg.starts_with("--registry=")) {
      if (arg == "--registry" && i + 1 == argc)
        return *error = "--registry needs a directory", false;
      command->registry = arg == "--registry" ? argv[++i] : arg.substr(11);
      continue;
    }
    args.push_back(arg);
  }
  if (args.empty()) return *error = "no operation given", false;

  const Verb* verb = nullptr;
  for (const Verb& v : kVerbs) {
    if (SameName(args[0], v.name)) verb = &v;
  }
  if (verb == nullptr) return *error = "unknown operation: " + std::string(args[0]), false;
  command->verb = std::string(verb->name);

  std::vector<std::string_view> positionals;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::optional<std::string> option = OptionOf(args[i], *verb);
    if (!option) {
      positionals.push_back(args[i]);
      continue;
    }
    const bool takes_value = *option == "v" || *option == "t" || *option == "d" ||
                             (*option == "s" && command->verb == "add");
    if (takes_value && i + 1 == args.size())
      return *error = "/" + *option + " needs a value", false;
    const std::string_view value = takes_value ? args[++i] : std::string_view();
    if (*option == "v" || *option == "ve") {
      if (command->value_name) return *error = "give /v or /ve once", false;
      command->value_name = CodePage().FromUtf8(value);
    } else if (*option == "va") {
      command->all_values = true;
    } else if (*option == "t") {
      const std::optional<RegType> type = TypeFromName(value);
      if (!type) return *error = "unknown type for /t: " + std::string(value), false;
      command->type = *type;
    } else if (*option == "d") {
      command->data = std::string(value);
    } else if (*option == "s") {
      if (command->verb == "add") {
        command->separator = std::string(value);
      } else {
        command->recursive = true;
      }
    } else if (*option == "f" || *option == "y") {
      command->force = true;
    } else if (*option == "a") {
      command->ansi_file = true;
    }
  }
  if (static_cast<int>(positionals.size()) != verb->positionals) {
    return *error = command->verb + " takes " +
                    (verb->positionals == 1 ? "one argument" : "two arguments"),
           false;
  }
  if (command->value_name && command->all_values)
    return *error = "give /v, /ve or /va, not two of them", false;
  if (command->verb == "import") {
    command->file = std::string(positionals[0]);
    return true;
  }
  if (!KeyBelowHklm(positionals[0], &command->key)) {
    return *error = "invalid key name (it must start with HKLM\\ or HKEY_LOCAL_MACHINE\\): " +
                    std::string(positionals[0]),
           false;
  }
  if (command->verb == "export") command->file = std::string(positionals[1]);
  if (command->verb == "add" && command->data && !command->value_name) {
    return *error = "/d needs /v or /ve", false;
  }
  return true;
}

}  // namespace vexa
