// The POSIX file system on real directories: listing, moves, temp names,
// new files and first-line reading.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <regex>
#include <set>
#include <vector>

#include "ChildProcess.h"
#include "PosixFileSystem.h"
#include "TempDir.h"
#include "TextLine.h"

namespace vexa {
namespace {

using testing::ReadFile;
using testing::RunInChild;
using testing::TempDir;
using testing::WriteFile;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  TempDir dir_;
  PosixFileSystem files_;
};

TEST_F(FileSystemTest, ListsEntriesWithTheirKind) {
  WriteFile(dir_ / "a.lok", "x");
  ASSERT_TRUE(files_.MakeDirectory(dir_ / "d.lok"));
  ASSERT_EQ(::symlink((dir_ / "d.lok").c_str(), (dir_ / "dirlink").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ / "a.lok").c_str(), (dir_ / "filelink").c_str()), 0);
  std::map<std::string, bool> listed;
  ASSERT_TRUE(files_.ListDirectory(dir_.path(), [&](std::string_view name, bool is_directory) {
    listed[std::string(name)] = is_directory;
    return true;
  }));
  const std::map<std::string, bool> expected = {
      {"a.lok", false}, {"d.lok", true}, {"dirlink", true}, {"filelink", false}};
  EXPECT_EQ(listed, expected);

  int calls = 0;
  EXPECT_TRUE(files_.ListDirectory(dir_.path(), [&](std::string_view, bool) {
    ++calls;
    return false;
  }));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(files_.ListDirectory(dir_ / "missing", [](std::string_view, bool) { return true; }));
}

TEST_F(FileSystemTest, StatRemoveMakeDirectoryAndWriteNewFile) {
  const std::string file = dir_ / "new.txt";
  ASSERT_TRUE(files_.WriteNewFile(file, "payload"));
  EXPECT_FALSE(files_.WriteNewFile(file, "other")) << "never overwrites";
  EXPECT_EQ(ReadFile(file), "payload");
  EXPECT_FALSE(files_.WriteNewFile(dir_ / "missing/new.txt", "x"));

  FileInfo info;
  ASSERT_TRUE(files_.Stat(file, &info));
  EXPECT_FALSE(info.is_directory);
  EXPECT_EQ(info.size, 7u);
  EXPECT_NEAR(info.modified_seconds, ::time(nullptr), 5);
  ASSERT_TRUE(files_.Stat(dir_.path(), &info));
  EXPECT_TRUE(info.is_directory);

  EXPECT_TRUE(files_.MakeDirectory(dir_ / "sub"));
  EXPECT_TRUE(files_.MakeDirectory(dir_ / "sub")) << "an existing directory is fine";
  EXPECT_FALSE(files_.MakeDirectory(file));

  EXPECT_TRUE(files_.Remove(file));
  EXPECT_FALSE(files_.Remove(file));
  EXPECT_FALSE(files_.Stat(file, &info));
}

TEST_F(FileSystemTest, CreatesTempFilesWithWindowsStyleNames) {
  std::set<std::string> names;
  const std::regex form(R"(abX[0-9A-F]{1,4}\.TMP)");
  for (int i = 0; i < 50; ++i) {
    const std::string path = files_.CreateTempFile(dir_.path(), "abXYZ");
    ASSERT_EQ(path.rfind(dir_.path() + "/", 0), 0u) << path;
    const std::string name = path.substr(dir_.path().size() + 1);
    EXPECT_TRUE(std::regex_match(name, form)) << name;
    EXPECT_EQ(ReadFile(path), "");
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 50u) << "each call takes a free name";
  EXPECT_TRUE(std::regex_match(files_.CreateTempFile(dir_.path(), ""),
                               std::regex(".*/[0-9A-F]{1,4}\\.TMP")));
  EXPECT_EQ(files_.CreateTempFile(dir_ / "missing", "ab"), "");
  EXPECT_EQ(files_.CreateTempFile(dir_.path(), "a/b"), "") << "the prefix never names a folder";
}

// The same move checks on one file system, through the copy path, and
// across two file systems.
struct MoveMode {
  const char* name;
  bool copy_moves;
  bool other_file_system;
};
void PrintTo(const MoveMode& mode, std::ostream* out) { *out << mode.name; }

class MoveTest : public FileSystemTest, public ::testing::WithParamInterface<MoveMode> {
 protected:
  void SetUp() override {
    FileSystemTest::SetUp();
    if (GetParam().other_file_system) {
      struct stat shm, tmp;
      if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.path().c_str(), &tmp) != 0 ||
          shm.st_dev == tmp.st_dev) {
        GTEST_SKIP() << "/dev/shm is not another file system here (the copy mode covers it)";
      }
      other_ = std::make_unique<TempDir>("/dev/shm");
      target_dir_ = other_->path();
    } else {
      target_dir_ = dir_ / "target";
      ASSERT_TRUE(files_.MakeDirectory(target_dir_));
    }
    mover_ = std::make_unique<PosixFileSystem>(PosixFileSystem::Options{GetParam().copy_moves});
  }
  std::unique_ptr<TempDir> other_;
  std::string target_dir_;
  std::unique_ptr<PosixFileSystem> mover_;
};

TEST_P(MoveTest, MovesKeepingContentAndTime) {
  const std::string from = dir_ / "0a1b.htm";
  const std::string content(300'000, 'c');
  WriteFile(from, content);
  ASSERT_EQ(::chmod(from.c_str(), 0640), 0);
  const struct timespec times[2] = {{1'500'000'000, 0}, {1'500'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, from.c_str(), times, 0), 0);

  const std::string to = target_dir_ + "/0a1b.htm";
  ASSERT_EQ(mover_->Move(from, to), MoveResult::kMoved);
  EXPECT_EQ(ReadFile(to), content);
  EXPECT_EQ(::access(from.c_str(), F_OK), -1);
  struct stat st;
  ASSERT_EQ(::stat(to.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1'500'000'000);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_P(MoveTest, NeverReplacesAndReportsWhatFailed) {
  const std::string from = dir_ / "new.htm";
  const std::string to = target_dir_ + "/old.htm";
  WriteFile(from, "new");
  WriteFile(to, "old");
  EXPECT_EQ(mover_->Move(from, to), MoveResult::kTargetExists);
  EXPECT_EQ(ReadFile(from), "new");
  EXPECT_EQ(ReadFile(to), "old");

  EXPECT_EQ(mover_->Move(dir_ / "missing.htm", target_dir_ + "/x.htm"), MoveResult::kSourceMissing);
  EXPECT_EQ(mover_->Move(from, target_dir_ + "/no/such/dir.htm"), MoveResult::kFailed);
  EXPECT_EQ(ReadFile(from), "new");
}

INSTANTIATE_TEST_SUITE_P(Modes, MoveTest,
                         ::testing::Values(MoveMode{"rename", false, false},
                                           MoveMode{"copy", true, false},
                                           MoveMode{"other_file_system", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSystemTest, FailedCopyLeavesNoPartialTarget) {
  const std::string from = dir_ / "big.htm";
  const std::string to = dir_ / "copy.htm";
  const std::string content(1 << 20, 'b');
  WriteFile(from, content);
  // A file-size limit makes the copy's writes fail half way.
  const int result = RunInChild([&] {
    const struct rlimit limit = {64 << 10, 64 << 10};
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 100;
    PosixFileSystem copier(PosixFileSystem::Options{.copy_moves = true});
    return static_cast<int>(copier.Move(from, to));
  });
  EXPECT_EQ(result, static_cast<int>(MoveResult::kFailed));
  EXPECT_EQ(::access(to.c_str(), F_OK), -1);
  EXPECT_EQ(ReadFile(from), content);
}

TEST_F(FileSystemTest, ReadsTheFirstTextLineOfRealFiles) {
  const std::string long_line(1 << 20, 'L');
  struct Case {
    const char* name;
    std::string data;
    TextLineResult result;
    std::string line;
  } const cases[] = {
      {"end of text first", "\x1A" + std::string(59, 'x'), TextLineResult::kNoText, ""},
      {"leading line feed", "\n" + std::string(59, 'x'), TextLineResult::kLine, ""},
      {"cr lf", "first\r\nsecond\r\nthird\r\n", TextLineResult::kLine, "first"},
      {"one megabyte line", long_line + "\r\nnext", TextLineResult::kLine, long_line},
  };
  for (const Case& c : cases) {
    const std::string path = dir_ / "line.lok";
    WriteFile(path, c.data);
    auto file = files_.OpenExclusive(path);
    ASSERT_NE(file, nullptr) << c.name;
    std::string line;
    EXPECT_EQ(ReadFirstTextLine(*file, &line), c.result) << c.name;
    EXPECT_EQ(line, c.line) << c.name;
    file.reset();
    ASSERT_TRUE(files_.Remove(path));
  }
}

}  // namespace
}  // namespace vexa
