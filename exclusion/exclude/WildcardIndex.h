#pragma once
// The wildcard rule over every line of the address list, without matching
// every line: a line is tried in up to four forms (the line itself, and for
// "*.", "HTTP://*." and "HTTPS://*." lines a shortened form). Forms without
// a star are plain case-folded comparisons, found by hash. A form with stars
// can only match an address that begins with its text before the first star
// and ends with its text after the last one; the longer of the two selects
// it by hash, and a form with neither by a run of bytes it must contain.
// Only forms selected so are tried with the matcher.
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FingerprintTable.h"

namespace vexa {

class WildcardIndex {
 public:
  // The forms of a line, in the order the rule tries them.
  enum Form { kLine = 0, kDot = 1, kHttp = 2, kHttps = 3 };
  struct Hit {
    size_t line;  // counted over the non-empty lines
    Form form;
  };

  // `list` must outlive the index.
  explicit WildcardIndex(std::string_view list);

  // The first line (and form) in list order that matches `address`.
  std::optional<Hit> Match(std::string_view address) const;
  // Starts loading what Match(address) reads first.
  void Prefetch(std::string_view address) const;
  // Line `line` of the list with its CRs removed.
  std::string Line(size_t line) const;

 private:
  // Forms are ranked line by line, then by form: the first match wins.
  using Rank = uint64_t;
  static Rank RankOf(size_t line, Form form) { return line * 4 + form; }
  static constexpr Rank kNoRank = ~0ull;

  struct Pattern {
    size_t offset;  // in text_
    uint32_t length;
    uint32_t head;  // bytes before the first star
    uint32_t tail;  // bytes after the last star
    Rank rank;
  };
  // Patterns that share an anchor text (folded), with the anchor's length.
  struct Group {
    size_t offset;  // of the folded anchor in text_
    uint32_t length;
    std::vector<uint32_t> patterns;
  };
  // Anchors of one kind (heads or tails) by hash, with the lengths in use.
  struct AnchorTable {
    FingerprintTable groups;
    std::vector<Group> members;
    std::vector<uint32_t> lengths;              // ascending
    std::vector<std::bitset<256>> first_bytes;  // per length: the byte farthest in
    std::vector<bool> edge_pairs;  // the two bytes at the text's edge, of anchors of 2 or more
  };

  void AddAnchored(AnchorTable& table, std::string_view anchor, bool at_end, uint32_t pattern,
                   size_t expected);
  void FinishAnchors(AnchorTable& table, bool at_end);
  void IndexFloating(const std::vector<std::pair<uint32_t, std::string>>& floating);
  void TryAnchored(const AnchorTable& table, bool at_end, std::string_view text, Rank& best) const;
  void TryFloating(std::string_view text, Rank& best) const;
  void Try(uint32_t pattern, std::string_view text, Rank& best) const;
  static uint64_t PlainHash(std::string_view text);
  std::string_view TextAt(size_t offset, size_t length) const {
    return std::string_view(text_).substr(offset, length);
  }

  std::string_view list_;
  std::vector<size_t> line_offsets_;
  std::string text_;  // patterns as written and folded anchors and plain forms
  std::vector<Pattern> patterns_;
  // Forms without a star: folded text -> first rank.
  FingerprintTable plain_;
  std::vector<std::pair<size_t, uint32_t>> plain_text_;  // offset, length in text_
  std::vector<Rank> plain_rank_;
  AnchorTable heads_;
  AnchorTable tails_;
  // Forms with neither head nor tail, by the rarest run of `width` bytes of
  // their longest stretch without stars (8, 4 or 2, as long as the stretch
  // allows); those without such a run are always tried.
  struct GramTable {
    size_t width = 0;
    uint64_t mask = 0;
    std::vector<uint64_t> used;   // a bit per bucket that holds patterns
    std::vector<uint32_t> start;  // per bucket, into patterns and grams
    std::vector<uint32_t> patterns;
    std::vector<uint64_t> grams;  // each pattern's run, as GramAt gives it
  };
  static void BuildGrams(GramTable& table, size_t width,
                         const std::vector<std::pair<uint32_t, std::string>>& stretches);
  void TryGrams(const GramTable& table, std::string_view text, Rank& best) const;
  GramTable grams_[3];  // runs of 8, 4 and 2 bytes
  std::vector<uint32_t> always_;
};

}  // namespace vexa
