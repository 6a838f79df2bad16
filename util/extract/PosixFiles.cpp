#include "PosixFiles.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace vexa::extract {
namespace {

constexpr size_t kWriteBuffer = 1 << 20;

int OpenNoShare(const std::string& path, int flags, mode_t mode) {
  // O_NONBLOCK: a lease held by another process refuses the open at once
  // instead of making it wait, and a FIFO does not block.
  const int fd = open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !TakeExclusive(fd)) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PosixOutputFile : public OutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) { buffer_.reserve(kWriteBuffer); }
  ~PosixOutputFile() override { Close(); }

  bool Write(std::string_view data) override {
    if (fd_ < 0 || failed_) return false;
    if (buffer_.size() + data.size() > kWriteBuffer) {
      if (!WriteBuffered()) return false;
      if (data.size() >= kWriteBuffer) return Keep(WriteAll(fd_, data.data(), data.size()));
    }
    buffer_.insert(buffer_.end(), data.begin(), data.end());
    return true;
  }

  bool Flush() override {
    if (fd_ < 0 || failed_) return false;
    return WriteBuffered() && Keep(fsync(fd_) == 0);
  }

  bool Close() override {
    if (fd_ < 0) return !failed_;
    WriteBuffered();
    if (close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
  }

 private:
  bool Keep(bool ok) {
    failed_ = failed_ || !ok;
    return ok;
  }
  bool WriteBuffered() {
    const bool ok = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return Keep(ok);
  }

  int fd_;
  bool failed_ = false;
  std::vector<char> buffer_;
};

// The bus-error guard: one process-wide handler, and per thread the area
// being read and where to return to.
struct Guard {
  const char* low;
  const char* high;
  sigjmp_buf resume;
};
thread_local Guard* t_guard = nullptr;
struct sigaction g_previous;
std::once_flag g_installed;

void OnBusError(int signal_number, siginfo_t* info, void* context) {
  Guard* guard = t_guard;
  const char* at = static_cast<const char*>(info->si_addr);
  if (guard != nullptr && at >= guard->low && at < guard->high) siglongjmp(guard->resume, 1);
  // Not ours: what was there before handles it.
  if (g_previous.sa_flags & SA_SIGINFO) {
    g_previous.sa_sigaction(signal_number, info, context);
  } else if (g_previous.sa_handler == SIG_DFL || g_previous.sa_handler == SIG_IGN) {
    signal(signal_number, SIG_DFL);  // the fault repeats and ends the process
  } else {
    g_previous.sa_handler(signal_number);
  }
}

void InstallHandler() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &g_previous);
}

}  // namespace

bool TakeExclusive(int fd) {
  if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
    // Nobody is told when another process wants the file; its open waits
    // for the lease to end instead of sending this process a signal.
    fcntl(fd, F_SETOWN, 0);
    return true;
  }
  if (errno == EAGAIN) return false;
  // No leases here (another owner, a network file system): a lock.
  return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool InputFile::Open(const std::string& path) {
  fd_ = OpenNoShare(path, O_RDONLY, 0);
  if (fd_ < 0) return false;
  struct stat st;
  if (fstat(fd_, &st) != 0) return false;
  size_ = static_cast<uint64_t>(st.st_size);
  posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  return true;
}

long InputFile::Read(char* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd_, buffer + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return got > 0 ? static_cast<long>(got) : -1;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<long>(got);
}

MappedFile::~MappedFile() {
  if (base_ != nullptr) munmap(base_, size_);
}

bool MappedFile::Map(int fd, uint64_t size) {
  if (size == 0 || size > SIZE_MAX) return false;
  void* base = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (base == MAP_FAILED) return false;
  base_ = base;
  size_ = static_cast<size_t>(size);
  madvise(base_, size_, MADV_SEQUENTIAL);
  return true;
}

bool RunGuarded(std::string_view area, void (*fn)(void*), void* arg) {
  std::call_once(g_installed, InstallHandler);
  Guard guard;
  guard.low = area.data();
  guard.high = area.data() + area.size();
  Guard* const outer = t_guard;
  if (sigsetjmp(guard.resume, 1) != 0) {
    t_guard = outer;
    return false;
  }
  t_guard = &guard;
  fn(arg);
  t_guard = outer;
  return true;
}

bool PosixOutputFiles::Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::unique_ptr<OutputFile> PosixOutputFiles::Create(const std::string& path) {
  // Not O_TRUNC: the file is emptied only once it is this process's alone.
  const int fd = OpenNoShare(path, O_WRONLY | O_CREAT | O_NOFOLLOW, 0666);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, 0) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixOutputFile>(fd);
}

}  // namespace vexa::extract
