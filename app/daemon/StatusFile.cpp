#include "StatusFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace vexa {

std::string StatusFilePath(const std::string& runtime_directory) { return runtime_directory + "/vexaDB.status"; }

std::string FormatStatus(const DaemonStatus& s, long pid) {
  std::string text;
  text += "pid\t" + std::to_string(pid) + "\n";
  text += std::string("mode\t") + (s.mode == 1 ? "server (ODBC)" : "embedded (SQLite)") + "\n";
  text += std::string("connected\t") + (s.connected ? "yes" : "no") + "\n";
  text += std::string("letgo\t") + (s.letting_go ? "1" : "0") + "\n";
  text += "waiting files\t" + std::to_string(s.waiting) + "\n";
  text += "records stored\t" + std::to_string(s.stored) + "\n";
  text += "records excluded\t" + std::to_string(s.excluded) + "\n";
  text += "records rejected\t" + std::to_string(s.rejected) + "\n";
  text += "last database error\t" + (s.last_database_error.empty() ? "none" : s.last_database_error) + "\n";
  return text;
}

bool WriteStatusFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return written && std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace vexa
