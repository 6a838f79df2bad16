// The exported functions of libvexaUtil. Each runs its work with SIGPIPE
// held back (a directory server that closes the connection must not end the
// host process) and turns any exception into a status.
#include <mutex>
#include <new>

#include "Extract.h"
#include "LdapDirectory.h"
#include "Library.h"
#include "SignalHeld.h"
#include "vexaUtil.h"

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using vexa::directory::HResult;

constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);

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
  vexa::SignalHeld held(SIGPIPE);
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
  vexa::SignalHeld held(SIGPIPE);
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
