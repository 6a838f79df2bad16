#pragma once
// Real directories for the content tests: a scratch tree, a tmpfs of its
// own (mounted in a private mount namespace where the test may mount), and
// a directory that refuses new entries.
#include <string>

namespace vexa::testing {

// A fresh directory under the temp directory, removed with all it holds.
class Scratch {
 public:
  explicit Scratch(const std::string& base = "");
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Mounts a tmpfs of `size_bytes` on `directory`, visible to this process
// only; false where mounting is not permitted. Unmounted by destruction.
class PrivateTmpfs {
 public:
  PrivateTmpfs(const std::string& directory, long size_bytes);
  ~PrivateTmpfs();
  PrivateTmpfs(const PrivateTmpfs&) = delete;
  PrivateTmpfs& operator=(const PrivateTmpfs&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string directory_;
  bool mounted_ = false;
};

// Sets or clears the immutable flag of a directory (no entry can be made or
// removed in it, even by root); false where the file system refuses.
bool SetImmutable(const std::string& directory, bool on);

bool SameFileSystem(const std::string& a, const std::string& b);
void WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

}  // namespace vexa::testing
