#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "ChildProbe.h"
#include "PosixProcessLauncher.h"

namespace vexa {
namespace {
namespace fs = std::filesystem;
using std::chrono::seconds;

class PosixProcessLauncherTest : public ::testing::Test {
 protected:
  // Waits until every child has ended and been reaped.
  std::map<pid_t, char> ChildrenLeftAfter(seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto children = testing::ChildrenOfThisProcess();
    while (!children.empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      children = testing::ChildrenOfThisProcess();
    }
    return children;
  }

  testing::ProbeInstall install_{"vexa launcher"};
  const fs::path& root_ = install_.root();
  PosixProcessLauncher launcher_;
};

TEST_F(PosixProcessLauncherTest, ChildGetsThePathAloneTheDirectoryAndNoDescriptorOfOurs) {
  const fs::path program = root_ / "bin" / "vexa Sch.exe";
  testing::InstallProbe(program);
  // Descriptors opened without close-on-exec, as a library might leave them.
  const fs::path marker = root_ / "marker";
  std::ofstream(marker) << "x";
  const int leaked_file = open(marker.c_str(), O_RDONLY);
  int leaked_pipe[2];
  ASSERT_EQ(pipe(leaked_pipe), 0);

  ASSERT_TRUE(launcher_.SetCurrentDirectory((root_ / "bin").string()));
  EXPECT_EQ(fs::current_path(), root_ / "bin");
  int error = 0;
  ASSERT_TRUE(launcher_.Start(program.string(), &error));
  close(leaked_file);
  close(leaked_pipe[0]);
  close(leaked_pipe[1]);

  const auto report = testing::WaitForReport(root_ / "out", "vexa Sch.exe", seconds(10));
  ASSERT_TRUE(report) << "the child did not run, or did not inherit the environment";
  EXPECT_EQ(report->cwd, (root_ / "bin").string());
  EXPECT_EQ(report->program, program.string());
  EXPECT_EQ(report->argc, 0);
  // stdin from /dev/null; stdout and stderr are the daemon's; nothing else.
  ASSERT_EQ(report->fds.size(), 3u);
  EXPECT_EQ(report->fds.at(0), "/dev/null");
  EXPECT_TRUE(report->fds.count(1) && report->fds.count(2));
}

TEST_F(PosixProcessLauncherTest, ProgramThatCannotRunIsReportedWithErrno) {
  const fs::path not_executable = root_ / "bin" / "plain.exe";
  std::ofstream(not_executable) << "#!/bin/sh\n";
  const struct {
    fs::path program;
    int error;
  } cases[] = {
      {root_ / "bin" / "missing.exe", ENOENT},
      {root_ / "no such dir" / "vexaSch.exe", ENOENT},
      {not_executable, EACCES},
      {root_ / "bin", EACCES},
  };
  for (const auto& c : cases) {
    int error = 0;
    errno = 0;
    EXPECT_FALSE(launcher_.Start(c.program.string(), &error)) << c.program;
    EXPECT_EQ(error, c.error) << c.program;
    EXPECT_EQ(errno, c.error) << c.program;
  }
  EXPECT_TRUE(ChildrenLeftAfter(seconds(5)).empty());
}

TEST_F(PosixProcessLauncherTest, HundredStartsLeaveNoZombie) {
  const fs::path program = root_ / "bin" / "quick.exe";
  testing::WriteQuickExit(program);
  for (int i = 0; i < 100; ++i) {
    int error = 0;
    ASSERT_TRUE(launcher_.Start(program.string(), &error)) << i << ": " << error;
  }
  EXPECT_EQ(ChildrenLeftAfter(seconds(20)), (std::map<pid_t, char>{}));
}

TEST_F(PosixProcessLauncherTest, OtherChildrenOfTheProcessKeepTheirExitStatus) {
  const pid_t own = fork();
  if (own == 0) {
    usleep(300'000);
    _exit(7);
  }
  const fs::path program = root_ / "bin" / "quick.exe";
  testing::WriteQuickExit(program);
  for (int i = 0; i < 10; ++i) {
    int error = 0;
    ASSERT_TRUE(launcher_.Start(program.string(), &error));
  }
  int status = 0;
  ASSERT_EQ(waitpid(own, &status, 0), own);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace vexa
