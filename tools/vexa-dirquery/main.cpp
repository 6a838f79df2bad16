// vexa-dirquery: the directory queries of libvexaUtil from the command line.
//   vexa-dirquery [--protocol] groups [OU]
//   vexa-dirquery [--protocol] users [GROUP]
//   vexa-dirquery [--protocol] mail-users [GROUP]
// Prints the text on stdout, or the status in hex on stderr with exit code
// 1. --protocol shows each call of the two-call protocol on stderr.
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vexaUtil.h"

namespace {

using QueryExport = int32_t (*)(const char*, char*, int32_t*);

int Usage() {
  std::fprintf(stderr,
               "usage: vexa-dirquery [--protocol] groups [OU] | users [GROUP] | "
               "mail-users [GROUP]\n");
  return 2;
}

int Run(QueryExport query, const char* name, bool show_protocol) {
  int32_t size = 0;
  int32_t status = query(name, nullptr, &size);
  if (show_protocol) {
    std::fprintf(stderr, "size call: name=\"%s\" size=0 -> status 0x%08X, size=%d\n", name,
                 static_cast<uint32_t>(status), size);
  }
  if (status != 0) {
    std::fprintf(stderr, "0x%08X\n", static_cast<uint32_t>(status));
    return 1;
  }
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  const int32_t copy_size = size;
  status = query(nullptr, buffer.data(), &size);
  if (show_protocol) {
    std::fprintf(stderr, "copy call: size=%d -> status 0x%08X, %zu bytes copied\n", copy_size,
                 static_cast<uint32_t>(status), std::strlen(buffer.data()));
  }
  if (status != 0) {
    std::fprintf(stderr, "0x%08X\n", static_cast<uint32_t>(status));
    return 1;
  }
  std::printf("%s\n", buffer.data());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  int i = 1;
  bool show_protocol = false;
  if (i < argc && std::strcmp(argv[i], "--protocol") == 0) {
    show_protocol = true;
    ++i;
  }
  if (i >= argc || argc - i > 2) return Usage();
  const std::string command = argv[i];
  const char* name = i + 1 < argc ? argv[i + 1] : "";
  if (command == "groups") return Run(GetGroups, name, show_protocol);
  if (command == "users") return Run(GetUsersInGroup, name, show_protocol);
  if (command == "mail-users") return Run(GetMailUsersInGroup, name, show_protocol);
  return Usage();
}
