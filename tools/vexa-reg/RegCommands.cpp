#include "RegCommands.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "CodePage.h"
#include "KeyPath.h"
#include "RegFile.h"
#include "ValueText.h"

namespace vexa {
namespace {

constexpr char kDone[] = "The operation completed successfully.";
constexpr char kCancelled[] = "The operation was cancelled.";
constexpr char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.";

std::string Shown(std::string_view ansi) { return CodePage().ToUtf8(ansi); }

std::string FullPath(std::string_view path) {
  return path.empty() ? "HKEY_LOCAL_MACHINE" : "HKEY_LOCAL_MACHINE\\" + Shown(path);
}

class Runner {
 public:
  Runner(const RegCommand& command, SettingsStore& store, RegConsole console)
      : cmd_(command), store_(store), con_(console) {}

  int Run() {
    if (cmd_.verb == "query") return Query();
    if (cmd_.verb == "add") return Add();
    if (cmd_.verb == "delete") return Delete();
    if (cmd_.verb == "import") return Import();
    return Export();
  }

 private:
  int Done() {
    con_.out << kDone << '\n';
    return 0;
  }
  int Cancelled() {
    con_.out << kCancelled << '\n';
    return 1;
  }
  int Failure(const StoreResult& result, std::string_view where = {}) {
    if (result.code == StoreResult::kNotFound && where.empty()) {
      con_.err << kNotFound << '\n';
    } else {
      con_.err << "ERROR: " << where << result.message << '\n';
    }
    return 1;
  }

  bool Confirm(const std::string& question) {
    con_.out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(con_.in, answer)) {
      con_.out << '\n';
      return false;
    }
    answer = FoldCase(answer);
    return answer == "y" || answer == "yes";
  }

  void PrintValue(const NamedValue& v) {
    con_.out << "    " << (v.name.empty() ? "(Default)" : Shown(v.name)) << "    "
             << TypeName(v.value.type) << "    " << ShowData(v.value) << '\n';
  }

  // Lists a key: its values, then its subkeys (or, with /s, their contents).
  StoreResult QueryKey(std::string_view key, int* matches) {
    KeyListing listing;
    const StoreResult result = store_.List(key, &listing);
    if (result.code != StoreResult::kOk && result.code != StoreResult::kDamaged) return result;
    con_.out << '\n' << FullPath(listing.path) << '\n';
    for (const NamedValue& v : listing.values) {
      if (!cmd_.value_name || SameName(v.name, *cmd_.value_name)) {
        PrintValue(v);
        ++*matches;
      }
    }
    StoreResult worst = result;
    if (!cmd_.recursive) {
      if (!cmd_.value_name && !listing.subkeys.empty()) {
        con_.out << '\n';
        for (const std::string& sub : listing.subkeys)
          con_.out << FullPath(listing.path) << '\\' << Shown(sub) << '\n';
      }
      return worst;
    }
    for (const std::string& sub : listing.subkeys) {
      const StoreResult r = QueryKey(listing.path + '\\' + sub, matches);
      if (!r.ok()) worst = r;
    }
    return worst;
  }

  int Query() {
    int matches = 0;
    const StoreResult result = QueryKey(cmd_.key, &matches);
    if (result.code == StoreResult::kNotFound || result.code == StoreResult::kInvalid)
      return Failure(result);
    if (cmd_.recursive) {
      con_.out << "\nEnd of search: " << matches << " match(es) found.\n";
    } else if (cmd_.value_name && matches == 0) {
      return Failure({StoreResult::kNotFound, {}});
    } else if (cmd_.value_name) {
      con_.out << '\n';
    }
    return result.ok() ? 0 : Failure(result);
  }

  int Add() {
    if (!cmd_.value_name) {
      const StoreResult result = store_.CreateKey(cmd_.key);
      return result.ok() ? Done() : Failure(result);
    }
    const bool number = cmd_.type == RegType::kDword || cmd_.type == RegType::kQword;
    const std::optional<std::string> data =
        DataFromText(cmd_.type, cmd_.data.value_or(number ? "0" : ""), cmd_.separator);
    if (!data) {
      con_.err << "ERROR: Invalid syntax. Specify valid " << (number ? "numeric" : "hexadecimal")
               << " value for '/d'.\n";
      return 1;
    }
    RegValue existing;
    if (!cmd_.force && store_.Read(cmd_.key, *cmd_.value_name, &existing) == SettingsStatus::kOk &&
        !Confirm("Value " + (cmd_.value_name->empty() ? "(Default)" : Shown(*cmd_.value_name)) +
                 " exists, overwrite")) {
      return Cancelled();
    }
    const StoreResult result = store_.SetValues(cmd_.key, {{*cmd_.value_name, {cmd_.type, *data}}});
    return result.ok() ? Done() : Failure(result);
  }

  int Delete() {
    KeyListing listing;
    StoreResult result = store_.List(cmd_.key, &listing);
    if (result.code == StoreResult::kNotFound || result.code == StoreResult::kInvalid)
      return Failure(result);
    if (cmd_.value_name) {
      const std::string shown = cmd_.value_name->empty() ? "(Default)" : Shown(*cmd_.value_name);
      if (!cmd_.force && !Confirm("Delete the registry value " + shown)) return Cancelled();
      result = store_.DeleteValue(cmd_.key, *cmd_.value_name);
    } else if (cmd_.all_values) {
      if (!cmd_.force &&
          !Confirm("Delete all values under the registry key " + FullPath(listing.path))) {
        return Cancelled();
      }
      result = {};
      for (const NamedValue& v : listing.values) {
        if (result.ok()) result = store_.DeleteValue(cmd_.key, v.name);
      }
    } else {
      if (!cmd_.force &&
          !Confirm("Permanently delete the registry key " + FullPath(listing.path))) {
        return Cancelled();
      }
      result = store_.DeleteKey(cmd_.key);
    }
    return result.ok() ? Done() : Failure(result);
  }

  int Import() {
    std::ifstream file(cmd_.file, std::ios::binary);
    std::ostringstream bytes;
    if (!file || !(bytes << file.rdbuf())) {
      con_.err << "ERROR: cannot read " << cmd_.file << '\n';
      return 1;
    }
    std::vector<RegFileOp> ops;
    RegFileError error;
    if (!ParseRegFile(bytes.str(), &ops, &error)) {
      con_.err << "ERROR: " << cmd_.file << ':' << error.line << ": " << error.message << '\n';
      return 1;
    }
    for (size_t i = 0; i < ops.size();) {
      const RegFileOp& op = ops[i];
      StoreResult result;
      size_t next = i + 1;
      switch (op.kind) {
        case RegFileOp::kCreateKey:
          result = store_.CreateKey(op.key);
          break;
        case RegFileOp::kDeleteKey:
          result = store_.DeleteKey(op.key);
          break;
        case RegFileOp::kDeleteValue:
          result = store_.DeleteValue(op.key, op.value.name);
          break;
        case RegFileOp::kSetValue: {
          // The values of one [key] section go in as one change of the key.
          std::vector<NamedValue> values{op.value};
          while (next < ops.size() && ops[next].kind == RegFileOp::kSetValue &&
                 ops[next].key == op.key) {
            values.push_back(ops[next++].value);
          }
          result = store_.SetValues(op.key, values);
          break;
        }
      }
      // Deleting what is not there is no failure, as in regedit.
      if (!result.ok() && result.code != StoreResult::kNotFound) {
        return Failure(result, cmd_.file + ":" + std::to_string(op.line) + ": ");
      }
      i = next;
    }
    return Done();
  }

  // The key and its subkeys, depth first, subkeys in registry order.
  StoreResult Collect(std::string_view key, std::vector<RegFileKey>* keys) {
    KeyListing listing;
    const StoreResult result = store_.List(key, &listing);
    if (!result.ok()) return result;
    keys->push_back({listing.path, std::move(listing.values)});
    for (const std::string& sub : listing.subkeys) {
      const StoreResult r = Collect(listing.path.empty() ? sub : listing.path + '\\' + sub, keys);
      if (!r.ok()) return r;
    }
    return {};
  }

  int Export() {
    std::vector<RegFileKey> keys;
    const StoreResult result = Collect(cmd_.key, &keys);
    if (!result.ok()) return Failure(result);
    if (!cmd_.force && std::ifstream(cmd_.file) &&
        !Confirm("File " + cmd_.file + " already exists. Overwrite")) {
      return Cancelled();
    }
    std::ofstream file(cmd_.file, std::ios::binary | std::ios::trunc);
    const std::string bytes =
        WriteRegFile(keys, cmd_.ansi_file ? RegDialect::kRegedit4 : RegDialect::kRegedit5);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !file.flush()) {
      con_.err << "ERROR: cannot write " << cmd_.file << '\n';
      return 1;
    }
    return Done();
  }

  const RegCommand& cmd_;
  SettingsStore& store_;
  RegConsole con_;
};

}  // namespace

int RunRegCommand(const RegCommand& command, SettingsStore& store, RegConsole console) {
  return Runner(command, store, console).Run();
}

}  // namespace vexa
