#include "Search.h"

#include <algorithm>
#include <cstring>

namespace vexa::extract {
namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

size_t FindNoCase(std::string_view text, std::string_view keyword) {
  if (keyword.empty()) return 0;
  if (keyword.size() > text.size()) return kNotFound;
  const unsigned char first = Lower(static_cast<unsigned char>(keyword[0]));
  const unsigned char other = (first >= 'a' && first <= 'z') ? first - ('a' - 'A') : first;
  const size_t last = text.size() - keyword.size();
  const char* base = text.data();
  const char* stop = base + last + 1;
  // Next candidate first byte in each case; each is searched for again
  // only once passed, so the text is walked once.
  auto next = [&](unsigned char c, const char* from) -> const char* {
    const void* hit = from < stop ? std::memchr(from, c, static_cast<size_t>(stop - from)) : nullptr;
    return hit == nullptr ? stop : static_cast<const char*>(hit);
  };
  const char* a = next(first, base);
  const char* b = other == first ? stop : next(other, base);
  while (true) {
    const char* hit = std::min(a, b);
    if (hit == stop) return kNotFound;
    size_t i = 1;
    while (i < keyword.size() &&
           Lower(static_cast<unsigned char>(hit[i])) == Lower(static_cast<unsigned char>(keyword[i]))) {
      ++i;
    }
    if (i == keyword.size()) return static_cast<size_t>(hit - base);
    if (a == hit) a = next(first, hit + 1);
    if (b == hit) b = next(other, hit + 1);
  }
}

int64_t FindBytes(const void* pattern, size_t pattern_size, const void* area, size_t area_size) {
  if (pattern_size == 0) return 0;
  if (pattern == nullptr || area == nullptr) return -1;
  const void* hit = memmem(area, area_size, pattern, pattern_size);
  return hit == nullptr ? -1 : static_cast<const char*>(hit) - static_cast<const char*>(area);
}

void WorkingText::Append(std::string_view data) {
  // Move the live text to the front once the dead part is the larger, so
  // every byte is moved a bounded number of times.
  if (head_ > 0 && head_ >= buffer_.size() - head_) {
    buffer_.erase(0, head_);
    head_ = 0;
  }
  buffer_.append(data);
}

void WorkingText::DropBefore(uint64_t pos) {
  if (pos <= start_) return;
  const size_t n = std::min<uint64_t>(pos - start_, Size());
  head_ += n;
  start_ += n;
  if (head_ == buffer_.size()) {
    buffer_.clear();
    head_ = 0;
  }
}

void StreamFinder::Restart(uint64_t from) {
  from_ = from;
  clear_to_ = from;
  found_ = kNotFound;
}

void StreamFinder::SetKeyword(std::string keyword, uint64_t from) {
  keyword_ = std::move(keyword);
  Restart(from);
}

uint64_t StreamFinder::Find(const WorkingText& text) {
  const uint64_t low = std::max(from_, text.Start());
  uint64_t scan = std::max(low, clear_to_);
  if (found_ != kNotFound) {
    if (found_ >= low) return found_;
    scan = std::max(low, found_ + 1);
    found_ = kNotFound;
  }
  if (scan >= text.End()) return kNotFound;
  const std::string_view rest = text.From(scan);
  size_t hit;
  if (ignore_case_) {
    hit = FindNoCase(rest, keyword_);
  } else {
    const int64_t at = FindBytes(keyword_.data(), keyword_.size(), rest.data(), rest.size());
    hit = at < 0 ? kNotFound : static_cast<size_t>(at);
  }
  if (hit != kNotFound) {
    found_ = scan + hit;
    clear_to_ = found_;
    return found_;
  }
  const uint64_t end = text.End();
  clear_to_ = end >= keyword_.size() ? std::max(scan, end - keyword_.size() + 1) : scan;
  return kNotFound;
}

}  // namespace vexa::extract
