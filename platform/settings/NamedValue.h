#pragma once
// A value together with its name, as a key holds it (the default value has
// the empty name).
#include <string>

#include "Settings.h"

namespace vexa {

struct NamedValue {
  std::string name;
  RegValue value;
};

}  // namespace vexa
