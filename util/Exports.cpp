// The exported functions of libvexaUtil. Each runs its work with SIGPIPE
// held back (a directory server that closes the connection must not end the
// host process) and turns any exception into a status.
#include <pthread.h>
#include <signal.h>

#include <ctime>
#include <mutex>
#include <new>

#include "Extract.h"
#include "LdapDirectory.h"
#include "Library.h"
#include "vexaUtil.h"

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using vexa::directory::HResult;

constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);

class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &saved_);
  }
  ~SigpipeHeld() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec now{0, 0};
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SigpipeHeld(const SigpipeHeld&) = delete;
  SigpipeHeld& operator=(const SigpipeHeld&) = delete;

 private:
  sigset_t pipe_;
  sigset_t saved_;
  bool was_pending_ = false;
};

// Made on the first call, so loading the library runs nothing.
struct State {
  vexa::ldap::LdapDirectory directory;
  vexa::directory::Library library{directory};
  // Serialises callers on several threads; the protocol itself still wants
  // a size call and its copy call kept together.
  std::mutex mutex;
};

State& TheState() {
  static State state;
  return state;
}

template <typename Call>
int32_t Query(Call call) {
  SigpipeHeld held;
  try {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    return call(state.library);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (...) {
    return vexa::directory::kUnexpected;
  }
}

}  // namespace

VEXA_EXPORT int32_t GetGroups(const char* unit, char* buffer, int32_t* size) {
  return Query([&](vexa::directory::Library& l) { return l.GetGroups(unit, buffer, size); });
}

VEXA_EXPORT int32_t GetUsersInGroup(const char* group, char* buffer, int32_t* size) {
  return Query([&](vexa::directory::Library& l) { return l.GetUsersInGroup(group, buffer, size); });
}

VEXA_EXPORT int32_t GetMailUsersInGroup(const char* group, char* buffer, int32_t* size) {
  return Query(
      [&](vexa::directory::Library& l) { return l.GetMailUsersInGroup(group, buffer, size); });
}

VEXA_EXPORT int32_t Extractor(const char* input_path, const char* output_prefix) {
  SigpipeHeld held;
  try {
    return vexa::extract::Extractor(input_path, output_prefix);
  } catch (...) {
    return -1;
  }
}

VEXA_EXPORT void SetOverwritePrompt(int (*prompt)(const char*, void*), void* context) {
  try {
    vexa::extract::SetOverwritePrompt(prompt, context);
  } catch (...) {
  }
}
