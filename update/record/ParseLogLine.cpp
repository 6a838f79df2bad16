#include "ParseLogLine.h"

#include <algorithm>
#include <climits>

#include "LogTime.h"

namespace vexa {
namespace {

constexpr char kSeparator = '\x01';
constexpr char kMark06 = '\x06';
constexpr char kMark07 = '\x07';
constexpr size_t kLongLayoutSeparators = 11;

// Walks the fields: Take is the rest up to its first separator, Advance
// drops through it. Without a separator Advance leaves the rest unchanged,
// so a missing field repeats the last one present.
class FieldCursor {
 public:
  FieldCursor(std::string_view rest, const CodePage& code_page) : rest_(rest), cp_(code_page) {}
  std::string_view Take() const { return rest_.substr(0, cp_.Find(rest_, kSeparator)); }
  void Advance() {
    const size_t sep = cp_.Find(rest_, kSeparator);
    if (sep != std::string_view::npos) rest_.remove_prefix(sep + 1);
  }

 private:
  std::string_view rest_;
  const CodePage& cp_;
};

// A single blank for an empty field, else its first `width` bytes.
std::string Field(std::string_view text, size_t width) {
  return text.empty() ? std::string(" ") : std::string(text.substr(0, width));
}

bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\x09' && c <= '\x0D'); }

// Reads a signed 32-bit decimal number up to the first 0x01, CR or LF, the
// way the runtime's atol does, with out-of-range values held at the limit.
int32_t ReadNumber(std::string_view field) {
  field = field.substr(0, field.find_first_of("\x01\r\n"));
  size_t pos = 0;
  while (pos < field.size() && IsAsciiSpace(field[pos])) ++pos;
  bool negative = false;
  if (pos < field.size() && (field[pos] == '-' || field[pos] == '+')) negative = field[pos++] == '-';
  int64_t value = 0;
  for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos) {
    value = std::min<int64_t>(value * 10 + (field[pos] - '0'), int64_t{INT32_MAX} + 1);
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// A negative number sets text12 to "1" and loses its sign bit.
void NumericSplit(std::string_view field, LogRecord& record) {
  const int32_t number = ReadNumber(field);
  record.text12 = number < 0 ? "1" : "0";
  record.number14 = std::to_string(static_cast<uint32_t>(number) & 0x7FFFFFFFu);
}

// "Vexa Filters: Gambling" gives the category after the colon and the byte
// that follows it; without a colon the filter text loses its first byte.
std::string CategoryOf(std::string_view filter, const CodePage& cp) {
  const size_t colon = cp.Find(filter, ':');
  if (colon == std::string_view::npos) return std::string(filter.substr(1));
  return colon + 2 >= filter.size() ? std::string() : std::string(filter.substr(colon + 2));
}

}  // namespace

LineKind ClassifyLine(std::string_view line) {
  if (!line.empty() && line[0] == kMark07) return LineKind::kMarked07;
  if (!line.empty() && line[0] == kMark06) return LineKind::kMarked06;
  // Separators are below every trail byte, so a byte count is exact; the
  // first byte does not count.
  const auto separators = line.empty() ? 0 : std::count(line.begin() + 1, line.end(), kSeparator);
  return static_cast<size_t>(separators) >= kLongLayoutSeparators ? LineKind::kLong : LineKind::kShort;
}

LogRecord ParseLogLine(std::string_view line, int64_t spool_time, const CodePage& cp, Clock& clock) {
  const LineKind kind = ClassifyLine(line);
  std::string_view rest = line;
  if (kind == LineKind::kMarked07) {
    rest.remove_prefix(1);
    const size_t mark = cp.Find(rest, kMark07);
    if (mark != std::string_view::npos) rest.remove_prefix(mark + 1);
  } else if (kind == LineKind::kMarked06) {
    const size_t mark = cp.Find(rest, kMark07);
    if (mark != std::string_view::npos) rest.remove_prefix(mark + 1);
  }
  const bool is_short = kind == LineKind::kShort;

  LogRecord r;
  FieldCursor f(rest, cp);
  r.text1 = Field(f.Take(), 8);
  f.Advance();
  r.url = Field(f.Take(), 240);
  f.Advance();
  r.text3 = Field(f.Take(), 128);
  r.category = " ";
  f.Advance();

  const std::string_view filter = f.Take();
  if (filter.empty()) {
    r.filterMark = " ";
  } else if (cp.Find(filter, "Vexa Filters") != std::string_view::npos) {
    r.category = CategoryOf(filter, cp);
    r.filterMark = "Vexa Filters";
  } else if (cp.Find(filter, "Vexa NFilt") != std::string_view::npos) {
    r.category = CategoryOf(filter, cp);
    r.filterMark = " ";
  } else {
    r.filterMark = std::string(filter.substr(0, 16));
  }
  if (r.category.empty()) r.category = " ";
  f.Advance();

  r.text6 = Field(f.Take(), 32);
  if (is_short) {
    r.text7 = " ";
  } else {
    f.Advance();
    r.text7 = Field(f.Take(), 32);
  }
  f.Advance();
  r.text8 = Field(f.Take(), 12);
  if (is_short) {
    r.number9 = "0";
    r.number10 = "0";
  } else {
    f.Advance();
    r.number9 = std::string(cp.TrimLeadingSpace(f.Take()));
    f.Advance();
    r.number10 = std::string(cp.TrimLeadingSpace(f.Take()));
  }
  f.Advance();
  r.contentName = std::string(f.Take().substr(0, 20));
  f.Advance();  // the field after the content name is not used

  r.logTime = FormatLogTime(clock, spool_time);
  r.spare = " ";
  r.number14 = " ";

  f.Advance();
  const std::string_view tail = f.Take();
  switch (kind) {
    case LineKind::kShort:
    case LineKind::kLong:
      if (cp.Find(tail, 'l') == std::string_view::npos) {
        r.text12 = std::string(cp.TrimLeadingSpace(tail));
      } else {
        NumericSplit(tail, r);
      }
      break;
    case LineKind::kMarked06:
      NumericSplit(tail, r);
      break;
    case LineKind::kMarked07:
      r.text12 = std::string(cp.TrimLeadingSpace(tail));
      f.Advance();
      r.number14 = std::to_string(ReadNumber(f.Take()));
      break;
  }
  return r;
}

}  // namespace vexa
