// The fuzz targets' seed corpus, replayed through the same entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzEntries.h"

namespace vexa::extract {
namespace {

namespace fs = std::filesystem;

void Replay(const std::string& folder, int (*entry)(const uint8_t*, size_t)) {
  int seeds = 0;
  for (const auto& e : fs::directory_iterator(fs::path(VEXA_EXTRACT_CORPUS) / folder)) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(e.path().string());
    EXPECT_EQ(entry(reinterpret_cast<const uint8_t*>(data.data()), data.size()), 0);
    ++seeds;
  }
  EXPECT_GT(seeds, 0);
}

TEST(ExtractFuzzSeeds, Messages) { Replay("message", FuzzMessage); }
TEST(ExtractFuzzSeeds, Containers) { Replay("container", FuzzContainer); }

}  // namespace
}  // namespace vexa::extract
