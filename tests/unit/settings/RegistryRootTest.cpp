#include <gtest/gtest.h>

#include <cstdlib>

#include "RegistryRoot.h"

namespace vexa {
namespace {

TEST(RegistryRootTest, OptionBeatsEnvironmentBeatsDefault) {
  const char* saved = std::getenv("VEXA_REGISTRY");
  const std::string restore = saved != nullptr ? saved : "";
  unsetenv("VEXA_REGISTRY");
  EXPECT_EQ(ResolveRegistryRoot(""), "/var/lib/vexa/registry");
  setenv("VEXA_REGISTRY", "", 1);
  EXPECT_EQ(ResolveRegistryRoot(""), "/var/lib/vexa/registry");
  setenv("VEXA_REGISTRY", "/srv/env", 1);
  EXPECT_EQ(ResolveRegistryRoot(""), "/srv/env");
  EXPECT_EQ(ResolveRegistryRoot("/srv/flag"), "/srv/flag");
  if (saved != nullptr) {
    setenv("VEXA_REGISTRY", restore.c_str(), 1);
  } else {
    unsetenv("VEXA_REGISTRY");
  }
}

}  // namespace
}  // namespace vexa
