#include "TextLine.h"

namespace vexa {
namespace {
constexpr char kEndOfText = '\x1A';
constexpr size_t kChunk = 4096;
}  // namespace

TextLineResult ReadFirstTextLine(ExclusiveFile& file, std::string* line) {
  line->clear();
  bool any_text = false;
  bool pending_cr = false;  // a CR whose next byte is not read yet
  char buffer[kChunk];
  for (;;) {
    const long n = file.Read(buffer, sizeof buffer);
    if (n < 0) return TextLineResult::kReadError;
    if (n == 0) break;
    for (long i = 0; i < n; ++i) {
      const char byte = buffer[i];
      if (byte == kEndOfText) {
        if (pending_cr) line->push_back('\r');
        return any_text ? TextLineResult::kLine : TextLineResult::kNoText;
      }
      any_text = true;
      if (byte == '\n') return TextLineResult::kLine;  // a CR before it is dropped
      if (pending_cr) line->push_back('\r');
      pending_cr = byte == '\r';
      if (!pending_cr) line->push_back(byte);
    }
  }
  if (pending_cr) line->push_back('\r');
  return any_text ? TextLineResult::kLine : TextLineResult::kNoText;
}

}  // namespace vexa
