#pragma once
// The bundle of platform seams handed to the application. Production code
// gets the Linux implementations, tests get the fakes.
#include <atomic>

#include "Clock.h"
#include "Connection.h"
#include "EventLog.h"
#include "FileSystem.h"
#include "ProcessLauncher.h"
#include "Resolver.h"
#include "Settings.h"
#include "UuidSource.h"

namespace vexa {

class CodePage;

struct Env {
  Settings* settings = nullptr;
  EventLog* log = nullptr;
  FileSystem* files = nullptr;
  Clock* clock = nullptr;
  ProcessLauncher* launcher = nullptr;
  Resolver* resolver = nullptr;
  UuidSource* uuid = nullptr;
  ConnectionFactory* connections = nullptr;
  const CodePage* code_page = nullptr;
  // Set by SIGTERM/SIGINT: finish the record in hand, then end.
  const std::atomic<bool>* stop_requested = nullptr;

  bool StopRequested() const { return stop_requested && stop_requested->load(); }
};

}  // namespace vexa
