#include "DaemonProcess.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "SettingsKeys.h"

namespace vexa::testing {
namespace fs = std::filesystem;

namespace {
fs::path NewRoot() {
  static int counter = 0;
  return fs::temp_directory_path() /
         ("vexa-daemon-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
}
}  // namespace

DaemonInstall::DaemonInstall() : root_(NewRoot()), store_((root_ / "registry").string()) {
  fs::remove_all(root_);
  fs::create_directories(spool());
  fs::create_directories(root_ / "run");
  fs::create_directories(root_ / "bin");
  SetString(keys::kSnp, "DIRECTORY", root_.string());
  SetString(keys::kSnp, "ARCHIVEON", "0");
  SetString(keys::kSecur, "ENABLE", "1");
  SetString(keys::kSecur, "DNSDISABLE", "1");
}

DaemonInstall::~DaemonInstall() { fs::remove_all(root_); }

void DaemonInstall::SetString(const char* key, const std::string& name, const std::string& text) {
  store_.SetValues(key, {NamedValue{name, RegValue{RegType::kSz, text + '\0'}}});
}

void DaemonInstall::AddSpool(const std::string& name, const std::string& url) {
  const fs::path temporary = root_ / (name + ".part");
  std::ofstream(temporary, std::ios::binary)
      << "user1\x01" << url << "\x01workstation-17.example.test\x01\x01t6\x01t8\x01\x01skip\x01" << "12\r\n";
  fs::rename(temporary, spool() / name);
}

pid_t DaemonInstall::Start(const std::vector<std::string>& args) {
  if (args.empty()) fs::remove(root_ / "run" / "vexaDB.status");  // a daemon run publishes it anew
  const std::string run = (root_ / "run").string();
  const std::string out = (root_ / "out").string();
  const std::string registry = store_.root();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("VEXA_RUNTIME_DIR", run.c_str(), 1);
    setenv("VEXA_SYSLOG_SOCKET", (run + "/no-log").c_str(), 1);
    freopen(out.c_str(), "a", stdout);
    freopen(out.c_str(), "a", stderr);
    std::vector<std::string> all = {VEXA_DAEMON, "--registry", registry};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(VEXA_DAEMON, argv.data());
    _exit(127);
  }
  return pid;
}

int DaemonInstall::Run(const std::vector<std::string>& args, std::string* out) {
  fs::remove(root_ / "out");
  const int status = WaitFor(Start(args), std::chrono::seconds(60));
  std::ifstream in(root_ / "out");
  std::stringstream text;
  text << in.rdbuf();
  *out = text.str();
  return status;
}

int DaemonInstall::WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int DaemonInstall::Stop(pid_t pid) {
  kill(pid, SIGTERM);
  return WaitFor(pid, std::chrono::seconds(30));
}

bool DaemonInstall::WaitUntilRunning(std::chrono::seconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (fs::exists(root_ / "run" / "vexaDB.status")) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool DaemonInstall::WaitUntilSpoolEmpty(std::chrono::seconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (SpoolNames().empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::vector<std::string> DaemonInstall::SpoolNames() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(spool())) {
    if (entry.path().extension() == ".lok") names.push_back(entry.path().filename());
  }
  return names;
}

std::vector<std::string> DaemonInstall::StoredUrls() const {
  std::vector<std::string> urls;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2((root_ / "storedprocdbc.dbc").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT url FROM vexa_records ORDER BY id", -1, &select, nullptr);
    while (select && sqlite3_step(select) == SQLITE_ROW) {
      urls.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
    }
    sqlite3_finalize(select);
  }
  sqlite3_close(db);
  return urls;
}

}  // namespace vexa::testing
