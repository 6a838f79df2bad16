#pragma once
// Every seam's fake, bundled in an Env. A test may point single seams of
// `env` at real implementations.
#include "CodePage.h"
#include "Env.h"
#include "FakeClock.h"
#include "FakeConnection.h"
#include "FakeEventLog.h"
#include "FakeFileSystem.h"
#include "FakeServices.h"
#include "FakeSettings.h"

namespace vexa::fakes {

struct FakeEnv {
  FakeEnv() {
    env.settings = &settings;
    env.log = &log;
    env.files = &files;
    env.clock = &clock;
    env.launcher = &launcher;
    env.resolver = &resolver;
    env.uuid = &uuid;
    env.connections = &connections;
    env.code_page = &code_page;
  }
  FakeEnv(const FakeEnv&) = delete;
  FakeEnv& operator=(const FakeEnv&) = delete;

  FakeSettings settings;
  FakeEventLog log;
  FakeFileSystem files;
  FakeClock clock;
  FakeLauncher launcher;
  FakeResolver resolver;
  FakeUuidSource uuid;
  FakeDatabase db;
  FakeConnectionFactory connections{&db};
  CodePage code_page;
  Env env;
};

}  // namespace vexa::fakes
