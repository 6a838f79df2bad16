#include "FdIo.h"

#include <fcntl.h>

#include <cerrno>
#include <string>

namespace vexa::posix {

FileInfo ToFileInfo(const struct stat& st) {
  FileInfo info;
  info.is_directory = S_ISDIR(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.modified_seconds = st.st_mtim.tv_sec;
  return info;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

long ReadSome(int fd, char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

void SyncParentDirectory(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string_view::npos ? "." : std::string(slash == 0 ? "/" : path.substr(0, slash));
  UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.valid()) ::fsync(fd.get());
}

}  // namespace vexa::posix
