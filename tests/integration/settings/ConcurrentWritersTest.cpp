// Two processes change one key 10,000 times each while a third reads it:
// no reader ever sees a torn value, and no change of one writer is lost to
// the other's.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <map>

#include "SettingsStore.h"
#include "TempDir.h"

namespace vexa {
namespace {

constexpr char kKey[] = "SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";
constexpr int kWrites = 10000;
constexpr int kNamesPerWriter = 16;

std::string Name(int writer, int slot) {
  return "w" + std::to_string(writer) + "-" + std::to_string(slot);
}

// The data of write `i` of a writer: its number, then filler whose length
// and bytes depend on it, so a torn or mixed value never checks out.
std::string Payload(int writer, int i) {
  std::string data = std::to_string(i) + ":";
  data.append(static_cast<size_t>((i * 37) % 700), static_cast<char>('a' + (i + writer) % 26));
  return data + '\0';
}

// The write number of a value, or -1 when the value is not one written.
int WriteNumber(int writer, const RegValue& value) {
  int i = -1;
  std::from_chars(value.data.data(), value.data.data() + value.data.size(), i);
  return i >= 0 && i < kWrites && value.type == RegType::kSz && value.data == Payload(writer, i)
             ? i
             : -1;
}

void WriteAll(const std::string& root, int writer) {
  SettingsStore store(root);
  for (int i = 0; i < kWrites; ++i) {
    if (!store
             .SetValues(kKey,
                        {{Name(writer, i % kNamesPerWriter), {RegType::kSz, Payload(writer, i)}}})
             .ok()) {
      _exit(1);
    }
  }
  _exit(0);
}

// Stops writers still running when the test ends early.
struct Writers {
  pid_t pids[2] = {0, 0};
  ~Writers() {
    for (pid_t pid : pids) {
      if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }
};

TEST(ConcurrentWritersTest, NoTornOrLostValue) {
  testing::TempDir dir;
  const std::string root = dir / "registry";
  Writers children;
  pid_t* writers = children.pids;
  for (int w = 0; w < 2; ++w) {
    writers[w] = fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) WriteAll(root, w);
  }

  SettingsStore store(root);
  std::map<std::string, int> last_seen;  // a value never goes back or away
  int reads = 0, running = 2;
  while (running > 0) {
    for (int w = 0; w < 2; ++w) {
      for (int slot = 0; slot < kNamesPerWriter; ++slot) {
        const std::string name = Name(w, slot);
        RegValue value;
        const SettingsStatus status = store.Read(kKey, name, &value);
        ++reads;
        if (status != SettingsStatus::kOk) {
          ASSERT_FALSE(last_seen.count(name))
              << name << " vanished after write " << last_seen[name];
          continue;
        }
        const int i = WriteNumber(w, value);
        ASSERT_GE(i, 0) << name << " is torn: " << value.data.substr(0, 40);
        ASSERT_GE(i, last_seen[name]) << name << " went back";
        last_seen[name] = i;
      }
    }
    running = 0;
    for (pid_t& pid : children.pids) {
      int status;
      if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
        pid = 0;
      }
      running += pid > 0;
    }
  }
  EXPECT_GT(reads, 0);
  for (int w = 0; w < 2; ++w) {
    for (int slot = 0; slot < kNamesPerWriter; ++slot) {
      RegValue value;
      ASSERT_EQ(store.Read(kKey, Name(w, slot), &value), SettingsStatus::kOk);
      // The last write of each name is there: kWrites - kNamesPerWriter + slot.
      EXPECT_EQ(WriteNumber(w, value), kWrites - kNamesPerWriter + slot) << Name(w, slot);
    }
  }
}

}  // namespace
}  // namespace vexa
