#pragma once
// The operations of vexa-reg on the settings store, with the messages of
// Windows reg. Each returns the exit code: 0 success, 1 failure (a
// question answered "No" counts as failure: nothing was done).
#include <iosfwd>

#include "RegArgs.h"
#include "SettingsStore.h"

namespace vexa {

struct RegConsole {
  std::istream& in;  // answers to "(Yes/No)?" questions
  std::ostream& out;
  std::ostream& err;
};

int RunRegCommand(const RegCommand& command, SettingsStore& store, RegConsole console);

}  // namespace vexa
