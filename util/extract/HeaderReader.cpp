#include "HeaderReader.h"

#include "Names.h"
#include "Search.h"

namespace vexa::extract {
namespace {

constexpr std::string_view kName = "name=";
constexpr std::string_view kBoundary = "BOUNDARY=";
constexpr std::string_view kBase64 = "CONTENT-TRANSFER-ENCODING: BASE64";
constexpr std::string_view kMultipart = "CONTENT-TYPE: MULTIPART";
constexpr size_t kCarry = kBase64.size() - 1;  // the longest keyword less one

}  // namespace

void LineCapture::Reset() {
  text_.clear();
  spaces_.clear();
  spaces_overflow_ = false;
  done_ = false;
  too_long_ = false;
}

void LineCapture::Add(std::string_view bytes) {
  for (const char c : bytes) {
    if (done_) return;
    if (c == '\r' || c == '\n') {
      done_ = true;
      return;
    }
    if (removed_.find(c) != std::string_view::npos) continue;
    if (IsSpace(static_cast<unsigned char>(c))) {
      if (text_.empty()) continue;  // leading white space
      if (spaces_.size() < kMaxLength) {
        spaces_.push_back(c);
      } else {
        spaces_overflow_ = true;
      }
      continue;
    }
    if (spaces_overflow_ || text_.size() + spaces_.size() + 1 > kMaxLength) {
      too_long_ = true;
      done_ = true;
      return;
    }
    text_ += spaces_;
    spaces_.clear();
    text_.push_back(c);
  }
}

HeaderReader::HeaderReader() : name_("\"\\/:*?<>|-"), boundary_("\"") {}

void HeaderReader::Reset() {
  carry_.clear();
  has_name_ = false;
  has_boundary_ = false;
  base64_ = false;
  multipart_ = false;
  name_.Reset();
  boundary_.Reset();
}

void HeaderReader::Add(std::string_view piece) {
  // A keyword may begin in the carried bytes; what the carry held was looked
  // at before, so a match found now is new.
  const std::string text = carry_ + std::string(piece);
  const std::string_view all(text);
  // A line already being taken goes on with the new bytes.
  if (has_name_) name_.Add(piece);
  if (has_boundary_) boundary_.Add(piece);
  if (!has_name_) {
    const size_t at = FindNoCase(all, kName);
    has_name_ = at != kNotFound;
    if (has_name_) name_.Add(all.substr(at + kName.size()));
  }
  if (!has_boundary_) {
    const size_t at = FindNoCase(all, kBoundary);
    has_boundary_ = at != kNotFound;
    if (has_boundary_) boundary_.Add(all.substr(at + kBoundary.size()));
  }
  if (!base64_) base64_ = FindNoCase(all, kBase64) != kNotFound;
  if (!multipart_) multipart_ = FindNoCase(all, kMultipart) != kNotFound;
  carry_ = std::string(all.substr(all.size() > kCarry ? all.size() - kCarry : 0));
}

}  // namespace vexa::extract
