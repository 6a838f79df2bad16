#include "ExclusiveOpen.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <utility>

#include "FdIo.h"

namespace vexa::posix {
namespace {

// Holds the descriptor together with its lease or lock; closing the
// descriptor lets go of both.
class LockedFile : public ExclusiveFile {
 public:
  LockedFile(UniqueFd fd, bool leased, UniqueFd lock_fd)
      : fd_(std::move(fd)), leased_(leased), lock_fd_(std::move(lock_fd)) {}
  ~LockedFile() override {
    if (leased_) ::fcntl(fd_.get(), F_SETLEASE, F_UNLCK);
  }

  bool Stat(FileInfo* info) override {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return false;
    *info = ToFileInfo(st);
    return true;
  }
  long Read(char* buffer, size_t size) override { return ReadSome(fd_.get(), buffer, size); }

 private:
  UniqueFd fd_;
  bool leased_;
  UniqueFd lock_fd_;
};

// Leases on network file systems only see this machine's opens, and some
// refuse write leases outright; the lock is the better test there.
bool OnNetworkFileSystem(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case CEPH_SUPER_MAGIC:
    case V9FS_MAGIC:
      return true;
    default:
      return false;
  }
}

// Another process opening a leased file makes the kernel send SIGIO to the
// lease holder, whose default action ends the process. The file is closed
// moments later anyway, so the signal is only ignored (unless the program
// handles it itself).
void IgnoreLeaseBreakSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current;
    if (::sigaction(SIGIO, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
        current.sa_handler == SIG_DFL) {
      std::signal(SIGIO, SIG_IGN);
    }
  });
}

bool SameFile(int a, int b) {
  struct stat sa, sb;
  return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

std::unique_ptr<ExclusiveFile> OpenExclusiveFile(const std::string& path) {
  // Non-blocking, so that an open that would break another holder's lease
  // (this process's own included) fails at once instead of waiting.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.valid()) return nullptr;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;

  if (!OnNetworkFileSystem(fd.get())) {
    IgnoreLeaseBreakSignal();
    if (::fcntl(fd.get(), F_SETLEASE, F_WRLCK) == 0) {
      return std::make_unique<LockedFile>(std::move(fd), true, UniqueFd());
    }
    if (errno == EAGAIN) return nullptr;  // open elsewhere
    // Refused for other reasons (not the owner, no lease support): lock.
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
    return std::make_unique<LockedFile>(std::move(fd), false, UniqueFd());
  }
  if (errno != EBADF) return nullptr;
  // NFS emulates flock with record locks, whose exclusive kind needs a
  // descriptor open for writing.
  UniqueFd lock_fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
  if (!lock_fd.valid() || !SameFile(fd.get(), lock_fd.get()) ||
      ::flock(lock_fd.get(), LOCK_EX | LOCK_NB) != 0) {
    return nullptr;
  }
  return std::make_unique<LockedFile>(std::move(fd), false, std::move(lock_fd));
}

}  // namespace vexa::posix
