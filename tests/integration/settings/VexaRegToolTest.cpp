// vexa-reg as an admin runs it: a real binary on a real store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "FixtureFile.h"
#include "SettingsStore.h"
#include "TempDir.h"

namespace vexa {
namespace {

using testing::ReadFile;
using testing::SettingsFixture;
using testing::TempDir;
using testing::WriteFile;
using namespace std::string_literals;

constexpr char kProduct[] = "HKLM\\SOFTWARE\\Dovra Software, Inc.";
constexpr char kSnp[] = "HKLM\\SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp";

struct Outcome {
  int code;
  std::string out, err;
};

std::string ShellQuoted(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? "'\\''"s : std::string(1, c);
  return quoted + "'";
}

class VexaRegToolTest : public ::testing::Test {
 protected:
  // Runs vexa-reg on this test's store, with `input` on its standard input.
  Outcome Reg(const std::vector<std::string>& args, const std::string& input = "",
              const std::string& env = "VEXA_REGISTRY=") {
    WriteFile(dir_ / "in", input);
    std::string command = "env " + env + " " + VEXA_REG_BINARY;
    if (env == "VEXA_REGISTRY=") command += " --registry " + ShellQuoted(registry_);
    for (const std::string& arg : args) command += " " + ShellQuoted(arg);
    command += " <" + dir_ / "in" + " >" + dir_ / "out" + " 2>" + dir_ / "err";
    const int status = std::system(command.c_str());
    return {WEXITSTATUS(status), ReadFile(dir_ / "out"), ReadFile(dir_ / "err")};
  }
  std::string Fixture(const std::string& name) {
    WriteFile(dir_ / name, SettingsFixture(name));
    return dir_ / name;
  }

  TempDir dir_;
  std::string registry_ = dir_ / "registry";
};

TEST_F(VexaRegToolTest, ImportedRegedit5FileExportsBackByteForByte) {
  // Left-overs that the cleanup file removes.
  ASSERT_EQ(
      Reg({"add", std::string(kProduct) + "\\Dovra Vexa\\Obsolete, Old\\Sub", "/v", "x", "/d", "y"})
          .code,
      0);
  ASSERT_EQ(Reg({"add", kSnp, "/v", "Stale", "/t", "REG_DWORD", "/d", "7"}).code, 0);
  ASSERT_EQ(Reg({"add", kSnp, "/v", "Leftover \"quoted\" value", "/d", "z"}).code, 0);

  Outcome imported = Reg({"import", Fixture("dovra-vexa.reg")});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.out, "The operation completed successfully.\n");
  ASSERT_EQ(Reg({"import", Fixture("dovra-vexa-cleanup.reg")}).code, 0);

  const Outcome exported = Reg({"export", kProduct, dir_ / "out.reg"});
  ASSERT_EQ(exported.code, 0) << exported.err;
  EXPECT_EQ(ReadFile(dir_ / "out.reg"), SettingsFixture("dovra-vexa.reg"));

  // What the daemon reads: ANSI bytes with their NUL, numbers as raw bytes.
  SettingsStore store(registry_);
  RegValue value;
  ASSERT_EQ(store.Read("SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp", "directory", &value),
            SettingsStatus::kOk);
  EXPECT_EQ(value.data, "C:\\Program Files\\Dovra Vexa\0"s);
  ASSERT_EQ(store.Read("SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp", "Flags", &value),
            SettingsStatus::kOk);
  EXPECT_EQ(value.data, "\x01\0\0\0"s);

  // The same through the ANSI dialect into a second store.
  ASSERT_EQ(Reg({"export", kProduct, dir_ / "ansi.reg", "/a"}).code, 0);
  EXPECT_TRUE(ReadFile(dir_ / "ansi.reg").starts_with("REGEDIT4\r\n"));
  registry_ = dir_ / "second";
  ASSERT_EQ(Reg({"import", dir_ / "ansi.reg"}).code, 0);
  ASSERT_EQ(Reg({"export", kProduct, dir_ / "again.reg"}).code, 0);
  EXPECT_EQ(ReadFile(dir_ / "again.reg"), SettingsFixture("dovra-vexa.reg"));
}

TEST_F(VexaRegToolTest, ABadFileIsNamedWithItsLineAndNothingIsImported) {
  WriteFile(
      dir_ / "bad.reg",
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Good]\r\n\"a\"=\"b\"\r\n\"c\"=dword:xyz\r\n");
  const Outcome outcome = Reg({"import", dir_ / "bad.reg"});
  EXPECT_EQ(outcome.code, 1);
  EXPECT_NE(outcome.err.find(dir_ / "bad.reg:5: dword: needs 1 to 8 hex digits"), std::string::npos)
      << outcome.err;
  EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Good"}).code, 1);

  const Outcome missing = Reg({"import", dir_ / "nowhere.reg"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("nowhere.reg"), std::string::npos);
}

TEST_F(VexaRegToolTest, QueryAddAndDeleteAnswerAsRegDoes) {
  ASSERT_EQ(Reg({"add", kSnp, "/v", "DIRECTORY", "/d", "C:\\Vexa"}).code, 0);
  ASSERT_EQ(Reg({"add", kSnp, "/v", "Flags", "/t", "reg_dword", "/d", "0x1F"}).code, 0);
  ASSERT_EQ(Reg({"add", kSnp, "/ve", "/d", "Caf\xC3\xA9"}).code, 0);
  ASSERT_EQ(Reg({"add", kSnp + "\\Sub"s}).code, 0);
  EXPECT_EQ(Reg({"query", kSnp}).out,
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp\n"
            "    DIRECTORY    REG_SZ    C:\\Vexa\n"
            "    Flags    REG_DWORD    0x1f\n"
            "    (Default)    REG_SZ    Caf\xC3\xA9\n"
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp\\Sub\n");
  EXPECT_EQ(Reg({"query", "hkey_local_machine\\software\\dovra software, inc.\\dovra vexa\\snp",
                 "/v", "flags"})
                .out,
            "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Dovra Software, Inc.\\Dovra Vexa\\Snp\n"
            "    Flags    REG_DWORD    0x1f\n\n");

  const Outcome missing = Reg({"query", kSnp, "/v", "Nope"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err,
            "ERROR: The system was unable to find the specified registry key or value.\n");
  EXPECT_EQ(Reg({"add", kSnp, "/v", "Flags", "/t", "REG_DWORD", "/d", "4294967296", "/f"}).code, 1);

  // Overwriting and deleting ask first; "No" (or no answer) changes nothing.
  EXPECT_EQ(Reg({"add", kSnp, "/v", "DIRECTORY", "/d", "D:\\"}, "n\n").code, 1);
  EXPECT_EQ(Reg({"delete", kSnp}, "").code, 1);
  EXPECT_EQ(Reg({"query", kSnp, "/v", "DIRECTORY"}).out.find("C:\\Vexa") != std::string::npos,
            true);
  EXPECT_EQ(Reg({"delete", kSnp, "/v", "DIRECTORY"}, "yes\n").code, 0);
  EXPECT_EQ(Reg({"query", kSnp, "/v", "DIRECTORY"}).code, 1);
  EXPECT_EQ(Reg({"delete", kSnp, "/f"}).code, 0);
  EXPECT_EQ(Reg({"query", kSnp}).code, 1);
}

TEST_F(VexaRegToolTest, TheRegistryOptionBeatsTheEnvironment) {
  const std::string env_dir = dir_ / "from-env";
  ASSERT_EQ(
      Reg({"add", "HKLM\\SOFTWARE\\X", "/v", "a", "/d", "b"}, "", "VEXA_REGISTRY=" + env_dir).code,
      0);
  EXPECT_TRUE(SettingsStore(env_dir).KeyExists("SOFTWARE\\X"));
  ASSERT_EQ(Reg({"--registry", dir_ / "from-flag", "add", "HKLM\\SOFTWARE\\Y", "/f"}, "",
                "VEXA_REGISTRY=" + env_dir)
                .code,
            0);
  EXPECT_TRUE(SettingsStore(dir_ / "from-flag").KeyExists("SOFTWARE\\Y"));
  EXPECT_FALSE(SettingsStore(env_dir).KeyExists("SOFTWARE\\Y"));
}

TEST_F(VexaRegToolTest, BadCommandLinesFail) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"query"},
                                             {"query", "HKCU\\Software"},
                                             {"add", kSnp, "/v"},
                                             {"add", kSnp, "/v", "a", "/t", "REG_LINK"},
                                             {"export", kSnp},
                                             {"delete", kSnp, "/v", "a", "/va"}}) {
    const Outcome outcome = Reg(args);
    EXPECT_EQ(outcome.code, 1) << ::testing::PrintToString(args);
    EXPECT_TRUE(outcome.err.starts_with("ERROR: Invalid syntax")) << outcome.err;
  }
  const Outcome help = Reg({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("vexa-reg import FILE.reg"), std::string::npos);
}

}  // namespace
}  // namespace vexa
