#include "ContentFile.h"

#include "ContentNames.h"
#include "LogTime.h"

namespace vexa {
namespace {

constexpr size_t kContentNameWidth = 20;

// Where the content file goes, and its companion. A companion target made
// by the temporary name service already exists as our own empty file.
struct Target {
  std::string path;
  std::string companion;
  bool companion_is_placeholder = false;
};

bool IsFile(FileSystem& files, const std::string& path) {
  FileInfo info;
  return files.Stat(path, &info) && !info.is_directory;
}

// A file still held open by its writer is not moved, as on the system the
// spool data comes from: a rename would take it from under the writer, and a
// copy would miss what it writes afterwards. The test is let go before the
// move (the move's own open would break it).
bool HeldOpen(FileSystem& files, const std::string& path) { return !files.OpenExclusive(path); }

bool Moved(FileSystem& files, const std::string& from, const std::string& to) {
  return files.Move(from, to) == MoveResult::kMoved;
}

// The unique content name from a fresh UUID; empty when the generator is
// unset or fails, or its UUID has no text form.
std::string DrawUniqueName(UuidSource* uuids) {
  if (!uuids || !uuids->Available()) return {};
  Uuid uuid{};
  const int32_t status = uuids->Create(&uuid);
  if (status != 0 && status != 1824) return {};  // 1824: unique on this computer only
  std::string text;
  if (!uuids->ToText(uuid, &text)) return {};
  return UniqueContentName(text);
}

class ShareMover {
 public:
  ShareMover(FileSystem& files, UuidSource* uuids, std::string share, const std::string& name)
      : files_(files),
        uuids_(uuids),
        share_(std::move(share)),
        name_(name),
        extension_(Extension(name)) {}

  // Moves `content` and its companion into the share. False when the
  // content file is still there unmoved: held open by its writer, or every
  // attempt failed.
  bool Place(const std::string& content) {
    target_.path = share_ + "/" + name_;
    target_.companion = CompanionPath(target_.path);
    if (!IsFile(files_, content)) return true;
    if (HeldOpen(files_, content)) return false;
    bool moved = Moved(files_, content, target_.path);
    for (int moves = 1; !moved; ++moves) {
      if (!IsFile(files_, content)) return true;
      if (moves == kMaxContentMoves) return false;
      target_ = NextTarget();
      moved = !target_.path.empty() && Moved(files_, content, target_.path);
      if (!moved && target_.companion_is_placeholder) files_.Remove(target_.companion);
    }
    const std::string companion = CompanionPath(content);
    if (target_.companion_is_placeholder) files_.Remove(target_.companion);
    if (!HeldOpen(files_, companion)) Moved(files_, companion, target_.companion);
    return true;
  }

  const std::string& target() const { return target_.path; }

 private:
  Target NextTarget() {
    const std::string unique = DrawUniqueName(uuids_);
    if (!unique.empty()) {
      const std::string path = share_ + "/" + unique + std::string(extension_);
      return {path, CompanionPath(path), false};
    }
    const std::string temp = files_.CreateTempFile(share_, name_.substr(0, 2) + "X");
    if (temp.empty()) return {};
    return {std::string(WithoutExtension(temp)) + std::string(extension_), temp, true};
  }

  FileSystem& files_;
  UuidSource* uuids_;
  const std::string share_;
  const std::string& name_;
  const std::string_view extension_;
  Target target_;
};

// The content file's last-write time, or the current time when the file
// cannot be opened without sharing.
void TakeContentTime(LogRecord& record, const std::string& content, bool content_is_local,
                     const Env& env) {
  Clock& clock = *env.clock;
  const int64_t now = clock.NowSeconds();
  int64_t when = now;
  if (content_is_local) {
    if (auto file = env.files->OpenExclusive(content)) {
      FileInfo info;
      if (file->Stat(&info)) when = info.modified_seconds;
    }
  }
  std::string text = FormatLogTime(clock, when);
  if (text.empty() && when != now) text = FormatLogTime(clock, now);
  if (!text.empty()) record.logTime = std::move(text);
}

}  // namespace

ContentOutcome PlaceContentFile(LogRecord& record, const ContentSettings& settings, const Env& env,
                                const std::function<bool()>& is_excluded) {
  std::string& name = record.contentName;
  if (name.empty() || name == "NONE") {
    name = "NONE";
    return ContentOutcome::kPlaced;
  }
  // A name that leaves the Cache folder is handled as a missing file.
  const bool local = IsPlainFileName(name);
  const std::string content = ContentPath(settings, name);
  if (is_excluded()) {
    if (local) env.files->Remove(content);
    return ContentOutcome::kExcluded;
  }
  if (settings.mode != 1) {
    TakeContentTime(record, content, local, env);
    return ContentOutcome::kPlaced;
  }
  if (!local) return ContentOutcome::kPlaced;
  ShareMover mover(*env.files, env.uuid, CacheShareDirectory(settings), name);
  if (!mover.Place(content)) return ContentOutcome::kDeferred;
  name = std::string(FileName(mover.target()).substr(0, kContentNameWidth));
  return ContentOutcome::kPlaced;
}

std::string ContentNotMovedMessage(const std::string& content_path) {
  return "PlaceContentFile(): content file not moved to the cache share, record kept for a later "
         "cycle: " +
         content_path;
}

}  // namespace vexa
