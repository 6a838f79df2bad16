#include "PendingResult.h"

#include <cstring>
#include <limits>

namespace vexa::directory {

int32_t PendingResult::Call(char* buffer, int32_t* size, const Query& query) {
  if (size == nullptr) return kInvalidPointer;
  if (*size <= 0) {
    text_.clear();
    const int32_t status = query(&text_);
    if (status != 0) return status;
    if (text_.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
      text_.clear();
      return HResultFromWin32(kErrorNotEnoughMemory);
    }
    *size = static_cast<int32_t>(text_.size() + 1);
    return 0;
  }
  if (buffer == nullptr) return kInvalidPointer;
  const size_t room = static_cast<size_t>(*size) - 1;
  const size_t n = text_.size() < room ? text_.size() : room;
  std::memcpy(buffer, text_.data(), n);
  std::memset(buffer + n, 0, room - n);
  text_.clear();
  return 0;
}

}  // namespace vexa::directory
