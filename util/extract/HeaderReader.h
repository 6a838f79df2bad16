#pragma once
// Reads a part header piece by piece as it arrives, keeping only what the
// extractor asks of it, so that a header of any length costs little memory.
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa::extract {

// The rest of a line after a keyword, up to CR or LF, without the bytes of
// `removed`, trimmed; too long once it could name no file or boundary.
class LineCapture {
 public:
  static constexpr size_t kMaxLength = 4096;
  explicit LineCapture(std::string_view removed) : removed_(removed) {}
  void Reset();
  void Add(std::string_view bytes);
  bool too_long() const { return too_long_; }
  const std::string& text() const { return text_; }

 private:
  std::string_view removed_;
  std::string text_;
  std::string spaces_;  // white space that counts only if more text follows
  bool spaces_overflow_ = false;
  bool done_ = false;
  bool too_long_ = false;
};

class HeaderReader {
 public:
  HeaderReader();
  void Reset();
  // The next bytes of the header (the text before its blank line).
  void Add(std::string_view piece);

  bool has_name() const { return has_name_; }
  // The name after the first "name=", cleaned.
  const LineCapture& name() const { return name_; }
  bool base64() const { return base64_; }
  bool multipart() const { return multipart_; }
  bool has_boundary() const { return has_boundary_; }
  // The boundary after the first "BOUNDARY=", without quotes, trimmed.
  const LineCapture& boundary() const { return boundary_; }

 private:
  std::string carry_;  // the last bytes, where a keyword may begin
  bool has_name_ = false;
  bool has_boundary_ = false;
  bool base64_ = false;
  bool multipart_ = false;
  LineCapture name_;
  LineCapture boundary_;
};

}  // namespace vexa::extract
