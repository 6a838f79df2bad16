#include "FuzzEntries.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "Engine.h"
#include "PosixFiles.h"

namespace vexa::extract {
namespace {

namespace fs = std::filesystem;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    __builtin_trap();
  }
}

using Entry = int32_t (*)(const std::string&, const std::string&, const ExtractEnv&);

int Run(const uint8_t* data, size_t size, Entry entry) {
  std::string dir = (fs::temp_directory_path() / "vexa-extract-fuzz-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return 0;
  const std::string input = dir + "/input";
  const std::string out = dir + "/out/";
  fs::create_directory(out);
  if (FILE* f = std::fopen(input.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  PosixOutputFiles files;
  std::vector<WrittenFile> written;
  ExtractEnv env;
  env.files = &files;
  unsigned answers = size > 0 ? data[0] : 0;
  env.ask = [&answers](const std::string&) { return ((answers >>= 1) & 1) != 0; };
  env.name_number = [] { return 7; };
  env.written = &written;
  const int32_t count = entry(input, out, env);

  Check(count >= 0, "the input opens");
  int32_t counted = 0;
  for (const WrittenFile& w : written) {
    counted += w.counted ? 1 : 0;
    Check(w.path.compare(0, out.size(), out) == 0, "written under the prefix");
  }
  Check(counted == count, "the count is the files counted");
  for (const auto& e : fs::directory_iterator(out)) Check(e.is_regular_file(), "only plain files");
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}

}  // namespace

int FuzzMessage(const uint8_t* data, size_t size) { return Run(data, size, RunExtractor); }
int FuzzContainer(const uint8_t* data, size_t size) { return Run(data, size, ExtractContainer); }

}  // namespace vexa::extract
