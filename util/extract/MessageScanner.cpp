#include "MessageScanner.h"

#include <algorithm>
#include <cstring>

namespace vexa::extract {
namespace {

constexpr std::string_view kEndOfMessage = "\r\n.\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";
constexpr std::string_view kBoundary = "BOUNDARY=";
// A header longer than this keeps only its unread tail in the working text.
constexpr size_t kHeaderWindow = 1 << 20;

bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// True when `text` could still grow into `whole` (it is a prefix of it).
bool IsPrefixOf(std::string_view text, std::string_view whole) {
  return text.size() < whole.size() && whole.substr(0, text.size()) == text;
}

}  // namespace

MessageScanner::MessageScanner(std::string output_prefix, const ExtractEnv& env)
    : prefix_(std::move(output_prefix)), env_(env) {}

MessageScanner::Step MessageScanner::Feed(std::string_view block) {
  const size_t zero = block.find('\0');
  if (zero != std::string_view::npos) block = block.substr(0, zero);
  text_.Append(block);
  WatchEndOfMessage(block);
  if (sender_.empty()) FindSender();
  if (depth_ == -1) FindMultipart();
  if (boundary_pending_) ReadBoundary();
  return RunParts();
}

void MessageScanner::FindSender() {
  const uint64_t at = from_.Find(text_);
  if (at == kNotFound) return;
  if (less_than_from_ != at) {
    less_than_.Restart(at);
    less_than_from_ = at;
  }
  const uint64_t lt = less_than_.Find(text_);
  const std::string_view rest = text_.From(lt == kNotFound ? at : lt + 1);
  sender_ = std::string(rest.substr(0, rest.find_first_of("@.\r\n")));
}

void MessageScanner::FindMultipart() {
  const uint64_t at = multipart_keyword_.Find(text_);
  if (at == kNotFound) return;
  depth_ = 0;
  multipart_ = true;
  header_pending_ = false;
  text_.DropBefore(at);
  boundary_pending_ = true;
  boundary_keyword_.Restart(at);
}

// The boundary of the message is read once its line is complete, so a
// header that a block border cuts is read whole.
void MessageScanner::ReadBoundary() {
  const uint64_t at = boundary_keyword_.Find(text_);
  if (at != kNotFound) {
    const uint64_t value = at + kBoundary.size();
    const uint64_t scan = std::max(value, boundary_line_scanned_);
    if (text_.From(scan).find_first_of("\r\n") != std::string_view::npos) {
      stack_[0] = PrepareDelimiter(text_.From(value));
      boundary_pending_ = false;
      SetInnermost(text_.Start());
      return;
    }
    boundary_line_scanned_ = text_.End();
  }
  if (text_.Size() <= kHeaderWindow) return;
  // Waiting long: keep only what a keyword cut by the block border needs (a
  // boundary line of that length is no boundary).
  const uint64_t keep = KeepFrom(text_.End() - (kBoundary.size() - 1));
  text_.DropBefore(keep);
  if (at != kNotFound && at < keep) boundary_keyword_.Restart(keep);
}

uint64_t MessageScanner::KeepFrom(uint64_t pos) {
  // A sender name still being taken needs its text.
  if (sender_.empty()) {
    const uint64_t from = from_.Find(text_);
    const uint64_t lt = from == kNotFound ? kNotFound : less_than_.Find(text_);
    if (from != kNotFound && (lt == kNotFound || lt + 1 >= text_.End())) return std::min(pos, from);
  }
  return pos;
}

void MessageScanner::SetInnermost(uint64_t from) { delimiter_.SetKeyword(stack_[depth_].line, from); }

void MessageScanner::WatchEndOfMessage(std::string_view data) {
  if (end_of_message_) return;
  // The line may straddle the border of two blocks: look at the last four
  // bytes before the block together with its first four.
  const size_t keep = kEndOfMessage.size() - 1;
  std::string seam = end_of_message_tail_;
  seam.append(data.substr(0, keep));
  if (seam.find(kEndOfMessage) != std::string::npos) {
    end_of_message_ = true;
    return;
  }
  // Within the block, each "." is a candidate; base64 text holds none, so
  // this runs at the speed of memchr.
  const char* base = data.data();
  for (size_t i = 2; i + 2 < data.size();) {
    const void* dot = std::memchr(base + i, '.', data.size() - 2 - i);
    if (dot == nullptr) break;
    i = static_cast<size_t>(static_cast<const char*>(dot) - base);
    if (base[i - 2] == '\r' && base[i - 1] == '\n' && base[i + 1] == '\r' && base[i + 2] == '\n') {
      end_of_message_ = true;
      return;
    }
    ++i;
  }
  end_of_message_tail_.append(data.size() > keep ? data.substr(data.size() - keep) : data);
  if (end_of_message_tail_.size() > keep) end_of_message_tail_.erase(0, end_of_message_tail_.size() - keep);
}

MessageScanner::Closing MessageScanner::IsClosingLine() const {
  // The working text begins with the delimiter; the line is closing when
  // "--" and only white space follow it up to the end of the line.
  const std::string_view rest = text_.View().substr(stack_[depth_].line.size());
  size_t i = 0;
  for (; i < rest.size() && i < 2; ++i) {
    if (rest[i] != '-') return Closing::kNo;
  }
  if (i < 2) return Closing::kUndecided;
  while (i < rest.size() && IsLineSpace(rest[i])) ++i;
  if (i == rest.size()) return Closing::kUndecided;
  return (rest[i] == '\r' || rest[i] == '\n') ? Closing::kYes : Closing::kNo;
}

MessageScanner::Step MessageScanner::RunParts() {
  for (;;) {
    if (in_body_) {
      if (!CopyBody()) return Step::kMore;
      continue;
    }
    uint64_t blank;
    if (multipart_) {
      if (boundary_pending_) return Step::kMore;
      if (!header_pending_) {
        const std::string& line = stack_[depth_].line;
        const uint64_t at = delimiter_.Find(text_);
        if (at == kNotFound) {
          // Keep what may be the start of a delimiter cut by the block border.
          if (text_.Size() > line.size()) text_.DropBefore(text_.End() - line.size());
          return Step::kMore;
        }
        text_.DropBefore(at);
        const Closing closing = IsClosingLine();
        if (closing == Closing::kUndecided) return Step::kMore;
        if (closing == Closing::kYes) {
          if (--depth_ < 0) return Step::kFinished;
          SetInnermost(text_.Start());
          continue;
        }
        StartHeader();
      }
      blank = blank_line_.Find(text_);
      if (blank == kNotFound) {
        ReadHeaderSoFar();
        return Step::kMore;
      }
      FinishHeader(blank);
      // A nested multipart part opens a level of its own while the stack has
      // room and it names its boundary; its header is consumed, so the
      // level is entered once. Otherwise it is an ordinary part.
      if (depth_ + 1 < kMaxDepth && header_.multipart() && header_.has_boundary() && !header_.boundary().too_long()) {
        ++depth_;
        stack_[depth_] = MakeDelimiter(header_.boundary().text());
        text_.DropBefore(blank + kBlankLine.size());
        SetInnermost(text_.Start());
        continue;
      }
    } else {
      if (!header_pending_) StartHeader();
      blank = blank_line_.Find(text_);
      if (blank == kNotFound) {
        ReadHeaderSoFar();
        return end_of_message_ ? Step::kFinished : Step::kMore;
      }
      FinishHeader(blank);
    }
    EvaluateHeader(blank);
  }
}

void MessageScanner::StartHeader() {
  header_.Reset();
  header_pending_ = true;
  header_read_to_ = text_.Start();
}

void MessageScanner::ReadHeaderSoFar() {
  // The last three bytes may begin the blank line, which is not header.
  const uint64_t end = text_.End() >= 3 ? text_.End() - 3 : 0;
  if (end <= header_read_to_) return;
  header_.Add(text_.From(header_read_to_).substr(0, end - header_read_to_));
  header_read_to_ = end;
  if (text_.Size() <= kHeaderWindow) return;
  text_.DropBefore(KeepFrom(header_read_to_));  // what is read is let go
}

void MessageScanner::FinishHeader(uint64_t blank) {
  if (blank > header_read_to_) header_.Add(text_.From(header_read_to_).substr(0, blank - header_read_to_));
  header_read_to_ = blank;
  header_pending_ = false;
}

void MessageScanner::EvaluateHeader(uint64_t blank) {
  const uint64_t body = blank + kBlankLine.size();
  if (!header_.has_name() && !header_.base64()) {
    text_.DropBefore(body);
    return;
  }
  bool usable = true;
  if (!header_.has_name()) {
    path_ = prefix_ + GeneratedMessageName(sender_, env_.name_number(), generated_++);
  } else {
    const std::string& name = header_.name().text();
    path_ = prefix_ + name;
    // A name longer than any file system takes names a file that cannot be
    // made; there is nothing to ask about.
    usable = !header_.name().too_long();
    if (usable && (!IsUsableName(name) || (env_.files->Exists(path_) && !env_.ask(OverwriteQuestion(path_))))) {
      text_.DropBefore(body);
      path_.clear();
      return;
    }
  }
  text_.DropBefore(body);
  in_body_ = true;
  base64_ = header_.base64();
  name_unusable_ = !usable;
}

bool MessageScanner::CopyBody() {
  if (!output_open_) {
    out_ = name_unusable_ ? nullptr : env_.files->Create(path_);
    output_open_ = true;
    output_failed_ = out_ == nullptr;
    output_bytes_ = 0;
    data_seen_ = false;
  }
  return base64_ ? CopyBase64() : CopyRaw();
}

// The body ends at the first blank line after its first data, or at the
// innermost delimiter, whichever comes first; text that may be the start of
// either, cut by the block border, waits for the next block.
bool MessageScanner::CopyBase64() {
  const std::string_view view = text_.View();
  const std::string_view delimiter = multipart_ ? std::string_view(stack_[depth_].line) : std::string_view();
  decoded_.resize(std::max(decoded_.size(), Base64Decoder::MaxOutput(view.size())));
  char* out = decoded_.data();
  size_t written = 0;
  size_t p = 0;
  enum { kOpen, kBlank, kDelimiter } end = kOpen;
  while (p < view.size()) {
    const size_t used = decoder_.DecodeSpan(view.data() + p, view.size() - p, out + written, &written);
    if (used > 0) data_seen_ = true;
    p += used;
    if (p == view.size()) break;
    const std::string_view rest = view.substr(p);
    if (rest[0] == '\r' && data_seen_) {
      if (rest.size() >= 4 && rest[1] == '\n' && rest[2] == '\r' && rest[3] == '\n') {
        end = kBlank;
        break;
      }
      if (IsPrefixOf(rest, kBlankLine)) break;
    } else if (rest[0] == '-' && !delimiter.empty()) {
      if (rest.starts_with(delimiter)) {
        end = kDelimiter;
        break;
      }
      if (IsPrefixOf(rest, delimiter)) break;
    }
    ++p;
  }
  Write(std::string_view(out, written));
  const uint64_t stop = text_.Start() + p;
  if (end == kOpen) {
    text_.DropBefore(stop);
    return false;
  }
  Write(std::string_view(out, decoder_.Finish(out)));
  text_.DropBefore(end == kBlank ? stop + 2 : stop);
  CloseOutput(true);
  return true;
}

bool MessageScanner::CopyRaw() {
  const std::string_view view = text_.View();
  const uint64_t start = text_.Start();
  const bool delimited = multipart_ && !boundary_pending_;
  if (delimited) {
    const uint64_t at = delimiter_.Find(text_);
    if (at != kNotFound) {
      const uint64_t before = at - start;
      Write(view.substr(0, before >= 2 ? before - 2 : 0));
      text_.DropBefore(at);
      CloseOutput(true);
      return true;
    }
  }
  if (end_of_message_) {
    const size_t n = view.size() > kEndOfMessage.size() ? view.size() - kEndOfMessage.size() : 0;
    Write(view.substr(0, n));
    text_.DropBefore(start + n);
    CloseOutput(true);
    return true;
  }
  // Hold back what may be the start of a delimiter line (with the CR LF
  // before it) or of the end-of-message line, cut by the block border.
  size_t hold = kEndOfMessage.size() - 1;
  if (delimited) hold = std::max(hold, stack_[depth_].line.size() + 1);
  if (view.size() > hold) {
    Write(view.substr(0, view.size() - hold));
    text_.DropBefore(start + view.size() - hold);
  }
  return false;
}

void MessageScanner::Write(std::string_view data) {
  if (output_failed_ || data.empty()) return;
  if (!out_->Write(data)) {
    output_failed_ = true;
    return;
  }
  output_bytes_ += data.size();
}

void MessageScanner::CloseOutput(bool completed) {
  bool counted = false;
  if (out_ != nullptr) {
    const bool closed = out_->Close();
    counted = completed && closed && !output_failed_;
    if (env_.written != nullptr) env_.written->push_back(WrittenFile{path_, output_bytes_, counted});
    out_.reset();
  }
  if (counted) ++files_written_;
  in_body_ = false;
  base64_ = false;
  output_open_ = false;
  output_failed_ = false;
  path_.clear();
}

int32_t MessageScanner::Finish() {
  if (in_body_ && output_open_) {
    // The input ended inside a body: keep what there is, uncounted.
    const std::string_view view = text_.View();
    if (base64_) {
      decoded_.resize(std::max(decoded_.size(), Base64Decoder::MaxOutput(view.size())));
      size_t n = decoder_.Decode(view.data(), view.size(), decoded_.data());
      n += decoder_.Finish(decoded_.data() + n);
      Write(std::string_view(decoded_.data(), n));
    } else {
      Write(view);
    }
    text_.DropBefore(text_.End());
    CloseOutput(false);
  }
  return files_written_;
}

}  // namespace vexa::extract
