// vexa-extract: writes the attachments of a mail message, or the members of
// a container file, to files under an output prefix, as the library's
// Extractor export does; prints the count of files completed.
#include <nettle/sha2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Engine.h"
#include "PosixFiles.h"

namespace {

using vexa::extract::OutputFile;
using vexa::extract::OutputFiles;
using vexa::extract::WrittenFile;

constexpr const char* kUsage =
    "usage: vexa-extract INPUT PREFIX [--overwrite=ask|yes|no] [--random=N] [--manifest]\n"
    "\n"
    "Writes the attachments of the mail message INPUT (or the members of a\n"
    "container file) to files named PREFIX + name, and prints the count of\n"
    "files completed (-1: INPUT cannot be opened).\n"
    "\n"
    "  --overwrite=ask   ask on the terminal before overwriting a file (default;\n"
    "                    without a terminal the answer is no)\n"
    "  --overwrite=yes   overwrite existing files\n"
    "  --overwrite=no    keep existing files (the part is skipped)\n"
    "  --random=N        use N as the number in generated names\n"
    "  --manifest        print one JSON line per file written: name, path,\n"
    "                    bytes, sha256 and whether it counts\n";

struct Digest {
  std::string path;
  uint64_t bytes = 0;
  std::string sha256;
};

// Hashes what is written, for the manifest.
class HashingFile : public OutputFile {
 public:
  HashingFile(std::unique_ptr<OutputFile> inner, std::string path, std::vector<Digest>* digests)
      : inner_(std::move(inner)), digests_(digests) {
    digest_.path = std::move(path);
    sha256_init(&ctx_);
  }
  ~HashingFile() override { Close(); }
  bool Write(std::string_view data) override {
    if (!inner_->Write(data)) return false;
    sha256_update(&ctx_, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
    digest_.bytes += data.size();
    return true;
  }
  bool Flush() override { return inner_->Flush(); }
  bool Close() override {
    if (closed_) return ok_;
    closed_ = true;
    ok_ = inner_->Close();
    uint8_t raw[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx_, sizeof raw, raw);
    static const char* hex = "0123456789abcdef";
    for (uint8_t b : raw) {
      digest_.sha256.push_back(hex[b >> 4]);
      digest_.sha256.push_back(hex[b & 15]);
    }
    digests_->push_back(digest_);
    return ok_;
  }

 private:
  std::unique_ptr<OutputFile> inner_;
  std::vector<Digest>* digests_;
  Digest digest_;
  sha256_ctx ctx_;
  bool closed_ = false;
  bool ok_ = false;
};

class HashingFiles : public OutputFiles {
 public:
  explicit HashingFiles(OutputFiles* inner) : inner_(inner) {}
  bool Exists(const std::string& path) override { return inner_->Exists(path); }
  std::unique_ptr<OutputFile> Create(const std::string& path) override {
    auto file = inner_->Create(path);
    if (file == nullptr) return nullptr;
    return std::make_unique<HashingFile>(std::move(file), path, &digests);
  }
  std::vector<Digest> digests;

 private:
  OutputFiles* inner_;
};

bool AskTerminal(const std::string& question) {
  FILE* tty = std::fopen("/dev/tty", "r+");
  if (tty == nullptr) return false;
  std::fprintf(tty, "%s[y/N] ", question.c_str());
  std::fflush(tty);
  char line[64] = {0};
  const bool yes = std::fgets(line, sizeof line, tty) != nullptr && (line[0] == 'y' || line[0] == 'Y');
  std::fclose(tty);
  return yes;
}

// JSON string of a byte string: bytes above 0x7f stand for the characters
// of the same number.
std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

int Usage(FILE* to, int status) {
  std::fputs(kUsage, to);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  std::string overwrite = "ask";
  bool manifest = false;
  bool fixed_number = false;
  int number = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") return Usage(stdout, 0);
    if (arg.starts_with("--overwrite=")) {
      overwrite = std::string(arg.substr(12));
      if (overwrite != "ask" && overwrite != "yes" && overwrite != "no") return Usage(stderr, 2);
    } else if (arg.starts_with("--random=")) {
      char* end = nullptr;
      const long n = std::strtol(argv[i] + 9, &end, 10);
      if (end == argv[i] + 9 || *end != '\0' || n < 0 || n > 2147483647L) return Usage(stderr, 2);
      number = static_cast<int>(n);
      fixed_number = true;
    } else if (arg == "--manifest") {
      manifest = true;
    } else if (arg.starts_with("--")) {
      return Usage(stderr, 2);
    } else {
      positional.emplace_back(arg);
    }
  }
  if (positional.size() != 2) return Usage(stderr, 2);

  vexa::extract::PosixOutputFiles disk;
  HashingFiles hashing(&disk);
  std::vector<WrittenFile> written;
  vexa::extract::ExtractEnv env;
  env.files = manifest ? static_cast<OutputFiles*>(&hashing) : &disk;
  if (overwrite == "ask") {
    env.ask = AskTerminal;
  } else {
    const bool yes = overwrite == "yes";
    env.ask = [yes](const std::string&) { return yes; };
  }
  if (fixed_number) {
    env.name_number = [number] { return number; };
  } else {
    env.name_number = vexa::extract::TimeSeededNumber;
  }
  env.written = &written;

  const int32_t result = vexa::extract::RunExtractor(positional[0], positional[1], env);
  if (manifest) {
    // Both lists hold the files in the order they were closed.
    for (size_t i = 0; i < written.size() && i < hashing.digests.size(); ++i) {
      const WrittenFile& w = written[i];
      const Digest& d = hashing.digests[i];
      const std::string name = w.path.substr(std::min(w.path.size(), positional[1].size()));
      std::printf("{\"name\":%s,\"path\":%s,\"bytes\":%llu,\"sha256\":\"%s\",\"counted\":%s}\n",
                  JsonString(name).c_str(), JsonString(w.path).c_str(),
                  static_cast<unsigned long long>(d.bytes), d.sha256.c_str(), w.counted ? "true" : "false");
    }
  }
  std::printf("%d\n", result);
  return result < 0 ? 1 : 0;
}
