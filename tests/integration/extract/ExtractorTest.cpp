// The extractor on real files: the export, the container reader over a
// mapping, and the safety of the output files.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Container.h"
#include "Engine.h"
#include "Extract.h"
#include "MessageScanner.h"
#include "PosixFiles.h"
#include "TestText.h"

namespace vexa::extract {
namespace {

namespace fs = std::filesystem;

const std::string M(kRecordMarker);
const std::string E(kEndMarker);

class ExtractorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = (fs::temp_directory_path() / "vexa-extract-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
    out_ = dir_ + "/out/";
    fs::create_directory(out_);
    unsetenv("VEXA_OVERWRITE");
    SetOverwritePrompt(nullptr, nullptr);
  }
  void TearDown() override {
    SetOverwritePrompt(nullptr, nullptr);
    fs::remove_all(dir_);
  }
  std::string Put(const std::string& name, const std::string& data) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // Whether the file system of the test folder grants leases, which is how
  // an open by another program is seen (a lock alone does not see it).
  bool LeasesWork() {
    const int fd = open(Put("probe", "p").c_str(), O_RDONLY);
    const bool granted = fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
    close(fd);
    return granted;
  }
  std::vector<std::string> Outputs() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // The engine with a fixed number for generated names.
  int32_t RunFixed(const std::string& input, bool answer, std::vector<std::string>* questions = nullptr) {
    ExtractEnv env;
    env.files = &files_;
    env.ask = [answer, questions](const std::string& q) {
      if (questions != nullptr) questions->push_back(q);
      return answer;
    };
    env.name_number = [] { return 38; };
    env.written = &written_;
    return RunExtractor(input, out_, env);
  }

  std::string dir_;
  std::string out_;
  PosixOutputFiles files_;
  std::vector<WrittenFile> written_;
};

const std::string kMessage = Crlf(
    "From: John Doe <john.doe@example.com>\n"
    "Content-Type: multipart/mixed; boundary=\"XX\"\n\n"
    "--XX\nContent-Type: text/plain\n\nhello\n"
    "--XX\nContent-Type: application/pdf; name=\"my-report.pdf\"\nContent-Transfer-Encoding: base64\n\nQUJD\n"
    "--XX\nContent-Type: text/plain; name=a.txt\n\nraw\n--XX--\n.\n");

TEST_F(ExtractorTest, MessageThroughTheExport) {
  EXPECT_EQ(Extractor(Put("m.eml", kMessage).c_str(), out_.c_str()), 2);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"a.txt", "myreport.pdf"}));
  EXPECT_EQ(Read(out_ + "myreport.pdf"), "ABC");
  EXPECT_EQ(Read(out_ + "a.txt"), "raw");
}

TEST_F(ExtractorTest, InputThatCannotBeOpened) {
  EXPECT_EQ(Extractor((dir_ + "/missing").c_str(), out_.c_str()), -1);
  EXPECT_EQ(Extractor(nullptr, out_.c_str()), -1);
  EXPECT_EQ(Extractor(dir_.c_str(), out_.c_str()), -1);  // a directory
  // Held open by another program (here: another open of this process).
  if (!LeasesWork()) GTEST_SKIP() << "no leases on this file system";
  const std::string path = Put("busy.eml", kMessage);
  const int other = open(path.c_str(), O_RDONLY);
  EXPECT_EQ(Extractor(path.c_str(), out_.c_str()), -1);
  close(other);
  EXPECT_TRUE(Outputs().empty());
}

TEST_F(ExtractorTest, QuestionThroughTheRegisteredPrompt) {
  const std::string input = Put("m.eml", kMessage);
  Put("out/a.txt", "old");
  struct Seen {
    std::vector<std::string> questions;
    int answer = 0;
  } seen;
  auto prompt = [](const char* question, void* context) {
    auto* s = static_cast<Seen*>(context);
    s->questions.push_back(question);
    return s->answer;
  };
  SetOverwritePrompt(prompt, &seen);
  EXPECT_EQ(Extractor(input.c_str(), out_.c_str()), 1);
  EXPECT_EQ(Read(out_ + "a.txt"), "old");
  ASSERT_EQ(seen.questions.size(), 1u);
  EXPECT_EQ(seen.questions[0], "\"" + out_ + "a.txt\" already exists.  Would you like to overwrite the existing file?\n");
  seen.answer = 1;
  EXPECT_EQ(Extractor(input.c_str(), out_.c_str()), 2);
  EXPECT_EQ(Read(out_ + "a.txt"), "raw");
}

TEST_F(ExtractorTest, WithoutPromptTheAnswerIsNoUnlessThePolicySaysYes) {
  const std::string input = Put("m.eml", kMessage);
  Put("out/a.txt", "old");
  EXPECT_EQ(Extractor(input.c_str(), out_.c_str()), 1);
  EXPECT_EQ(Read(out_ + "a.txt"), "old");
  setenv("VEXA_OVERWRITE", "yes", 1);
  EXPECT_EQ(Extractor(input.c_str(), out_.c_str()), 2);
  EXPECT_EQ(Read(out_ + "a.txt"), "raw");
}

TEST_F(ExtractorTest, LinksAreNeverFollowed) {
  const std::string input = Put("m.eml", kMessage);
  const std::string target = Put("target", "keep");
  fs::create_symlink(target, out_ + "a.txt");
  fs::create_symlink(dir_ + "/nowhere", out_ + "myreport.pdf");
  std::vector<std::string> questions;
  EXPECT_EQ(RunFixed(input, true, &questions), 0);  // Yes to both, and both skipped
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(Read(target), "keep");
  EXPECT_FALSE(fs::exists(dir_ + "/nowhere"));
}

TEST_F(ExtractorTest, OutputThatCannotBeCreatedIsSkipped) {
  const std::string input = Put("m.eml", kMessage);
  fs::create_directory(out_ + "myreport.pdf");  // in the way
  EXPECT_EQ(RunFixed(input, true), 1);
  EXPECT_EQ(Read(out_ + "a.txt"), "raw");
  // An output held open by another program is not taken either.
  if (!LeasesWork()) GTEST_SKIP() << "no leases on this file system";
  const int other = open((out_ + "a.txt").c_str(), O_RDONLY);
  EXPECT_EQ(RunFixed(input, true), 0);
  close(other);
  EXPECT_EQ(Read(out_ + "a.txt"), "raw");
}

TEST_F(ExtractorTest, ContainerHandedOverFromAnyBlock) {
  // The message scan writes h.txt before the second block turns out to be
  // a container: it stays written and is not counted.
  std::string message = Crlf("From: <h@x>\nContent-Type: text/plain; name=h.txt\n\n");
  message += std::string(kBlockSize - message.size(), 'p');
  const std::string input = Put("c.eml", message + M + "m-1.txt" + M + "content" + M + M + "x" + M + E + M);
  EXPECT_EQ(RunFixed(input, false), 2);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"KRTV_38.out", "h.txt", "m1.txt"}));
  EXPECT_EQ(Read(out_ + "m1.txt"), "content");
  ASSERT_EQ(written_.size(), 3u);
  EXPECT_FALSE(written_[0].counted);
}

TEST_F(ExtractorTest, Containers) {
  const struct {
    const char* what;
    std::string data;
    bool answer;
    int32_t count;
    std::vector<std::string> outputs;
    size_t questions;
  } cases[] = {
      {"named and unnamed", "junk" + M + "a.txt" + M + "AAA" + M + M + "BB" + M + E + M, false, 2,
       {"KRTV_38.out", "a.txt"}, 0},
      {"two unnamed in one second: the second is asked about, No",
       M + M + "1" + M + M + "2" + M + E + M, false, 1, {"KRTV_38.out"}, 1},
      {"two unnamed, Yes", M + M + "1" + M + M + "2" + M + E + M, true, 2, {"KRTV_38.out"}, 1},
      {"zero bytes", "", false, 0, {}, 0},
      {"no end marker", M + "a" + M + "A" + M, false, 1, {"a"}, 0},
      {"last member cut off: written, not counted", M + "a" + M + "A" + M + "b" + M + "BB", false, 1,
       {"a", "b"}, 0},
  };
  for (const auto& c : cases) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    const std::string input = Put("c.bin", c.data);
    std::vector<std::string> questions;
    ExtractEnv env;
    env.files = &files_;
    env.ask = [&](const std::string& q) {
      questions.push_back(q);
      return c.answer;
    };
    env.name_number = [] { return 38; };
    EXPECT_EQ(ExtractContainer(input, out_, env), c.count) << c.what;
    EXPECT_EQ(Outputs(), c.outputs) << c.what;
    EXPECT_EQ(questions.size(), c.questions) << c.what;
  }
  EXPECT_EQ(Read(out_ + "b"), "BB");  // from the last case
}

TEST_F(ExtractorTest, ContainersThroughTheExport) {
  Put("out/a.txt", "old");
  const std::string input = Put("c.bin", M + "a.txt" + M + "new" + M + E + M);
  EXPECT_EQ(Extractor(input.c_str(), out_.c_str()), 0);  // no prompt: No
  EXPECT_EQ(Read(out_ + "a.txt"), "old");
  EXPECT_EQ(Extractor(Put("empty.bin", "").c_str(), out_.c_str()), 0);
}

// A mapped file cut short under the reader raises a bus error: the guard
// turns it into a failed read.
TEST_F(ExtractorTest, MappingCutShortIsAFailedRead) {
  const std::string path = Put("big.bin", std::string(1 << 20, 'x'));
  const int fd = open(path.c_str(), O_RDONLY);
  MappedFile mapped;
  ASSERT_TRUE(mapped.Map(fd, 1 << 20));
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  struct Probe {
    const char* at;
    char seen;
  } probe{mapped.data().data() + (1 << 19), 0};
  EXPECT_FALSE(RunGuarded(mapped.data(), [](void* p) {
    auto* pr = static_cast<Probe*>(p);
    pr->seen = *static_cast<const volatile char*>(pr->at);
  }, &probe));
  close(fd);
}

// Writing past the file-size limit raises SIGXFSZ; the export holds it back,
// so the host process lives on and the part is not counted.
TEST_F(ExtractorTest, FileSizeLimitDoesNotEndTheHost) {
  const std::string input = Put("m.eml", Crlf("From: <j@x>\nContent-Type: a/b; name=big.txt\n\n") +
                                             std::string(100000, 'b') + Crlf("\n.\n"));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(Extractor(input.c_str(), out_.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace vexa::extract
