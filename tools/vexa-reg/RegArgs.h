#pragma once
// The command line of vexa-reg, in the manner of Windows reg:
//   vexa-reg query  KEY [/v NAME | /ve] [/s]
//   vexa-reg add    KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]
//   vexa-reg delete KEY [/v NAME | /ve | /va] [/f]
//   vexa-reg import FILE
//   vexa-reg export KEY FILE [/y] [/a]
// each with --registry DIR. Options compare without regard to case and may
// start with '-' as well as '/'.
#include <optional>
#include <string>

#include "Settings.h"

namespace vexa {

struct RegCommand {
  std::string verb;                       // "query", "add", "delete", "import", "export"; "help"
  std::string key;                        // below HKEY_LOCAL_MACHINE, in ANSI
  std::optional<std::string> value_name;  // /v NAME in ANSI, or "" for /ve
  bool all_values = false;                // /va
  RegType type = RegType::kSz;            // /t
  std::optional<std::string> data;        // /d, as typed (UTF-8)
  std::string separator = "\\0";          // /s of add
  bool force = false;                     // /f, /y
  bool recursive = false;                 // /s of query
  bool ansi_file = false;                 // /a: export as REGEDIT4
  std::string file;
  std::string registry;  // --registry DIR
};

// False with a message when the command line is not valid.
bool ParseRegArgs(int argc, const char* const* argv, RegCommand* command, std::string* error);

}  // namespace vexa
