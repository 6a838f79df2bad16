#pragma once
// The seams of the extractor: where output files go, who answers the
// overwrite question, and where the number of generated names comes from.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexa::extract {

// One output file, open for writing; closed by Close() or destruction.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // False when the data could not be written (the rest of the part is
  // dropped and the file is not counted).
  virtual bool Write(std::string_view data) = 0;
  // Writes out what is buffered and makes it durable.
  virtual bool Flush() = 0;
  virtual bool Close() = 0;
};

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;
  // True when something of that name exists (a dangling link included).
  virtual bool Exists(const std::string& path) = 0;
  // Creates or truncates the file without following a link at `path` and
  // without sharing it; null when that is not possible.
  virtual std::unique_ptr<OutputFile> Create(const std::string& path) = 0;
};

// A file the call wrote, in the order written.
struct WrittenFile {
  std::string path;
  uint64_t bytes = 0;
  bool counted = false;  // part of the result
};

struct ExtractEnv {
  OutputFiles* files = nullptr;
  // Answers the overwrite question; true: overwrite.
  std::function<bool(const std::string& question)> ask;
  // The pseudo-random number of generated names, drawn once per name.
  std::function<int()> name_number;
  // Filled with every file written, when set.
  std::vector<WrittenFile>* written = nullptr;
};

}  // namespace vexa::extract
