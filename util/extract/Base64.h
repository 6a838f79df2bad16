#pragma once
// Base64 decoding as MIME uses it: bytes outside the alphabet are skipped
// wherever they stand, groups of four run across line breaks and across
// calls, and "=" ends the data.
#include <cstddef>
#include <cstdint>

namespace vexa::extract {

class Base64Decoder {
 public:
  // Room the output of `size` characters may need.
  static size_t MaxOutput(size_t size) { return size / 4 * 3 + 3; }
  static bool InAlphabet(unsigned char c);

  // Decodes `size` characters into `out` (at least MaxOutput(size) bytes)
  // and returns the bytes written.
  size_t Decode(const char* text, size_t size, char* out);
  // Decodes from `text` up to the first byte that is neither in the alphabet
  // nor "="; returns the characters used and adds the bytes written to
  // `*written`.
  size_t DecodeSpan(const char* text, size_t size, char* out, size_t* written);
  // The bytes of a group left open at the end of the data (two or three
  // characters give one or two bytes, a single one none). Resets.
  size_t Finish(char* out);

 private:
  size_t FlushGroup(char* out);

  uint32_t bits_ = 0;  // 6 bits for each character of the open group
  int count_ = 0;      // characters in the open group
  bool ended_ = false;
};

// The whole of `text` decoded at once; returns the bytes written to `out`
// (at least Base64Decoder::MaxOutput(count) bytes). 0 when either is
// missing or count is not positive.
long DecodeBase64(const char* text, char* out, long count);

}  // namespace vexa::extract
