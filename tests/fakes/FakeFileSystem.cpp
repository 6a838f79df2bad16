#include "FakeFileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vexa::fakes {
namespace {

class FakeFile : public ExclusiveFile {
 public:
  FakeFile(std::string data, int64_t modified, FaultPlan* faults)
      : data_(std::move(data)), modified_(modified), faults_(faults) {}
  bool Stat(FileInfo* info) override {
    if (faults_->ShouldFail("stat")) return false;
    info->is_directory = false;
    info->size = data_.size();
    info->modified_seconds = modified_;
    return true;
  }
  long Read(char* buffer, size_t size) override {
    if (faults_->ShouldFail("read")) return -1;
    const size_t n = std::min(size, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<long>(n);
  }

 private:
  std::string data_;
  int64_t modified_;
  FaultPlan* faults_;
  size_t pos_ = 0;
};

}  // namespace

std::string FakeFileSystem::Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FakeFileSystem::ListDirectory(const std::string& directory,
                                   const std::function<bool(std::string_view, bool)>& entry) {
  if (faults.ShouldFail("list")) return false;
  auto dir = nodes_.find(directory);
  if (dir == nodes_.end() || !dir->second.is_directory) return false;
  std::vector<std::pair<uint64_t, std::string>> children;
  for (const auto& [path, node] : nodes_) {
    if (Parent(path) == directory) children.emplace_back(node.order, path);
  }
  std::sort(children.begin(), children.end());
  for (const auto& [order, path] : children) {
    if (!entry(std::string_view(path).substr(directory.size() + 1), nodes_[path].is_directory)) break;
  }
  return true;
}

std::unique_ptr<ExclusiveFile> FakeFileSystem::OpenExclusive(const std::string& path) {
  if (faults.ShouldFail("open")) return nullptr;
  auto it = nodes_.find(path);
  if (it == nodes_.end() || it->second.is_directory || held_.count(path)) return nullptr;
  opened.push_back(path);
  return std::make_unique<FakeFile>(it->second.data, it->second.modified_seconds, &faults);
}

bool FakeFileSystem::Stat(const std::string& path, FileInfo* info) {
  if (faults.ShouldFail("stat")) return false;
  auto it = nodes_.find(path);
  if (it == nodes_.end()) return false;
  info->is_directory = it->second.is_directory;
  info->size = it->second.data.size();
  info->modified_seconds = it->second.modified_seconds;
  return true;
}

MoveResult FakeFileSystem::Move(const std::string& from, const std::string& to) {
  if (faults.ShouldFail("move")) return MoveResult::kFailed;
  auto it = nodes_.find(from);
  if (it == nodes_.end()) return MoveResult::kSourceMissing;
  if (nodes_.count(to)) return MoveResult::kTargetExists;
  auto parent = nodes_.find(Parent(to));
  if (parent == nodes_.end() || !parent->second.is_directory) return MoveResult::kFailed;
  Node node = it->second;
  nodes_.erase(it);
  node.order = next_order_++;
  nodes_[to] = node;
  return MoveResult::kMoved;
}

bool FakeFileSystem::Remove(const std::string& path) {
  if (faults.ShouldFail("remove")) return false;
  auto it = nodes_.find(path);
  if (it == nodes_.end() || it->second.is_directory || held_.count(path)) return false;
  nodes_.erase(it);
  return true;
}

bool FakeFileSystem::MakeDirectory(const std::string& path) {
  if (faults.ShouldFail("mkdir")) return false;
  if (nodes_.count(path)) return nodes_[path].is_directory;
  AddDirectory(path);
  return true;
}

bool FakeFileSystem::WriteNewFile(const std::string& path, std::string_view data) {
  if (faults.ShouldFail("write") || nodes_.count(path)) return false;
  auto parent = nodes_.find(Parent(path));
  if (parent == nodes_.end() || !parent->second.is_directory) return false;
  AddFile(path, std::string(data));
  return true;
}

std::string FakeFileSystem::CreateTempFile(const std::string& directory, std::string_view prefix) {
  if (faults.ShouldFail("temp")) return {};
  auto dir = nodes_.find(directory);
  if (dir == nodes_.end() || !dir->second.is_directory) return {};
  for (;;) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", ++temp_counter_ & 0xFFFF);
    const std::string path = directory + "/" + std::string(prefix.substr(0, 3)) + hex + ".TMP";
    if (!nodes_.count(path)) {
      AddFile(path, "");
      return path;
    }
  }
}

void FakeFileSystem::AddFile(const std::string& path, std::string data, int64_t modified_seconds) {
  for (std::string dir = Parent(path); !dir.empty() && !nodes_.count(dir); dir = Parent(dir)) {
    AddDirectory(dir);
  }
  Node& node = nodes_[path];
  node.is_directory = false;
  node.data = std::move(data);
  node.modified_seconds = modified_seconds;
  node.order = next_order_++;
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  const std::string parent = Parent(path);
  if (!parent.empty() && !nodes_.count(parent)) AddDirectory(parent);
  Node& node = nodes_[path];
  node.is_directory = true;
  node.order = next_order_++;
}

std::string FakeFileSystem::Contents(const std::string& path) const {
  auto it = nodes_.find(path);
  return it == nodes_.end() ? std::string() : it->second.data;
}

std::vector<std::string> FakeFileSystem::List(const std::string& directory) const {
  std::vector<std::pair<uint64_t, std::string>> children;
  for (const auto& [path, node] : nodes_) {
    if (Parent(path) == directory) children.emplace_back(node.order, path.substr(directory.size() + 1));
  }
  std::sort(children.begin(), children.end());
  std::vector<std::string> names;
  for (auto& child : children) names.push_back(child.second);
  return names;
}

}  // namespace vexa::fakes
