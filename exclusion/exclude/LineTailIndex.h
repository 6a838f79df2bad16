#pragma once
// Answers "does the address list hold X", that is: does X followed by CR LF
// occur in the list text, starting on a character boundary of the code page.
// X followed by CR LF occurs exactly where X is a tail of a line that ends in
// CR LF, so the index keeps every such tail once (the first in the list),
// hashed; a question costs one probe instead of a search of the whole text.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "FingerprintTable.h"

namespace vexa {

// Fixed beginnings of the entry forms that the test asks for by their rest.
enum class EntryPrefix { kMail, kFtpSuffix, kHttpSuffix, kHttpsSuffix };
std::string_view EntryPrefixText(EntryPrefix prefix);

class LineTailIndex {
 public:
  static constexpr size_t kNotFound = std::string_view::npos;

  // `list` must outlive the index.
  LineTailIndex(std::string_view list, const CodePage& page);

  // Where the first occurrence of `a` + `b` + CR LF starts; kNotFound when
  // the list does not hold `a` + `b`.
  size_t Find(std::string_view a, std::string_view b) const;
  // Starts loading what Find(a, b) will read.
  void Prefetch(std::string_view a, std::string_view b) const;
  // The same for EntryPrefixText(prefix) + `rest`.
  size_t FindAfter(EntryPrefix prefix, std::string_view rest) const;

 private:
  bool IsBoundary(size_t pos) const { return boundary_.empty() || boundary_[pos]; }
  bool HeldAt(size_t pos, std::string_view a, std::string_view b) const;
  size_t SearchText(std::string_view a, std::string_view b) const;
  struct PendingTail {
    uint64_t hash;
    size_t pos;
    size_t length;
  };
  static constexpr size_t kInsertBatch = 4096;
  void AddTails(size_t start, size_t end, std::vector<PendingTail>& pending);
  void InsertTails(std::vector<PendingTail>& pending);
  void AddRestsAfter(EntryPrefix prefix, const std::vector<std::pair<size_t, size_t>>& lines);

  std::string_view list_;
  CodePage page_;
  std::vector<bool> boundary_;  // empty when every byte starts a character
  FingerprintTable tails_;
  std::array<FingerprintTable, 4> rests_;
};

}  // namespace vexa
