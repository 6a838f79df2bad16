#include "MessageScanner.h"

#include <gtest/gtest.h>

#include <string>

#include "FakeOutputFiles.h"
#include "TestText.h"

namespace vexa::extract {
namespace {

// Feeds the message in blocks of 8192 bytes, as read from a file.
int32_t Scan(FakeEnv& fake, std::string_view message) {
  MessageScanner scanner("out/", fake.env);
  for (size_t i = 0; i < message.size(); i += kBlockSize) {
    if (scanner.Feed(message.substr(i, kBlockSize)) == MessageScanner::Step::kFinished) break;
  }
  return scanner.Finish();
}

// Inserts filler into the line that `anchor` (which must follow it) ends,
// so that `marker` starts at stream offset `at`.
std::string PlaceAt(std::string message, std::string_view marker, size_t at, std::string_view anchor) {
  const size_t pos = message.find(marker);
  EXPECT_NE(pos, std::string::npos);
  EXPECT_LE(pos, at);
  message.insert(message.find(anchor), at - pos, 'p');
  EXPECT_EQ(message.find(marker), at);
  return message;
}

const std::string kHead = Crlf(
    "From: John Doe <john.doe@example.com>\n"
    "Subject: test\n"
    "Content-Type: multipart/mixed; boundary=\"XX\"\n"
    "\n"
    "preamble\n");

constexpr char kWithZero[] = "From: <j@x>\r\nContent-Type: a/b; name=z.txt\r\n\r\nab\0cd";

TEST(ExtractMessageScanner, MessagesAndTheirFiles) {
  const struct Case {
    const char* what;
    std::string message;
    int32_t count;
    std::map<std::string, std::string> files;
  } cases[] = {
      {"no attachments", Crlf("From: a@b\nSubject: x\n\nhello\n.\n"), 0, {}},
      {"base64 text body, generated name",
       Crlf("From: John <john.doe@x>\nContent-Transfer-Encoding: base64\n\nSGVsbG8=\n\n.\n"), 1,
       {{"out/john_7_0.out", "Hello"}}},
      {"keyword in any case", Crlf("From: <jo@x>\ncontent-transfer-encoding: BASE64\n\nSGk=\n\n"), 1,
       {{"out/jo_7_0.out", "Hi"}}},
      {"sender without angle brackets",
       Crlf("From: jdoe@x\nContent-Transfer-Encoding: base64\n\nSGk=\n\n"), 1,
       {{"out/From: jdoe_7_0.out", "Hi"}}},
      {"keyword without its space: written undecoded",
       Crlf("From: <jo@x>\nContent-Type: text/plain; name=\"a.txt\"\nContent-Transfer-Encoding:base64\n\nSGk=\n.\n"),
       1, {{"out/a.txt", "SGk="}}},
      {"named and generated parts, hyphens removed, raw text up to the delimiter",
       kHead + Crlf("--XX\nContent-Type: text/plain\n\nbody\n"
                    "--XX\nContent-Type: application/pdf; name=\"my-report.pdf\"\n"
                    "Content-Transfer-Encoding: base64\n\nQUJD\nREVG\n\n"
                    "--XX\nContent-Type: text/plain; name=\"a:b.txt\"\n\nraw\nline\n"
                    "--XX\nContent-Transfer-Encoding: base64\n\nSGk=\n\n--XX--\n.\n"),
       3, {{"out/myreport.pdf", "ABCDEF"}, {"out/ab.txt", "raw\r\nline"}, {"out/john_7_0.out", "Hi"}}},
      {"filename= matches name=",
       kHead + Crlf("--XX\nContent-Disposition: attachment; filename=f.txt\n\nF\n--XX--\n"), 1,
       {{"out/f.txt", "F"}}},
      {"quoted-printable written undecoded",
       kHead + Crlf("--XX\nContent-Type: text/plain; name=q.txt\nContent-Transfer-Encoding: quoted-printable\n\n"
                    "a=3Db\n--XX--\n"),
       1, {{"out/q.txt", "a=3Db"}}},
      {"base64 body followed directly by the delimiter",
       kHead + Crlf("--XX\nContent-Type: a/b; name=one.bin\nContent-Transfer-Encoding: base64\n\nQUJD\n"
                    "--XX\nContent-Type: a/b; name=two.bin\nContent-Transfer-Encoding: base64\n\nREVG\n--XX--\n"),
       2, {{"out/one.bin", "ABC"}, {"out/two.bin", "DEF"}}},
      {"blank lines before the data do not end the body",
       kHead + Crlf("--XX\nContent-Type: a/b; name=b.bin\nContent-Transfer-Encoding: base64\n\n\n\nQUJD\n\n--XX--\n"), 1,
       {{"out/b.bin", "ABC"}}},
      {"empty base64 body", kHead + Crlf("--XX\nContent-Transfer-Encoding: base64; name=e\n\n--XX--\n"), 1,
       {{"out/e", ""}}},
      {"nested alternative",
       kHead + Crlf("--XX\nContent-Type: multipart/alternative; boundary=YY\n\n"
                    "--YY\nContent-Type: text/plain\n\nplain\n"
                    "--YY\nContent-Type: text/html\nContent-Transfer-Encoding: base64\n\nPGI+\n\n--YY--\n"
                    "--XX\nContent-Type: a/b; name=after.txt\n\nafter\n--XX--\n"),
       2, {{"out/john_7_0.out", "<b>"}, {"out/after.txt", "after"}}},
      {"inner boundary equal to the outer one",
       kHead + Crlf("--XX\nContent-Type: multipart/alternative; boundary=XX\n\n"
                    "--XX\nContent-Type: a/b; name=in.txt\n\nin\n--XX--\n--XX--\n"),
       1, {{"out/in.txt", "in"}}},
      {"inner boundary a prefix of the outer one",
       Crlf("From: <j@x>\nContent-Type: multipart/mixed; boundary=XXY\n\n"
            "--XXY\nContent-Type: multipart/alternative; boundary=XX\n\n"
            "--XX\nContent-Type: a/b; name=in.txt\n\nin\n--XX--\n--XXY--\n"),
       1, {{"out/in.txt", "in"}}},
      {"single part named, up to the end-of-message line",
       Crlf("From: <j@x>\nContent-Type: text/plain; name=s.txt\n\nline one\nline two\n.\n"), 1,
       {{"out/s.txt", "line one\r\nline two"}}},
      {"input ends inside a body: kept, not counted",
       kHead + Crlf("--XX\nContent-Type: a/b; name=cut.bin\nContent-Transfer-Encoding: base64\n\nQUJD\nREVG"), 0,
       {{"out/cut.bin", "ABCDEF"}}},
      {"names that are no file names are skipped",
       kHead + Crlf("--XX\nContent-Type: a/b; name=\"\"\n\nx\n--XX\nContent-Type: a/b; name=\"..\"\n\ny\n"
                    "--XX\nContent-Type: a/b; name=\"../x.txt\"\n\nz\n--XX--\n"),
       1, {{"out/..x.txt", "z"}}},
      {"multipart without a boundary", Crlf("From: <j@x>\nContent-Type: multipart/mixed\n\nbody\n.\n"), 0, {}},
      {"a zero byte ends the block's text",
       std::string(kWithZero, sizeof kWithZero - 1), 0, {{"out/z.txt", "ab"}}},
  };
  for (const Case& c : cases) {
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, c.message), c.count) << c.what;
    EXPECT_EQ(fake.files.files, c.files) << c.what;
  }
}

TEST(ExtractMessageScanner, OverwriteQuestion) {
  const std::string message =
      kHead + Crlf("--XX\nContent-Type: a/b; name=old.txt\n\nnew\n--XX\nContent-Transfer-Encoding: base64\n\nSGk=\n\n--XX--\n");
  for (bool yes : {false, true}) {
    FakeEnv fake;
    fake.answer = yes;
    fake.files.files["out/old.txt"] = "old";
    fake.files.files["out/john_7_0.out"] = "earlier";
    EXPECT_EQ(Scan(fake, message), yes ? 2 : 1);
    EXPECT_EQ(fake.files.files["out/old.txt"], yes ? "new" : "old");
    EXPECT_EQ(fake.files.files["out/john_7_0.out"], "Hi");  // generated names are not asked about
    EXPECT_EQ(fake.questions,
              std::vector<std::string>{"\"out/old.txt\" already exists.  Would you like to overwrite the existing file?\n"});
  }
}

TEST(ExtractMessageScanner, FileThatCannotBeCreatedIsSkipped) {
  FakeEnv fake;
  fake.files.refused.insert("out/a.txt");
  const std::string message =
      kHead + Crlf("--XX\nContent-Type: a/b; name=a.txt\n\naaa\n--XX\nContent-Type: a/b; name=b.txt\n\nbbb\n--XX--\n");
  EXPECT_EQ(Scan(fake, message), 1);
  EXPECT_EQ(fake.files.files, (std::map<std::string, std::string>{{"out/b.txt", "bbb"}}));
}

TEST(ExtractMessageScanner, GeneratedNamesCountUp) {
  FakeEnv fake;
  const std::string message = kHead + Crlf("--XX\nContent-Transfer-Encoding: base64\n\nQQ==\n\n"
                                           "--XX\nContent-Transfer-Encoding: base64\n\nQg==\n\n--XX--\n");
  EXPECT_EQ(Scan(fake, message), 2);
  EXPECT_EQ(fake.files.files, (std::map<std::string, std::string>{{"out/john_7_0.out", "A"}, {"out/john_7_1.out", "B"}}));
}

// Lines longer than a block decode whole.
TEST(ExtractMessageScanner, LongBase64Line) {
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string encoded = Base64Encode(data);
  FakeEnv fake;
  EXPECT_EQ(Scan(fake, kHead + Crlf("--XX\nContent-Transfer-Encoding: base64; name=l\n\n") + encoded +
                           Crlf("\n--XX--\n")),
            1);
  EXPECT_EQ(fake.files.files["out/l"], data);
}

// Markers cut by the border of two blocks are found whole.
TEST(ExtractMessageScanner, MarkersAcrossTheBlockBorder) {
  {
    // The blank line that ends a base64 body; what follows it is not data.
    std::string m = Crlf("From: <j@x>\nContent-Transfer-Encoding: base64\nX-Pad: \n\nQUJD\n\nZZZZ\n");
    m = PlaceAt(m, "\r\n\r\nZZZZ", kBlockSize - 2, "\r\n\r\nQUJD");
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, m), 1);
    EXPECT_EQ(fake.files.files["out/j_7_0.out"], "ABC");
  }
  {
    // The delimiter after a raw part.
    std::string m = kHead + Crlf("--XX\nContent-Type: a/b; name=r.txt\n\nraw\n--XX\nContent-Type: a/b; name=n.txt\n\nn\n--XX--\n");
    m = PlaceAt(m, "--XX\r\nContent-Type: a/b; name=n", kBlockSize - 2, "\r\n--XX\r\nContent-Type: a/b; name=r");
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, m), 2);
    EXPECT_EQ(fake.files.files["out/r.txt"], "raw");
    EXPECT_EQ(fake.files.files["out/n.txt"], "n");
  }
  {
    // The closing delimiter of a nested level.
    std::string m = kHead + Crlf("--XX\nContent-Type: multipart/alternative; boundary=YY\n\n--YY\n\nt\n--YY--\n"
                                 "--XX\nContent-Type: a/b; name=o.txt\n\no\n--XX--\n");
    m = PlaceAt(m, "--\r\n--XX\r\nContent-Type: a/b; name=o", kBlockSize, "\r\n--XX\r\nContent-Type: multipart");
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, m), 1);
    EXPECT_EQ(fake.files.files["out/o.txt"], "o");
  }
  {
    // The boundary of a message header longer than a block.
    std::string m = Crlf("From: <j@x>\nX-Pad: \nContent-Type: multipart/mixed;\n boundary=\"LONGBOUNDARY\"\n\n"
                         "--LONGBOUNDARY\nContent-Type: a/b; name=h.txt\n\nh\n--LONGBOUNDARY--\n");
    m = PlaceAt(m, "BOUNDARY\"", kBlockSize, "\r\nContent-Type: multipart");
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, m), 1);
    EXPECT_EQ(fake.files.files["out/h.txt"], "h");
  }
  {
    // The end-of-message line after a raw single part.
    std::string m = Crlf("From: <j@x>\nContent-Type: a/b; name=s.txt\n\nabc\n.\n");
    m = PlaceAt(m, ".\r\n", kBlockSize, "\r\nContent-Type: a/b");
    FakeEnv fake;
    EXPECT_EQ(Scan(fake, m), 1);
    EXPECT_EQ(fake.files.files["out/s.txt"], "abc");
  }
}

// Deeper than the stack: the sixth level is an ordinary part, and the
// scan goes on past it.
TEST(ExtractMessageScanner, NestingDeeperThanTheStack) {
  std::string m = Crlf("From: <j@x>\nContent-Type: multipart/mixed; boundary=B0\n\n");
  for (int level = 1; level <= 6; ++level) {
    m += Crlf("--B" + std::to_string(level - 1) + "\nContent-Type: multipart/mixed; boundary=B" +
              std::to_string(level) + "\n\n");
  }
  m += Crlf("--B6\nContent-Type: a/b; name=deep.txt\n\nd\n--B6--\n");
  for (int level = 5; level >= 0; --level) m += Crlf("--B" + std::to_string(level) + "--\n");
  FakeEnv fake;
  Scan(fake, m);
  EXPECT_EQ(fake.files.files.count("out/deep.txt"), 0u);
}

TEST(ExtractMessageScanner, SenderName) {
  const struct {
    const char* header;
    const char* sender;
  } cases[] = {
      {"From: John Doe <john.doe@example.com>\r\n\r\n", "john"},
      {"FROM: <jd@example.com>\r\n\r\n", "jd"},
      {"From: jdoe@example.com\r\n\r\n", "From: jdoe"},
      {"Subject: x\r\n\r\n", ""},
  };
  for (const auto& c : cases) {
    FakeEnv fake;
    MessageScanner scanner("out/", fake.env);
    scanner.Feed(c.header);
    EXPECT_EQ(scanner.sender(), c.sender) << c.header;
  }
}

}  // namespace
}  // namespace vexa::extract
