#include "LineTailIndex.h"

namespace vexa {
namespace {

bool HasLeadBytes(const CodePage& page) {
  for (int b = 0x80; b < 0x100; ++b) {
    if (page.IsLeadByte(static_cast<unsigned char>(b))) return true;
  }
  return false;
}

// Hash of a + b, built from the last byte to the first as tails grow.
uint64_t TailHash(std::string_view a, std::string_view b) {
  uint64_t h = 0;
  for (size_t i = b.size(); i-- > 0;) h = HashStep(h, static_cast<unsigned char>(b[i]));
  for (size_t i = a.size(); i-- > 0;) h = HashStep(h, static_cast<unsigned char>(a[i]));
  return HashFinish(h, a.size() + b.size());
}

bool HasLineFeed(std::string_view text) { return text.find('\n') != std::string_view::npos; }

}  // namespace

std::string_view EntryPrefixText(EntryPrefix prefix) {
  switch (prefix) {
    case EntryPrefix::kMail: return "*@";
    case EntryPrefix::kFtpSuffix: return "FTP://*.";
    case EntryPrefix::kHttpSuffix: return "HTTP://*.";
    case EntryPrefix::kHttpsSuffix: return "HTTPS://*.";
  }
  return {};
}

LineTailIndex::LineTailIndex(std::string_view list, const CodePage& page)
    : list_(list), page_(page) {
  if (HasLeadBytes(page_)) {
    boundary_.assign(list_.size() + 1, false);
    for (size_t pos = 0; pos < list_.size(); pos += page_.CharLength(list_, pos)) {
      boundary_[pos] = true;
    }
    boundary_[list_.size()] = true;
  }
  // Every line that ends in CR LF: from after the previous LF to the CR.
  std::vector<std::pair<size_t, size_t>> lines;
  size_t tail_count = 0;
  size_t start = 0;
  for (size_t lf = list_.find('\n'); lf != std::string_view::npos; lf = list_.find('\n', lf + 1)) {
    if (lf > start && list_[lf - 1] == '\r') {
      lines.emplace_back(start, lf - 1);
      tail_count += lf - start;
    }
    start = lf + 1;
  }
  tails_.Reset(tail_count);
  std::vector<PendingTail> pending;
  for (const auto& [line_start, line_end] : lines) AddTails(line_start, line_end, pending);
  InsertTails(pending);
  for (EntryPrefix prefix : {EntryPrefix::kMail, EntryPrefix::kFtpSuffix,
                             EntryPrefix::kHttpSuffix, EntryPrefix::kHttpsSuffix}) {
    AddRestsAfter(prefix, lines);
  }
}

void LineTailIndex::AddTails(size_t start, size_t end, std::vector<PendingTail>& pending) {
  uint64_t h = 0;
  for (size_t pos = end;; --pos) {
    if (IsBoundary(pos)) {
      pending.push_back({HashFinish(h, end - pos), pos, end - pos});
      if (pending.size() == kInsertBatch) InsertTails(pending);
    }
    if (pos == start) break;
    h = HashStep(h, static_cast<unsigned char>(list_[pos - 1]));
  }
}

// Inserts in list order (the first of equal tails is kept), each slot
// fetched a few tails ahead: the table is far larger than the cache.
void LineTailIndex::InsertTails(std::vector<PendingTail>& pending) {
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < pending.size(); ++i) {
    if (i + kAhead < pending.size()) tails_.Prefetch(pending[i + kAhead].hash);
    const PendingTail& tail = pending[i];
    tails_.Insert(tail.hash, tail.pos, [&](uint64_t kept) {
      return HeldAt(kept, list_.substr(tail.pos, tail.length), {});
    });
  }
  pending.clear();
}

void LineTailIndex::AddRestsAfter(EntryPrefix prefix,
                                  const std::vector<std::pair<size_t, size_t>>& lines) {
  const std::string_view text = EntryPrefixText(prefix);
  std::vector<size_t> rests;  // where a rest starts; its line's CR LF ends it
  std::vector<size_t> ends;
  for (const auto& [start, end] : lines) {
    const std::string_view line = list_.substr(start, end - start);
    for (size_t at = line.find(text); at != std::string_view::npos; at = line.find(text, at + 1)) {
      if (IsBoundary(start + at)) {
        rests.push_back(start + at + text.size());
        ends.push_back(end);
      }
    }
  }
  FingerprintTable& table = rests_[static_cast<size_t>(prefix)];
  table.Reset(rests.size());
  for (size_t i = 0; i < rests.size(); ++i) {
    const std::string_view rest = list_.substr(rests[i], ends[i] - rests[i]);
    table.Insert(TailHash({}, rest), rests[i], [&](uint64_t kept) { return HeldAt(kept, {}, rest); });
  }
}

bool LineTailIndex::HeldAt(size_t pos, std::string_view a, std::string_view b) const {
  const size_t length = a.size() + b.size();
  if (pos + length + 2 > list_.size()) return false;
  return list_.substr(pos, a.size()) == a && list_.substr(pos + a.size(), b.size()) == b &&
         list_[pos + length] == '\r' && list_[pos + length + 1] == '\n';
}

// A question that spans lines (it holds an LF) is not a tail of one line:
// it gets the plain search.
size_t LineTailIndex::SearchText(std::string_view a, std::string_view b) const {
  std::string needle;
  needle.reserve(a.size() + b.size() + 2);
  needle.append(a).append(b).append("\r\n");
  return page_.Find(list_, needle);
}

size_t LineTailIndex::Find(std::string_view a, std::string_view b) const {
  if (HasLineFeed(a) || HasLineFeed(b)) return SearchText(a, b);
  const uint64_t found =
      tails_.Find(TailHash(a, b), [&](uint64_t pos) { return HeldAt(pos, a, b); });
  return found == FingerprintTable::kNone ? kNotFound : found;
}

void LineTailIndex::Prefetch(std::string_view a, std::string_view b) const {
  tails_.Prefetch(TailHash(a, b));
}

size_t LineTailIndex::FindAfter(EntryPrefix prefix, std::string_view rest) const {
  const std::string_view text = EntryPrefixText(prefix);
  if (HasLineFeed(rest)) return SearchText(text, rest);
  const uint64_t found = rests_[static_cast<size_t>(prefix)].Find(
      TailHash({}, rest), [&](uint64_t pos) { return HeldAt(pos, {}, rest); });
  return found == FingerprintTable::kNone ? kNotFound : found - text.size();
}

}  // namespace vexa
