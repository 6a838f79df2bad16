#pragma once
// The two-call protocol by which a query export hands its text to the
// caller. A size call (size <= 0) empties the pending result, runs the query
// and, on success, keeps the whole text and writes its length + 1 to the
// size. A copy call (size > 0) copies at most size - 1 bytes, zeroes the
// rest up to index size - 2 (index size - 1 is never written) and empties
// the pending result.
#include <cstdint>
#include <functional>
#include <string>

#include "Status.h"

namespace vexa::directory {

class PendingResult {
 public:
  // The query appends to the text it is given and returns a status.
  using Query = std::function<int32_t(std::string* text)>;

  int32_t Call(char* buffer, int32_t* size, const Query& query);

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace vexa::directory
