#include "SpoolBacklog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vexa::bench {

void WriteBacklog(const std::string& spool_directory, size_t count) {
  char name[64];
  char line[512];
  for (size_t i = 0; i < count; ++i) {
    // Names longer than a short string's inline buffer, as writers' are.
    std::snprintf(name, sizeof name, "/vexa-%010zu.lok", i);
    const int length =
        std::snprintf(line, sizeof line,
                      "jdoe%zu\x01http://www.example%zu.test/news/article-%zu.html?ref=front\x01"
                      "ws-%03zu.corp.example.test\x01Vexa Filters: News and Media\x01"
                      "192.168.%zu.%zu\x01"
                      "CORP\\jdoe\x01GET\x01%zu\x01%zu\x01\x01-\x01%zul\r\n",
                      i % 100, i % 997, i, i % 500, i / 256 % 256, i % 256, 1000 + i % 5000,
                      200 + i % 300, i % 1000);
    const std::string path = spool_directory + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, line, static_cast<size_t>(length)) != length || ::close(fd) != 0) {
      throw std::runtime_error("cannot write " + path);
    }
  }
  ::sync();
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

double Now() {
  timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Memory ProcessMemory() {
  Memory memory;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) memory.rss_kib = std::stol(line.substr(6));
    if (line.rfind("VmHWM:", 0) == 0) memory.peak_kib = std::stol(line.substr(6));
  }
  return memory;
}

}  // namespace vexa::bench
