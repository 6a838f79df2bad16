#pragma once
// In-memory file system. Entries list in creation order; a path can be
// marked as held open by another process. Fault kinds: "list", "open",
// "stat", "read", "move", "remove", "mkdir", "write", "temp".
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FaultPlan.h"
#include "FileSystem.h"

namespace vexa::fakes {

class FakeFileSystem : public FileSystem {
 public:
  bool ListDirectory(const std::string& directory,
                     const std::function<bool(std::string_view, bool)>& entry) override;
  std::unique_ptr<ExclusiveFile> OpenExclusive(const std::string& path) override;
  bool Stat(const std::string& path, FileInfo* info) override;
  MoveResult Move(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool MakeDirectory(const std::string& path) override;
  bool WriteNewFile(const std::string& path, std::string_view data) override;
  std::string CreateTempFile(const std::string& directory, std::string_view prefix) override;

  // Test helpers.
  void AddFile(const std::string& path, std::string data, int64_t modified_seconds = 1'700'000'000);
  void AddDirectory(const std::string& path);
  bool Exists(const std::string& path) const { return nodes_.count(path) != 0; }
  std::string Contents(const std::string& path) const;
  std::vector<std::string> List(const std::string& directory) const;
  void HoldOpen(const std::string& path) { held_.insert(path); }
  void Release(const std::string& path) { held_.erase(path); }

  FaultPlan faults;
  std::vector<std::string> opened;  // every successful exclusive open, in order

 private:
  struct Node {
    bool is_directory = false;
    std::string data;
    int64_t modified_seconds = 0;
    uint64_t order = 0;
  };
  static std::string Parent(const std::string& path);
  std::map<std::string, Node> nodes_;
  std::set<std::string> held_;
  uint64_t next_order_ = 0;
  unsigned temp_counter_ = 0;
};

}  // namespace vexa::fakes
