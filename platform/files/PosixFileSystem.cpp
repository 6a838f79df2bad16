#include "PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "ExclusiveOpen.h"
#include "FdIo.h"

namespace vexa {
namespace {

using posix::UniqueFd;

// Where readdir cannot tell, or the entry is a symbolic link, the entry's
// target decides (a link to a directory lists as a directory).
bool EntryIsDirectory(DIR* dir, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat st;
  return ::fstatat(::dirfd(dir), entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// A start number that differs from run to run, as a tick count does.
unsigned TimeDerivedNumber() {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<unsigned>(now.tv_sec * 1000 + now.tv_nsec / 1'000'000) & 0xFFFF;
}

}  // namespace

PosixFileSystem::PosixFileSystem(Options options) : options_(options) {}

bool PosixFileSystem::ListDirectory(
    const std::string& directory,
    const std::function<bool(std::string_view name, bool is_directory)>& entry) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return false;
  bool complete = true;
  for (;;) {
    errno = 0;
    const dirent* next = ::readdir(dir);
    if (next == nullptr) {
      complete = errno == 0;
      break;
    }
    const std::string_view name(next->d_name);
    if (name == "." || name == "..") continue;
    if (!entry(name, EntryIsDirectory(dir, *next))) break;
  }
  ::closedir(dir);
  return complete;
}

std::unique_ptr<ExclusiveFile> PosixFileSystem::OpenExclusive(const std::string& path) {
  return posix::OpenExclusiveFile(path);
}

bool PosixFileSystem::Stat(const std::string& path, FileInfo* info) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  *info = posix::ToFileInfo(st);
  return true;
}

bool PosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFileSystem::MakeDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::WriteNewFile(const std::string& path, std::string_view data) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd.valid()) return false;
  const bool written = posix::WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0;
  if (::close(fd.Release()) != 0 || !written) {
    ::unlink(path.c_str());
    return false;
  }
  posix::SyncParentDirectory(path);
  return true;
}

std::string PosixFileSystem::CreateTempFile(const std::string& directory, std::string_view prefix) {
  prefix = prefix.substr(0, 3);
  // The prefix names a file in `directory`, never one elsewhere.
  if (prefix.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) return {};
  unsigned number = TimeDerivedNumber();
  for (unsigned attempt = 0; attempt < 0xFFFF; ++attempt) {
    if (number == 0) number = 1;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", number);
    std::string path = directory + "/" + std::string(prefix) + hex + ".TMP";
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.valid()) return path;
    if (errno != EEXIST) return {};
    number = (number + 1) & 0xFFFF;
  }
  return {};
}

}  // namespace vexa
