// vexa-extract on the command line.
#include <stdlib.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestText.h"

namespace vexa::extract {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out;
};

// Runs the tool with no terminal to ask on.
ToolRun Tool(const std::string& args) {
  const std::string command = std::string("setsid ") + VEXA_EXTRACT_TOOL + " " + args + " </dev/null 2>/dev/null";
  ToolRun run{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ExtractTool, CommandLine) {
  std::string dir = (fs::temp_directory_path() / "vexa-extract-tool-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string input = dir + "/m.eml";
  std::ofstream(input, std::ios::binary) << Crlf(
      "From: <jo@x>\nContent-Type: multipart/mixed; boundary=B\n\n"
      "--B\nContent-Transfer-Encoding: base64\n\nSGk=\n\n--B\nContent-Type: a/b; name=\"a\\\"b.txt\"\n\nx\n--B--\n");
  std::ofstream(dir + "/ab.txt") << "old";

  // Asked with no terminal: No, so the existing file stays.
  ToolRun run = Tool(input + " " + dir + "/ --random=12 --manifest");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"name\":\"jo_12_0.out\",\"path\":\"" + dir + "/jo_12_0.out\",\"bytes\":2,"
            "\"sha256\":\"3639efcd08abb273b1619e82e78c29a7df02c1051b1820e99fc395dcaa3326b8\",\"counted\":true}\n1\n");
  run = Tool(input + " " + dir + "/ --overwrite=yes");
  EXPECT_EQ(run.out, "2\n");
  EXPECT_EQ(Tool(dir + "/missing " + dir + "/").out, "-1\n");
  EXPECT_EQ(Tool(dir + "/missing " + dir + "/").status, 1);
  EXPECT_EQ(Tool("--help").status, 0);
  EXPECT_EQ(Tool(input).status, 2);
  EXPECT_EQ(Tool(input + " " + dir + "/ --overwrite=maybe").status, 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vexa::extract
