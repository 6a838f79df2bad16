#pragma once
// The UUID seam on Linux: libuuid's time-based generator and its text form,
// resolved by name when the object is made. Without the library or its
// functions no generator is set: Available() is false and Create fails
// without calling anything.
#include <string>

#include "EventLog.h"
#include "UuidSource.h"

namespace vexa {

class LibUuidSource : public UuidSource {
 public:
  static constexpr const char* kLibrary = "libuuid.so.1";
  // Status of Create without a generator (RPC_S_SERVER_UNAVAILABLE).
  static constexpr int32_t kUnavailable = 1722;

  // Reports "Error in LoadLibrary" through `log` (debug output) when the
  // library cannot be loaded.
  explicit LibUuidSource(EventLog* log, const std::string& library = kLibrary);
  ~LibUuidSource() override;
  LibUuidSource(const LibUuidSource&) = delete;
  LibUuidSource& operator=(const LibUuidSource&) = delete;

  bool Available() override { return generate_ != nullptr; }
  int32_t Create(Uuid* out) override;
  bool ToText(const Uuid& uuid, std::string* text) override;

 private:
  using Generate = void (*)(unsigned char* out);
  using Unparse = void (*)(const unsigned char* uuid, char* out);

  void* library_ = nullptr;
  Generate generate_ = nullptr;
  Unparse unparse_ = nullptr;
};

}  // namespace vexa
