#pragma once
// In-memory output files for the extractor's unit tests.
#include <map>
#include <memory>
#include <set>
#include <string>

#include "Output.h"

namespace vexa::extract {

class FakeOutputFiles : public OutputFiles {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> refused;  // paths that cannot be created

  bool Exists(const std::string& path) override { return files.count(path) > 0; }
  std::unique_ptr<OutputFile> Create(const std::string& path) override {
    if (refused.count(path) > 0) return nullptr;
    std::string* content = &files[path];
    content->clear();
    return std::make_unique<File>(content);
  }

 private:
  class File : public OutputFile {
   public:
    explicit File(std::string* content) : content_(content) {}
    bool Write(std::string_view data) override {
      content_->append(data);
      return true;
    }
    bool Flush() override { return true; }
    bool Close() override { return true; }

   private:
    std::string* content_;
  };
};

// Seams for a scan: fake files, a fixed answer and a fixed number.
struct FakeEnv {
  FakeOutputFiles files;
  bool answer = false;
  std::vector<std::string> questions;
  std::vector<WrittenFile> written;
  ExtractEnv env;

  explicit FakeEnv(int number = 7) {
    env.files = &files;
    env.ask = [this](const std::string& q) {
      questions.push_back(q);
      return answer;
    };
    env.name_number = [number] { return number; };
    env.written = &written;
  }
};

}  // namespace vexa::extract
