// Exclusion test throughput and list reload time, side by side with the
// reference algorithm and with squidGuard in batch mode on the same domains.
// Prints the tables of docs/performance/exclusion.md.
//
//   exclusion_bench [--quick] [--squidguard PROGRAM]
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchLists.h"
#include "Exclusion.h"
#include "ListLoader.h"
#include "PosixFileSystem.h"
#include "ReferenceExclusion.h"
#include "SettingsKeys.h"

namespace vexa::bench {
namespace {

// Rates are per second of CPU time, this process's or its children's, so
// that other work on the machine does not count against either side.
double CpuNow() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

double ChildrenCpuNow() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class DirectorySetting : public Settings {
 public:
  explicit DirectorySetting(std::string directory) : directory_(std::move(directory)) {}
  SettingsStatus Read(std::string_view, std::string_view, RegValue* value) override {
    *value = {RegType::kSz, directory_ + '\0'};
    return SettingsStatus::kOk;
  }

 private:
  std::string directory_;
};

class NoEventLog : public EventLog {
 public:
  bool ReportInformation(std::string_view) override { return true; }
  void Debug(std::string_view) override {}
  void Error(std::string_view) override {}
};

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

struct Throughput {
  double per_second;
  size_t excluded;
};

Throughput Indexed(const ExclusionLists& lists, const std::vector<std::string>& addresses) {
  size_t excluded = 0;
  const double start = CpuNow();
  for (size_t i = 0; i < addresses.size(); ++i) {
    excluded += IsExcluded(lists, addresses[i], i % 20 ? " " : "GAMES");
  }
  return {addresses.size() / (CpuNow() - start), excluded};
}

Throughput Reference(const ExclusionLists& lists, const std::vector<std::string>& addresses,
                     size_t count) {
  size_t excluded = 0;
  const double start = CpuNow();
  for (size_t i = 0; i < count; ++i) {
    excluded += reference::IsExcluded(lists.address_text(), lists.category_text(),
                                      lists.code_page(), addresses[i], i % 20 ? " " : "GAMES");
  }
  return {count / (CpuNow() - start), excluded};
}

// squidGuard reading requests on standard input, as Squid feeds it; the
// start-up (a run without requests) is taken off.
Throughput SquidGuard(const std::string& program, const std::string& work, const BenchList& list,
                      const std::vector<std::string>& addresses) {
  const std::string db = work + "/sg/db";
  std::filesystem::create_directories(db + "/blocked");
  std::filesystem::create_directories(work + "/sg/log");
  WriteFile(db + "/blocked/domains", list.squid_domains);
  WriteFile(db + "/blocked/urls", list.squid_urls);
  const std::string conf = work + "/sg/squidGuard.conf";
  WriteFile(conf, "dbhome " + db + "\nlogdir " + work + "/sg/log\n" +
                      "dest blocked {\n  domainlist blocked/domains\n  urllist blocked/urls\n}\n"
                      "acl {\n  default {\n    pass !blocked all\n"
                      "    redirect http://localhost/blocked\n  }\n}\n");
  std::string requests;
  for (const std::string& address : addresses) {
    requests += (address.find("://") == std::string::npos ? "http://" + address : address) +
                " 10.0.0.1/- - GET\n";
  }
  WriteFile(work + "/sg/requests", requests);
  WriteFile(work + "/sg/none", "");
  auto run = [&](const std::string& input) {
    const std::string command = program + " -c " + conf + " < " + input + " > " + work +
                                "/sg/answers 2>/dev/null";
    const double start = ChildrenCpuNow();
    const int status = std::system(command.c_str());
    const double took = ChildrenCpuNow() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
    return took;
  };
  if (std::system((program + " -c " + conf + " -C all >/dev/null 2>&1").c_str()) != 0) {
    return {-1, 0};
  }
  const double startup = run(work + "/sg/none");
  const double total = run(work + "/sg/requests");
  if (startup < 0 || total < 0) return {-1, 0};
  std::ifstream answers(work + "/sg/answers");
  size_t blocked = 0;
  for (std::string line; std::getline(answers, line);) blocked += line.starts_with("OK");
  return {addresses.size() / (total - startup), blocked};
}

// An install directory with the two list files, and an Env over the real
// file system that points at it.
class Install {
 public:
  Install(const std::string& work, const std::string& file) : settings_(work + "/install") {
    std::filesystem::create_directories(work + "/install/config");
    WriteFile(work + "/install/config/exc_log.ctl", file);
    WriteFile(work + "/install/config/exc_logcats.ctl", "games,news");
    env_.settings = &settings_;
    env_.log = &log_;
    env_.files = &files_;
    env_.code_page = &page_;
  }
  const Env& env() const { return env_; }

 private:
  DirectorySetting settings_;
  NoEventLog log_;
  PosixFileSystem files_;
  CodePage page_;
  Env env_;
};

// The first load (files read, index built), best of `runs`.
double ReloadMilliseconds(const Install& install, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    ExclusionLists lists;
    const double start = CpuNow();
    RefreshExcludeFile(install.env(), lists);
    best = std::min(best, (CpuNow() - start) * 1000);
  }
  return best;
}

// vexaDB check - over the whole stream, lines in and answers out.
double CheckLinesPerSecond(const Install& install, const std::vector<std::string>& addresses) {
  std::string input;
  for (size_t i = 0; i < addresses.size(); ++i) {
    input += addresses[i] + (i % 20 ? "\n" : "\tGAMES\n");
  }
  std::istringstream in(std::move(input));
  std::ostringstream out, err;
  const double start = CpuNow();
  RunCheckCommand(install.env(), {"-"}, in, out, err);
  return addresses.size() / (CpuNow() - start);
}

ExclusionLists Load(const BenchList& list) {
  ExclusionLists lists;
  lists.SetAddressList(AddressListText(list.file, CodePage()));
  lists.SetCategoryList(CategoryListText("games,news", CodePage()));
  return lists;
}

}  // namespace
}  // namespace vexa::bench

int main(int argc, char** argv) {
  using namespace vexa::bench;
  bool quick = false;
  std::string squidguard = "squidGuard";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (arg == "--squidguard" && i + 1 < argc) {
      squidguard = argv[++i];
    } else {
      std::cerr << "usage: exclusion_bench [--quick] [--squidguard PROGRAM]\n";
      return 2;
    }
  }
  const std::string work = std::filesystem::temp_directory_path() / "vexa-exclusion-bench";
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);

  const size_t stream = quick ? 100'000 : 1'000'000;
  const std::vector<size_t> sizes = quick ? std::vector<size_t>{5'000, 50'000}
                                          : std::vector<size_t>{50'000, 200'000, 1'000'000};
  std::printf("| entries | list bytes | index build ms | tests/s (index) | ns/test | excluded | "
              "tests/s (reference) | index / reference |\n|---|---|---|---|---|---|---|---|\n");
  ListMaker maker(20261211);
  BenchList first;
  std::vector<std::string> first_stream;
  for (size_t entries : sizes) {
    BenchList list = maker.Make(entries);
    std::vector<std::string> addresses = maker.Stream(list, stream);
    const double build = CpuNow();
    const vexa::ExclusionLists lists = Load(list);
    const double build_ms = (CpuNow() - build) * 1000;
    const Throughput fast = Indexed(lists, addresses);
    const Throughput slow = Reference(lists, addresses, entries >= 1'000'000 ? 20 : 200);
    std::printf("| %zu | %zu | %.0f | %.0f | %.0f | %.1f%% | %.0f | %.0fx |\n", entries,
                list.file.size(), build_ms, fast.per_second, 1e9 / fast.per_second,
                100.0 * fast.excluded / addresses.size(), slow.per_second,
                fast.per_second / slow.per_second);
    std::fflush(stdout);
    if (first.file.empty()) {
      first = std::move(list);
      first_stream = std::move(addresses);
    }
  }

  const vexa::ExclusionLists lists = Load(first);
  const Throughput fast = Indexed(lists, first_stream);
  const Throughput squid = SquidGuard(squidguard, work, first, first_stream);
  std::printf("\n| %zu entries, %zu addresses | tests/s | excluded |\n|---|---|---|\n",
              sizes.front(), first_stream.size());
  std::printf("| IsExcluded (index) | %.0f | %.1f%% |\n", fast.per_second,
              100.0 * fast.excluded / first_stream.size());
  if (squid.per_second > 0) {
    std::printf("| squidGuard %zu domains and urls | %.0f | %.1f%% |\n", first.squid_entries,
                squid.per_second, 100.0 * squid.excluded / first_stream.size());
    std::printf("| index / squidGuard | %.1fx | |\n", fast.per_second / squid.per_second);
  } else {
    std::printf("| squidGuard | not run (%s not found or failed) | |\n", squidguard.c_str());
  }
  const Install install(work, first.file);
  std::printf("\n| %zu entries | |\n|---|---|\n", sizes.front());
  std::printf("| first load (files read, index built) | %.1f ms |\n",
              ReloadMilliseconds(install, 5));
  std::printf("| vexaDB check - (%zu lines through the command) | %.0f lines/s |\n",
              first_stream.size(), CheckLinesPerSecond(install, first_stream));
  std::filesystem::remove_all(work);
  return 0;
}
