// vexa-reg: reads and writes the settings store in the manner of Windows reg.
#include <iostream>

#include "RegArgs.h"
#include "RegCommands.h"
#include "RegistryRoot.h"
#include "SettingsStore.h"

namespace {

constexpr char kUsage[] = R"(Usage:
  vexa-reg query  KEY [/v NAME | /ve] [/s]
  vexa-reg add    KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]
  vexa-reg delete KEY [/v NAME | /ve | /va] [/f]
  vexa-reg import FILE.reg
  vexa-reg export KEY FILE.reg [/y] [/a]
Every operation also takes --registry DIR.

  KEY         HKLM\path or HKEY_LOCAL_MACHINE\path
  /v NAME     the value NAME;  /ve  the default value;  /va  all values
  /s          query: the key and all its subkeys
  /t TYPE     REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,
              REG_QWORD, REG_BINARY or REG_NONE
  /d DATA     the data: text; a number (decimal or 0x hex) for REG_DWORD and
              REG_QWORD; hex digits for REG_BINARY
  /s SEP      add: the separator of REG_MULTI_SZ strings in DATA (default \0)
  /f, /y      do not ask before overwriting or deleting
  /a          export as REGEDIT4 (ANSI) instead of
              "Windows Registry Editor Version 5.00" (UTF-16LE)
  --registry DIR
              the store's root directory; else $VEXA_REGISTRY, else
              /var/lib/vexa/registry

Exit status: 0 success, 1 failure.
)";

}  // namespace

int main(int argc, char** argv) {
  vexa::RegCommand command;
  std::string error;
  if (!vexa::ParseRegArgs(argc, argv, &command, &error)) {
    std::cerr << "ERROR: Invalid syntax: " << error << "\nType \"vexa-reg --help\" for usage.\n";
    return 1;
  }
  if (command.verb == "help") {
    std::cout << kUsage;
    return 0;
  }
  vexa::SettingsStore store(vexa::ResolveRegistryRoot(command.registry));
  return vexa::RunRegCommand(command, store, {std::cin, std::cout, std::cerr});
}
