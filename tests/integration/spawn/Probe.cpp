// Stands in for a companion program: writes its working directory, its
// arguments and its open descriptors to $VEXA_PROBE_OUT/<own name>.out.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* out_dir = std::getenv("VEXA_PROBE_OUT");
  if (!out_dir) return 2;
  std::string report;
  char cwd[4096];
  report += std::string("cwd=") + (getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
  report += std::string("program=") + argv[0] + "\n";
  report += "argc=" + std::to_string(argc - 1) + "\n";
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return 3;
  while (const dirent* entry = readdir(fds)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == dirfd(fds)) continue;
    char target[4096];
    const ssize_t n =
        readlink((std::string("/proc/self/fd/") + entry->d_name).c_str(), target, sizeof target);
    report += std::string("fd=") + entry->d_name + "=" + std::string(target, n > 0 ? n : 0) + "\n";
  }
  closedir(fds);

  std::string name = argv[0];
  name = name.substr(name.rfind('/') + 1);
  const std::string path = std::string(out_dir) + "/" + name + ".out";
  FILE* file = std::fopen((path + ".tmp").c_str(), "w");
  if (!file) return 4;
  std::fputs(report.c_str(), file);
  std::fclose(file);
  return std::rename((path + ".tmp").c_str(), path.c_str()) == 0 ? 0 : 5;
}
