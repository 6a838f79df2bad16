#pragma once
// An open-addressing hash set of 40-bit values (positions in a text, or
// group numbers) found by a 64-bit hash. Each slot keeps 24 bits of the hash
// beside its value, so a miss almost never touches the text; the caller's
// `same` check decides every hit, so hash collisions never change an answer.
// A bitmap of four bits per slot, an eighth of the table's size, answers most
// misses before the table is touched.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexa {

// Horner step of the string hashes below. Hashing a string from its last
// byte to its first lets a tail grow to the left one byte at a time.
inline uint64_t HashStep(uint64_t h, unsigned char c) { return h * 0x9E3779B97F4A7C15ull + c + 1; }

inline uint64_t HashFinish(uint64_t h, size_t length) {
  h ^= length * 0xC2B2AE3D27D4EB4Full;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
}

class FingerprintTable {
 public:
  static constexpr uint64_t kNone = ~0ull;
  static constexpr uint64_t kMaxValue = (1ull << 40) - 2;

  // Sizes the table for up to `expected` values and empties it.
  void Reset(size_t expected) {
    size_t size = 16;
    while (size < expected + expected / 2) size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    count_ = 0;
    filter_.assign(size / 16, 0);
    filter_shift_ = 64 - std::countr_zero(size * 4);
  }
  bool empty() const { return count_ == 0; }
  size_t count() const { return count_; }

  // Starts loading what Find(hash) will read, so that several lookups can
  // wait for memory at the same time.
  void Prefetch(uint64_t hash) const {
    if (slots_.empty()) return;
    __builtin_prefetch(&filter_[FilterBit(hash) >> 6]);
    __builtin_prefetch(&slots_[hash & mask_]);
  }

  // The first stored value with this hash for which same(value) holds.
  template <class Same>
  uint64_t Find(uint64_t hash, Same&& same) const {
    if (slots_.empty() || !MayHold(hash)) return kNone;
    const uint64_t tag = hash >> 40;
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const uint64_t slot = slots_[i];
      if (slot == 0) return kNone;
      if ((slot >> 40) == tag && same((slot & kValueMask) - 1)) return (slot & kValueMask) - 1;
    }
  }

  // Adds `value` unless a stored value with this hash is the same; returns
  // the value kept. The table must have room (see Reset).
  template <class Same>
  uint64_t Insert(uint64_t hash, uint64_t value, Same&& same) {
    const uint64_t tag = hash >> 40;
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const uint64_t slot = slots_[i];
      if (slot == 0) {
        slots_[i] = (tag << 40) | (value + 1);
        ++count_;
        const uint64_t bit = FilterBit(hash);
        filter_[bit >> 6] |= 1ull << (bit & 63);
        return value;
      }
      if ((slot >> 40) == tag && same((slot & kValueMask) - 1)) return (slot & kValueMask) - 1;
    }
  }

 private:
  static constexpr uint64_t kValueMask = (1ull << 40) - 1;
  uint64_t FilterBit(uint64_t hash) const { return (hash * 0xD6E8FEB86659FD93ull) >> filter_shift_; }
  bool MayHold(uint64_t hash) const {
    const uint64_t bit = FilterBit(hash);
    return filter_[bit >> 6] >> (bit & 63) & 1;
  }
  std::vector<uint64_t> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
  std::vector<uint64_t> filter_;
  int filter_shift_ = 64;
};

}  // namespace vexa
