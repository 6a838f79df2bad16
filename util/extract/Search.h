#pragma once
// Byte searches of the extractor.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa::extract {

constexpr size_t kNotFound = std::string_view::npos;

// First position of `keyword` in `text`, letters compared without regard to
// case (ASCII), or kNotFound.
size_t FindNoCase(std::string_view text, std::string_view keyword);

// Offset of the first occurrence of `pattern` in `area`, or -1. An empty
// pattern is found at offset 0.
int64_t FindBytes(const void* pattern, size_t pattern_size, const void* area, size_t area_size);

// The text read and not yet consumed: a window onto the stream of all text
// appended, which only grows at the end and shrinks at the front. Positions
// are stream positions, so they stay valid while the front is dropped.
class WorkingText {
 public:
  void Append(std::string_view data);
  std::string_view View() const { return std::string_view(buffer_).substr(head_); }
  uint64_t Start() const { return start_; }
  uint64_t End() const { return start_ + (buffer_.size() - head_); }
  size_t Size() const { return buffer_.size() - head_; }
  // The text from stream position `pos` to the end.
  std::string_view From(uint64_t pos) const { return View().substr(pos - start_); }
  // Drops the text before stream position `pos` (at most End()).
  void DropBefore(uint64_t pos);

 private:
  std::string buffer_;
  size_t head_ = 0;  // first live byte of buffer_
  uint64_t start_ = 0;
};

// Searches a WorkingText again and again for one keyword without looking at
// any byte twice: it remembers where the first occurrence is, or how far the
// text is known to hold none.
class StreamFinder {
 public:
  StreamFinder(std::string keyword, bool ignore_case) : keyword_(std::move(keyword)), ignore_case_(ignore_case) {}
  // First occurrence at or after the start of `text` (and after the
  // position given to Restart); kNotFound when there is none yet.
  uint64_t Find(const WorkingText& text);
  // Forgets what is known and searches only from stream position `from` on.
  void Restart(uint64_t from);
  void SetKeyword(std::string keyword, uint64_t from);
  const std::string& keyword() const { return keyword_; }

 private:
  std::string keyword_;
  bool ignore_case_;
  uint64_t from_ = 0;
  uint64_t clear_to_ = 0;  // no occurrence starts in [from_, clear_to_)
  uint64_t found_ = kNotFound;
};

}  // namespace vexa::extract
