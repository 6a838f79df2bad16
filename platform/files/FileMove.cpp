// Moving a file without ever replacing the target.
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "FdIo.h"
#include "PosixFileSystem.h"

namespace vexa {
namespace {

using posix::UniqueFd;

MoveResult SourceMissingOr(MoveResult otherwise, const std::string& from) {
  struct stat st;
  return ::lstat(from.c_str(), &st) != 0 && errno == ENOENT ? MoveResult::kSourceMissing
                                                            : otherwise;
}

bool CopyContents(int from, int to) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const long n = posix::ReadSome(from, buffer.data(), buffer.size());
    if (n < 0) return false;
    if (n == 0) return true;
    if (!posix::WriteAll(to, std::string_view(buffer.data(), static_cast<size_t>(n)))) return false;
  }
}

// The target is created exclusively, filled, flushed and closed before the
// source goes; whatever fails on the way leaves the source alone and no
// partial target behind.
MoveResult MoveByCopy(const std::string& from, const std::string& to) {
  UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!source.valid()) return SourceMissingOr(MoveResult::kFailed, from);
  struct stat st;
  if (::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) return MoveResult::kFailed;

  UniqueFd target(
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 0777));
  if (!target.valid()) return errno == EEXIST ? MoveResult::kTargetExists : MoveResult::kFailed;

  bool copied = CopyContents(source.get(), target.get());
  if (copied) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(target.get(), times);  // kept where the target allows it
    copied = ::fsync(target.get()) == 0;
  }
  copied = ::close(target.Release()) == 0 && copied;
  if (!copied) {
    ::unlink(to.c_str());
    return MoveResult::kFailed;
  }
  posix::SyncParentDirectory(to);
  if (::unlink(from.c_str()) != 0 && errno != ENOENT) {
    // The source stays, so the copy goes: the file is never in two places.
    ::unlink(to.c_str());
    return MoveResult::kFailed;
  }
  return MoveResult::kMoved;
}

}  // namespace

MoveResult PosixFileSystem::Move(const std::string& from, const std::string& to) {
  if (options_.copy_moves) return MoveByCopy(from, to);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return MoveResult::kMoved;
  }
  switch (errno) {
    case EEXIST:
      return MoveResult::kTargetExists;
    case EXDEV:   // another file system
    case EINVAL:  // no-replace renames unsupported there (NFS)
      return MoveByCopy(from, to);
    default:
      return SourceMissingOr(MoveResult::kFailed, from);
  }
}

}  // namespace vexa
