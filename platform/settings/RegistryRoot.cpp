#include "RegistryRoot.h"

#include <cstdlib>

namespace vexa {

std::string ResolveRegistryRoot(std::string_view option_value) {
  if (!option_value.empty()) return std::string(option_value);
  const char* env = std::getenv("VEXA_REGISTRY");
  if (env != nullptr && *env != '\0') return env;
  return std::string(kDefaultRegistryRoot);
}

}  // namespace vexa
