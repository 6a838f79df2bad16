#include "WildcardIndex.h"

#include <algorithm>
#include <unordered_map>

#include "WildcardMatch.h"

namespace vexa {
namespace {

std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

unsigned char FoldedByte(std::string_view text, size_t pos) {
  return static_cast<unsigned char>(FoldAscii(text[pos]));
}

// Hash of a folded anchor in the order the text is walked: from the start
// for heads, from the end for tails.
uint64_t AnchorHash(std::string_view anchor, bool at_end) {
  uint64_t h = 0;
  const size_t n = anchor.size();
  for (size_t i = 0; i < n; ++i) {
    h = HashStep(h, static_cast<unsigned char>(anchor[at_end ? n - 1 - i : i]));
  }
  return HashFinish(h, n);
}

bool EqualsFolded(std::string_view folded, std::string_view text) {
  if (folded.size() != text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (folded[i] != FoldAscii(text[i])) return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// The longest run of the form without a star.
std::string_view LongestStretch(std::string_view form) {
  std::string_view longest;
  size_t start = 0;
  while (start <= form.size()) {
    size_t star = form.find('*', start);
    if (star == std::string_view::npos) star = form.size();
    if (star - start > longest.size()) longest = form.substr(start, star - start);
    start = star + 1;
  }
  return longest;
}

// The two (folded) bytes at the start of `text`, or at its end.
uint32_t EdgePair(std::string_view text, bool at_end) {
  const size_t pos = at_end ? text.size() - 2 : 0;
  return FoldedByte(text, pos) << 8 | FoldedByte(text, pos + 1);
}

// `width` (up to 8) folded bytes from `pos`, as one number.
uint64_t GramAt(std::string_view folded, size_t pos, size_t width) {
  uint64_t gram = 0;
  for (size_t i = 0; i < width; ++i) gram = gram << 8 | static_cast<unsigned char>(folded[pos + i]);
  return gram;
}

uint64_t GramBucket(uint64_t gram, uint64_t mask) { return (gram * 0x9E3779B97F4A7C15ull >> 32) & mask; }

}  // namespace

WildcardIndex::WildcardIndex(std::string_view list) : list_(list) {
  // Plain forms and anchors are gathered first, so that each table is sized once.
  std::vector<std::pair<std::string, Rank>> plain;
  std::vector<std::pair<std::string, uint32_t>> heads, tails;
  std::vector<std::pair<uint32_t, std::string>> floating;
  auto add_form = [&](std::string_view form, Rank rank) {
    form = form.substr(0, form.find('\0'));  // the matcher stops at a NUL
    const size_t first = form.find('*');
    if (first == std::string_view::npos) {
      plain.emplace_back(Fold(form), rank);
      return;
    }
    const size_t last = form.rfind('*');
    const auto index = static_cast<uint32_t>(patterns_.size());
    const uint32_t head = static_cast<uint32_t>(first);
    const uint32_t tail = static_cast<uint32_t>(form.size() - last - 1);
    patterns_.push_back({text_.size(), static_cast<uint32_t>(form.size()), head, tail, rank});
    text_.append(form);
    if (tail > 0 && tail >= head) {
      tails.emplace_back(Fold(form.substr(last + 1)), index);
    } else if (head > 0) {
      heads.emplace_back(Fold(form.substr(0, first)), index);
    } else {
      floating.emplace_back(index, Fold(LongestStretch(form)));
    }
  };

  size_t line = 0;
  for (size_t start = 0; start < list_.size();) {
    size_t lf = list_.find('\n', start);
    if (lf == std::string_view::npos) lf = list_.size();
    if (lf > start) {
      line_offsets_.push_back(start);
      std::string text(list_.substr(start, lf - start));
      std::erase(text, '\r');
      const std::string_view t = text;
      add_form(t, RankOf(line, kLine));
      if (StartsWith(t, "*.")) add_form(t.substr(2), RankOf(line, kDot));
      if (StartsWith(t, "http://*.") || StartsWith(t, "HTTP://*.")) {
        add_form("http://*" + std::string(t.substr(9)), RankOf(line, kHttp));
      }
      if (StartsWith(t, "https://*.") || StartsWith(t, "HTTPS://*.")) {
        add_form("https://*" + std::string(t.substr(10)), RankOf(line, kHttps));
      }
      ++line;
    }
    start = lf + 1;
  }

  plain_.Reset(plain.size());
  for (const auto& form : plain) {
    const std::string& folded = form.first;
    const uint64_t h = AnchorHash(folded, false);
    const auto index = static_cast<uint32_t>(plain_rank_.size());
    const uint64_t kept = plain_.Insert(h, index, [&](uint64_t other) {
      return TextAt(plain_text_[other].first, plain_text_[other].second) == folded;
    });
    if (kept != index) continue;  // an earlier line has the same form
    plain_text_.emplace_back(text_.size(), static_cast<uint32_t>(folded.size()));
    plain_rank_.push_back(form.second);
    text_.append(folded);
  }
  for (auto& [anchor, pattern] : heads) AddAnchored(heads_, anchor, false, pattern, heads.size());
  for (auto& [anchor, pattern] : tails) AddAnchored(tails_, anchor, true, pattern, tails.size());
  FinishAnchors(heads_, false);
  FinishAnchors(tails_, true);
  IndexFloating(floating);
}

void WildcardIndex::AddAnchored(AnchorTable& table, std::string_view anchor, bool at_end,
                                uint32_t pattern, size_t expected) {
  if (table.members.empty()) table.groups.Reset(expected);
  const uint64_t h = AnchorHash(anchor, at_end);
  auto same = [&](uint64_t group) {
    const Group& g = table.members[group];
    return TextAt(g.offset, g.length) == anchor;
  };
  uint64_t group = table.groups.Find(h, same);
  if (group == FingerprintTable::kNone) {
    group = table.members.size();
    table.members.push_back({text_.size(), static_cast<uint32_t>(anchor.size()), {}});
    text_.append(anchor);
    table.groups.Insert(h, group, same);
  }
  table.members[group].patterns.push_back(pattern);
}

void WildcardIndex::FinishAnchors(AnchorTable& table, bool at_end) {
  for (const Group& g : table.members) table.lengths.push_back(g.length);
  std::sort(table.lengths.begin(), table.lengths.end());
  table.lengths.erase(std::unique(table.lengths.begin(), table.lengths.end()), table.lengths.end());
  table.first_bytes.resize(table.lengths.size());
  table.edge_pairs.assign(65536, false);
  for (const Group& g : table.members) {
    const size_t i =
        std::lower_bound(table.lengths.begin(), table.lengths.end(), g.length) - table.lengths.begin();
    const std::string_view anchor = TextAt(g.offset, g.length);
    table.first_bytes[i].set(static_cast<unsigned char>(at_end ? anchor.front() : anchor.back()));
    if (anchor.size() >= 2) table.edge_pairs[EdgePair(anchor, at_end)] = true;
  }
}

void WildcardIndex::IndexFloating(const std::vector<std::pair<uint32_t, std::string>>& floating) {
  static constexpr size_t kWidths[] = {8, 4, 2};
  std::vector<std::pair<uint32_t, std::string>> by_width[3];
  for (const auto& [pattern, stretch] : floating) {
    size_t i = 0;
    while (i < 3 && stretch.size() < kWidths[i]) ++i;
    if (i < 3) {
      by_width[i].emplace_back(pattern, stretch);
    } else {
      always_.push_back(pattern);
    }
  }
  for (size_t i = 0; i < 3; ++i) BuildGrams(grams_[i], kWidths[i], by_width[i]);
}

void WildcardIndex::BuildGrams(GramTable& table, size_t width,
                               const std::vector<std::pair<uint32_t, std::string>>& stretches) {
  if (stretches.empty()) return;
  std::unordered_map<uint64_t, uint32_t> frequency;
  for (const auto& entry : stretches) {
    for (size_t i = 0; i + width <= entry.second.size(); ++i) ++frequency[GramAt(entry.second, i, width)];
  }
  size_t buckets = 16;
  while (buckets < 8 * stretches.size()) buckets *= 2;  // mostly empty: a miss costs one look
  table.width = width;
  table.mask = buckets - 1;
  struct Keyed {
    uint64_t bucket;
    uint64_t gram;
    uint32_t pattern;
  };
  std::vector<Keyed> keyed;
  for (const auto& [pattern, stretch] : stretches) {
    uint64_t best = GramAt(stretch, 0, width);
    for (size_t i = 1; i + width <= stretch.size(); ++i) {
      const uint64_t gram = GramAt(stretch, i, width);
      if (frequency[gram] < frequency[best]) best = gram;
    }
    keyed.push_back({GramBucket(best, table.mask), best, pattern});
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const Keyed& x, const Keyed& y) { return x.bucket < y.bucket; });
  table.start.assign(buckets + 1, 0);
  table.used.assign((buckets + 63) / 64, 0);
  for (const Keyed& k : keyed) {
    ++table.start[k.bucket + 1];
    table.used[k.bucket >> 6] |= 1ull << (k.bucket & 63);
    table.patterns.push_back(k.pattern);
    table.grams.push_back(k.gram);
  }
  for (size_t i = 1; i < table.start.size(); ++i) table.start[i] += table.start[i - 1];
}

void WildcardIndex::Try(uint32_t index, std::string_view text, Rank& best) const {
  const Pattern& pattern = patterns_[index];
  if (pattern.rank >= best || text.size() < size_t{pattern.head} + pattern.tail) return;
  if (WildcardMatch(text, TextAt(pattern.offset, pattern.length), false, '\0')) best = pattern.rank;
}

void WildcardIndex::TryAnchored(const AnchorTable& table, bool at_end, std::string_view text,
                                Rank& best) const {
  const size_t n = text.size();
  // Without a known edge pair only anchors of one byte can fit.
  const size_t longest = n >= 2 && table.edge_pairs[EdgePair(text, at_end)] ? n : std::min<size_t>(n, 1);
  uint64_t h = 0;
  size_t hashed = 0;
  for (size_t i = 0; i < table.lengths.size() && table.lengths[i] <= longest; ++i) {
    const size_t k = table.lengths[i];
    if (!table.first_bytes[i].test(FoldedByte(text, at_end ? n - k : k - 1))) continue;
    for (; hashed < k; ++hashed) h = HashStep(h, FoldedByte(text, at_end ? n - 1 - hashed : hashed));
    const std::string_view window = at_end ? text.substr(n - k) : text.substr(0, k);
    const uint64_t group = table.groups.Find(HashFinish(h, k), [&](uint64_t g) {
      return EqualsFolded(TextAt(table.members[g].offset, table.members[g].length), window);
    });
    if (group == FingerprintTable::kNone) continue;
    for (uint32_t pattern : table.members[group].patterns) Try(pattern, text, best);
  }
}

void WildcardIndex::TryGrams(const GramTable& table, std::string_view text, Rank& best) const {
  if (table.width == 0) return;
  const uint64_t keep = table.width == 8 ? ~0ull : (1ull << (8 * table.width)) - 1;
  uint64_t gram = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    gram = (gram << 8 | FoldedByte(text, i)) & keep;
    if (i + 1 < table.width) continue;
    const uint64_t bucket = GramBucket(gram, table.mask);
    if (!(table.used[bucket >> 6] >> (bucket & 63) & 1)) continue;
    for (uint32_t j = table.start[bucket]; j < table.start[bucket + 1]; ++j) {
      if (table.grams[j] == gram) Try(table.patterns[j], text, best);
    }
  }
}

void WildcardIndex::TryFloating(std::string_view text, Rank& best) const {
  for (const GramTable& table : grams_) TryGrams(table, text, best);
  for (uint32_t pattern : always_) Try(pattern, text, best);
}

uint64_t WildcardIndex::PlainHash(std::string_view text) {
  uint64_t h = 0;
  for (size_t i = 0; i < text.size(); ++i) h = HashStep(h, FoldedByte(text, i));
  return HashFinish(h, text.size());
}

void WildcardIndex::Prefetch(std::string_view address) const {
  plain_.Prefetch(PlainHash(address.substr(0, address.find('\0'))));
}

std::optional<WildcardIndex::Hit> WildcardIndex::Match(std::string_view address) const {
  const std::string_view text = address.substr(0, address.find('\0'));
  Rank best = kNoRank;
  if (!plain_.empty()) {
    const uint64_t found = plain_.Find(PlainHash(text), [&](uint64_t i) {
      return EqualsFolded(TextAt(plain_text_[i].first, plain_text_[i].second), text);
    });
    if (found != FingerprintTable::kNone) best = plain_rank_[found];
  }
  TryAnchored(tails_, true, text, best);
  TryAnchored(heads_, false, text, best);
  TryFloating(text, best);
  if (best == kNoRank) return std::nullopt;
  return Hit{static_cast<size_t>(best / 4), static_cast<Form>(best % 4)};
}

std::string WildcardIndex::Line(size_t line) const {
  const size_t start = line_offsets_.at(line);
  std::string text(list_.substr(start, list_.find('\n', start) - start));
  std::erase(text, '\r');
  return text;
}

}  // namespace vexa
