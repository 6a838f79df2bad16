#pragma once
// Where the settings store lives. Every program resolves it the same way, so
// tests and several installs never share a store by accident.
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::string_view kDefaultRegistryRoot = "/var/lib/vexa/registry";

// The value of a --registry option when one was given (not empty), else the
// environment variable VEXA_REGISTRY when it is set and not empty, else
// kDefaultRegistryRoot.
std::string ResolveRegistryRoot(std::string_view option_value);

}  // namespace vexa
