#include "Base64.h"

#include <array>

namespace vexa::extract {
namespace {

constexpr uint8_t kPad = 0x40;
constexpr uint8_t kOther = 0x80;
constexpr uint32_t kBad = 0x01000000;

constexpr std::array<uint8_t, 256> MakeValues() {
  std::array<uint8_t, 256> v{};
  for (auto& x : v) x = kOther;
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(alphabet[i])] = static_cast<uint8_t>(i);
  v['='] = kPad;
  return v;
}
constexpr std::array<uint8_t, 256> kValues = MakeValues();

// Four tables that place each character's six bits where they land in the
// three output bytes (byte 0 in bits 0-7, byte 1 in 8-15, byte 2 in 16-23),
// so that a group decodes with four look-ups and three ORs. Bytes outside
// the alphabet set kBad.
constexpr std::array<uint32_t, 256> MakeTable(int slot) {
  std::array<uint32_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const uint32_t v = kValues[c];
    if (v >= 64) {
      t[c] = kBad;
      continue;
    }
    switch (slot) {
      case 0: t[c] = v << 2; break;
      case 1: t[c] = (v >> 4) | ((v & 0x0f) << 12); break;
      case 2: t[c] = ((v >> 2) << 8) | ((v & 0x03) << 22); break;
      default: t[c] = v << 16; break;
    }
  }
  return t;
}
constexpr std::array<uint32_t, 256> kD0 = MakeTable(0);
constexpr std::array<uint32_t, 256> kD1 = MakeTable(1);
constexpr std::array<uint32_t, 256> kD2 = MakeTable(2);
constexpr std::array<uint32_t, 256> kD3 = MakeTable(3);

}  // namespace

bool Base64Decoder::InAlphabet(unsigned char c) { return kValues[c] < 64; }

size_t Base64Decoder::FlushGroup(char* out) {
  size_t n = 0;
  if (count_ >= 2) out[n++] = static_cast<char>(bits_ >> (6 * count_ - 8));
  if (count_ >= 3) out[n++] = static_cast<char>(bits_ >> (6 * count_ - 16));
  bits_ = 0;
  count_ = 0;
  return n;
}

size_t Base64Decoder::DecodeSpan(const char* text, size_t size, char* out, size_t* written) {
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  size_t w = 0;
  while (i < size) {
    if (count_ == 0 && !ended_) {
      // Whole groups at a time while they hold only alphabet characters.
      while (i + 4 <= size) {
        const uint32_t x = kD0[in[i]] | kD1[in[i + 1]] | kD2[in[i + 2]] | kD3[in[i + 3]];
        if (x & kBad) break;
        out[w] = static_cast<char>(x);
        out[w + 1] = static_cast<char>(x >> 8);
        out[w + 2] = static_cast<char>(x >> 16);
        w += 3;
        i += 4;
      }
      if (i == size) break;
    }
    const uint8_t v = kValues[in[i]];
    if (v == kOther) break;
    ++i;
    if (ended_) continue;
    if (v == kPad) {
      w += FlushGroup(out + w);
      ended_ = true;
      continue;
    }
    bits_ = (bits_ << 6) | v;
    if (++count_ == 4) {
      out[w++] = static_cast<char>(bits_ >> 16);
      out[w++] = static_cast<char>(bits_ >> 8);
      out[w++] = static_cast<char>(bits_);
      bits_ = 0;
      count_ = 0;
    }
  }
  *written += w;
  return i;
}

size_t Base64Decoder::Decode(const char* text, size_t size, char* out) {
  size_t written = 0;
  size_t i = 0;
  while (i < size) {
    i += DecodeSpan(text + i, size - i, out + written, &written);
    if (i < size) ++i;  // a byte outside the alphabet
  }
  return written;
}

size_t Base64Decoder::Finish(char* out) {
  const size_t n = ended_ ? 0 : FlushGroup(out);
  bits_ = 0;
  count_ = 0;
  ended_ = false;
  return n;
}

long DecodeBase64(const char* text, char* out, long count) {
  if (text == nullptr || out == nullptr || count <= 0) return 0;
  Base64Decoder decoder;
  size_t n = decoder.Decode(text, static_cast<size_t>(count), out);
  n += decoder.Finish(out + n);
  return static_cast<long>(n);
}

}  // namespace vexa::extract
