// Reads and writes of the settings store, each beside a plain loop that
// does only the file work underneath it: open-read-close of a small file
// for a read; write, fsync, rename and fsync of the directory for a write.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "SettingsStore.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr char kKey[] = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";

class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "vexa-settings-bench-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Scratch() { fs::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A key as the daemon finds it: ten short settings.
void Fill(vexa::SettingsStore& store) {
  std::vector<vexa::NamedValue> values;
  for (int i = 0; i < 10; ++i)
    values.push_back(
        {"VALUE" + std::to_string(i), {vexa::RegType::kSz, "C:\\Program Files\\Dovra Vexa\0"s}});
  store.SetValues(kKey, values);
}

void StoreRead(benchmark::State& state) {
  Scratch dir;
  vexa::SettingsStore store(dir.path());
  Fill(store);
  vexa::RegValue value;
  for (auto _ : state) benchmark::DoNotOptimize(store.Read(kKey, "VALUE7", &value));
}
BENCHMARK(StoreRead);

void PlainRead(benchmark::State& state) {
  Scratch dir;
  vexa::SettingsStore store(dir.path());
  Fill(store);
  const std::string file = dir.path() + "/software/dovra software, inc./dovra vexa/snp/.values";
  char buf[4096];
  for (auto _ : state) {
    const int fd = open(file.c_str(), O_RDONLY);
    benchmark::DoNotOptimize(read(fd, buf, sizeof buf));
    close(fd);
  }
}
BENCHMARK(PlainRead);

void StoreWrite(benchmark::State& state) {
  Scratch dir;
  vexa::SettingsStore store(dir.path());
  Fill(store);
  int i = 0;
  for (auto _ : state)
    store.SetValues(kKey, {{"LETGO", {vexa::RegType::kSz, std::to_string(++i % 2) + '\0'}}});
}
BENCHMARK(StoreWrite)->Unit(benchmark::kMicrosecond);

void PlainWrite(benchmark::State& state) {
  Scratch dir;
  const std::string data(400, 'x');
  for (auto _ : state) {
    const std::string temp = dir.path() + "/temp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    benchmark::DoNotOptimize(write(fd, data.data(), data.size()));
    fsync(fd);
    close(fd);
    rename(temp.c_str(), (dir.path() + "/file").c_str());
    const int dfd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    fsync(dfd);
    close(dfd);
  }
}
BENCHMARK(PlainWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
