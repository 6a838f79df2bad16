#include "Engine.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <vector>

#include "Container.h"
#include "MessageScanner.h"
#include "Names.h"
#include "PosixFiles.h"

namespace vexa::extract {
namespace {

constexpr size_t kReadSize = 128 * kBlockSize;
constexpr size_t kCopyChunk = 1 << 20;

// The reads of a mapped container run under the bus-error guard, in
// functions that hold nothing to destroy.
struct NextMember {
  ContainerParser* parser;
  std::optional<ContainerMember>* member;
};
struct CopyOut {
  char* to;
  const char* from;
  size_t size;
};

bool GuardedNext(std::string_view area, ContainerParser& parser, std::optional<ContainerMember>& member) {
  NextMember call{&parser, &member};
  return RunGuarded(area, [](void* p) {
    auto* c = static_cast<NextMember*>(p);
    *c->member = c->parser->Next();
  }, &call);
}

bool GuardedCopy(std::string_view area, char* to, const char* from, size_t size) {
  CopyOut call{to, from, size};
  return RunGuarded(area, [](void* p) {
    auto* c = static_cast<CopyOut*>(p);
    std::copy_n(c->from, c->size, c->to);
  }, &call);
}

void Record(const ExtractEnv& env, const std::string& path, uint64_t bytes, bool counted) {
  if (env.written != nullptr) env.written->push_back(WrittenFile{path, bytes, counted});
}

// Writes the members one by one; `count` counts those completed.
void WriteMembers(ContainerParser& parser, std::string_view area, const std::string& output_prefix,
                  const ExtractEnv& env, int32_t& count) {
  std::vector<char> chunk;
  for (;;) {
    std::optional<ContainerMember> member;
    if (!GuardedNext(area, parser, member) || !member) break;
    std::string name(member->name.size(), '\0');
    if (!GuardedCopy(area, name.data(), member->name.data(), name.size())) break;
    if (name.empty()) {
      name = GeneratedContainerName(env.name_number());
    } else {
      name = CleanName(name);
      if (!IsUsableName(name)) continue;
    }
    const std::string path = output_prefix + name;
    if (env.files->Exists(path) && !env.ask(OverwriteQuestion(path))) continue;
    std::unique_ptr<OutputFile> out = env.files->Create(path);
    if (out == nullptr) continue;
    bool written_ok = true;
    bool readable = true;
    uint64_t written = 0;
    const std::string_view content = member->content;
    chunk.resize(std::min(kCopyChunk, content.size()));
    for (size_t at = 0; written_ok && readable && at < content.size(); at += chunk.size()) {
      const size_t n = std::min(chunk.size(), content.size() - at);
      readable = GuardedCopy(area, chunk.data(), content.data() + at, n);
      written_ok = readable && out->Write(std::string_view(chunk.data(), n));
      if (written_ok) written += n;
    }
    written_ok = written_ok && out->Flush();
    written_ok = out->Close() && written_ok;
    const bool counted = written_ok && member->complete;
    Record(env, path, written, counted);
    if (counted) ++count;
    if (!readable) break;  // the file was cut short under the mapping
  }
}

}  // namespace

int TimeSeededNumber() { return FirstRandomAfterSeed(static_cast<uint32_t>(std::time(nullptr))); }

int32_t RunExtractor(const std::string& input_path, const std::string& output_prefix, const ExtractEnv& env) {
  InputFile input;
  if (!input.Open(input_path)) return -1;
  std::vector<WrittenFile> scanned;
  ExtractEnv scan_env = env;
  scan_env.written = &scanned;
  MessageScanner scanner(output_prefix, scan_env);
  auto publish = [&](bool counted) {
    if (env.written == nullptr) return;
    for (WrittenFile& f : scanned) {
      f.counted = f.counted && counted;
      env.written->push_back(std::move(f));
    }
  };
  std::vector<char> buffer(kReadSize);
  bool finished = false;
  try {
    while (!finished) {
      const long got = input.Read(buffer.data(), buffer.size());
      if (got <= 0) break;
      // The file is scanned in blocks of 8192 bytes, as read one at a time.
      for (size_t at = 0; at < static_cast<size_t>(got) && !finished; at += kBlockSize) {
        const std::string_view block(buffer.data() + at, std::min(kBlockSize, static_cast<size_t>(got) - at));
        if (block.starts_with(kContainerSignature)) {
          scanner.Finish();
          publish(false);
          input.Close();
          return ExtractContainer(input_path, output_prefix, env);
        }
        finished = scanner.Feed(block) == MessageScanner::Step::kFinished;
      }
    }
  } catch (...) {
    // Out of memory: what is complete stays counted.
  }
  int32_t count;
  try {
    count = scanner.Finish();
  } catch (...) {
    count = scanner.files_written();
  }
  publish(true);
  return count;
}

int32_t ExtractContainer(const std::string& input_path, const std::string& output_prefix, const ExtractEnv& env) {
  InputFile input;
  if (!input.Open(input_path)) return -1;
  if (input.size() == 0) return 0;
  MappedFile mapped;
  if (!mapped.Map(input.fd(), input.size())) return 0;
  const std::string_view area = mapped.data();
  ContainerParser parser(area);
  int32_t count = 0;
  try {
    WriteMembers(parser, area, output_prefix, env, count);
  } catch (...) {
    // Out of memory: what is complete stays counted.
  }
  return count;
}

}  // namespace vexa::extract
