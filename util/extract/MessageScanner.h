#pragma once
// The mail message scanner: fed with the blocks of a message as read, it
// finds the attachments and writes each to an output file.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Base64.h"
#include "HeaderReader.h"
#include "Names.h"
#include "Output.h"
#include "Search.h"

namespace vexa::extract {

constexpr size_t kBlockSize = 8192;
constexpr int kMaxDepth = 5;

class MessageScanner {
 public:
  enum class Step { kMore, kFinished };

  MessageScanner(std::string output_prefix, const ExtractEnv& env);
  MessageScanner(const MessageScanner&) = delete;
  MessageScanner& operator=(const MessageScanner&) = delete;

  // One block as read (at most kBlockSize bytes); a zero byte ends the
  // block's text. kFinished: the rest of the input does not matter.
  Step Feed(std::string_view block);
  // The input ended (or the scan finished): a file still open is closed
  // with what it holds and not counted. Returns the count of completed files.
  int32_t Finish();

  const std::string& sender() const { return sender_; }
  int32_t files_written() const { return files_written_; }
  size_t working_text_size() const { return text_.Size(); }

 private:
  enum class Closing { kYes, kNo, kUndecided };

  void FindSender();
  void FindMultipart();
  void ReadBoundary();
  // `pos`, or earlier when text before it is still needed.
  uint64_t KeepFrom(uint64_t pos);
  void WatchEndOfMessage(std::string_view data);
  Step RunParts();
  // A header waiting for its blank line is read as it arrives; once it is
  // long, the text already read is let go.
  void StartHeader();
  void ReadHeaderSoFar();
  void FinishHeader(uint64_t blank);
  // Header evaluation with the blank line at stream position `blank`.
  void EvaluateHeader(uint64_t blank);
  Closing IsClosingLine() const;
  // Body copying; true when the part is complete.
  bool CopyBody();
  bool CopyBase64();
  bool CopyRaw();
  void Write(std::string_view data);
  void CloseOutput(bool completed);
  void SetInnermost(uint64_t from);

  const std::string prefix_;
  const ExtractEnv& env_;
  WorkingText text_;
  std::string sender_;
  std::array<Delimiter, kMaxDepth> stack_;
  int depth_ = -1;
  bool multipart_ = false;
  bool boundary_pending_ = false;
  uint64_t boundary_line_scanned_ = 0;
  bool end_of_message_ = false;
  std::string end_of_message_tail_;
  HeaderReader header_;
  bool header_pending_ = false;
  uint64_t header_read_to_ = 0;
  bool in_body_ = false;
  bool base64_ = false;
  bool data_seen_ = false;

  std::string path_;
  bool name_unusable_ = false;
  std::unique_ptr<OutputFile> out_;
  bool output_open_ = false;
  bool output_failed_ = false;
  uint64_t output_bytes_ = 0;
  int32_t files_written_ = 0;
  int generated_ = 0;

  Base64Decoder decoder_;
  std::vector<char> decoded_;

  StreamFinder from_{"FROM:", true};
  StreamFinder less_than_{"<", false};
  uint64_t less_than_from_ = kNotFound;
  StreamFinder multipart_keyword_{"CONTENT-TYPE: MULTIPART", true};
  StreamFinder boundary_keyword_{"BOUNDARY=", true};
  StreamFinder blank_line_{"\r\n\r\n", false};
  StreamFinder delimiter_{"", false};
};

}  // namespace vexa::extract
