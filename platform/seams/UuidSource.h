#pragma once
// UUID seam: the generator chosen at start-up, which may be unset.
#include <array>
#include <cstdint>
#include <string>

namespace vexa {

using Uuid = std::array<uint8_t, 16>;

class UuidSource {
 public:
  virtual ~UuidSource() = default;
  virtual bool Available() = 0;
  // Fills `out`; returns an RPC status (0 and 1824 count as success).
  virtual int32_t Create(Uuid* out) = 0;
  // The 36-character lower-case text form; false when it cannot be made.
  virtual bool ToText(const Uuid& uuid, std::string* text) = 0;
};

}  // namespace vexa
