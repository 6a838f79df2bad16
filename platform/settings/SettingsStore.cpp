#include "SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "KeyFile.h"
#include "KeyPath.h"
#include "StoreFiles.h"

namespace vexa {
namespace {

constexpr char kValuesFile[] = ".values";
constexpr char kLockFile[] = ".lock";
// A change that keeps finding its key deleted and made again gives up.
constexpr int kChangeAttempts = 20;

StoreResult Fail(StoreResult::Code code, std::string message) { return {code, std::move(message)}; }

StoreResult IoFail(const std::string& path, int err) {
  return Fail(StoreResult::kIoError, path + ": " + std::strerror(err));
}

// The name a key was created with; the decoded directory name when its
// file is damaged.
std::string KeyNameAt(const std::string& dir) {
  std::string bytes;
  KeyFile file;
  if (ReadWholeFile(dir + "/" + kValuesFile, &bytes) == 0) DecodeKeyFile(bytes, &file);
  if (!file.name.empty()) return file.name;
  return KeyNameFromFileName(dir.substr(dir.rfind('/') + 1));
}

// Holds a key's lock for the life of the object.
class KeyLock {
 public:
  ~KeyLock() {
    if (fd_ >= 0) close(fd_);
  }
  // 0 when locked, else the errno of opening the lock file (ENOENT: the key
  // does not exist); ESTALE when the key was deleted or replaced while this
  // waited for the lock.
  int Lock(const std::string& dir) {
    const std::string path = dir + "/" + kLockFile;
    fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC | O_CREAT, 0644);
    if (fd_ < 0) return errno;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) return errno;
    }
    return NamesOpenFile(path, fd_) ? 0 : ESTALE;
  }

 private:
  int fd_ = -1;
};

}  // namespace

struct SettingsStore::KeyDir {
  std::vector<std::string> names;  // as the caller spelled them
  std::vector<std::string> dirs;   // the root, then one directory per name
  const std::string& path() const { return dirs.back(); }
};

SettingsStore::SettingsStore(std::string root) : root_(std::move(root)) {}

StoreResult SettingsStore::Resolve(std::string_view key, KeyDir* dir) const {
  if (!SplitKeyPath(key, &dir->names)) {
    return Fail(StoreResult::kInvalid, "invalid key name: " + std::string(key));
  }
  dir->dirs = {root_};
  for (const std::string& name : dir->names)
    dir->dirs.push_back(dir->path() + "/" + KeyFileName(name));
  return {};
}

SettingsStatus SettingsStore::Read(std::string_view key, std::string_view name, RegValue* value) {
  KeyDir dir;
  if (!Resolve(key, &dir).ok()) return SettingsStatus::kKeyMissing;
  std::string bytes;
  const int err = ReadWholeFile(dir.path() + "/" + kValuesFile, &bytes);
  if (err == ENOENT || err == ENOTDIR) {
    return IsDirectory(dir.path()) ? SettingsStatus::kValueUnreadable : SettingsStatus::kKeyMissing;
  }
  if (err == EACCES) return SettingsStatus::kKeyMissing;
  if (err != 0) return SettingsStatus::kValueUnreadable;
  KeyFile file;
  DecodeKeyFile(bytes, &file);
  const NamedValue* found = file.Find(name);
  if (found == nullptr) return SettingsStatus::kValueUnreadable;
  *value = found->value;
  return SettingsStatus::kOk;
}

bool SettingsStore::KeyExists(std::string_view key) const {
  KeyDir dir;
  return Resolve(key, &dir).ok() && IsDirectory(dir.path());
}

// Each missing level is made complete in a temporary directory and renamed
// into place, so no reader or writer ever sees a key without its file; when
// another process wins the race, its key is used.
StoreResult SettingsStore::MakeKey(const KeyDir& dir) {
  std::error_code ec;
  std::filesystem::create_directories(root_, ec);
  if (ec) return IoFail(root_, ec.value());
  for (size_t i = 0; i < dir.names.size(); ++i) {
    const std::string& parent = dir.dirs[i];
    const std::string& target = dir.dirs[i + 1];
    if (IsDirectory(target)) continue;
    const std::string temp = parent + "/" + UniqueName(".new-");
    if (mkdir(temp.c_str(), 0755) != 0) return IoFail(temp, errno);
    int err = ReplaceFile(temp, kValuesFile, EncodeKeyFile(KeyFile{dir.names[i], {}}));
    if (err == 0 && rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
      RemoveTree(temp);
      if ((err == EEXIST || err == ENOTEMPTY) && IsDirectory(target)) continue;
      return IoFail(target, err);
    }
    if ((err = SyncDirectory(parent)) != 0) return IoFail(parent, err);
  }
  return {};
}

template <class Edit>
StoreResult SettingsStore::Change(std::string_view key, bool create, Edit edit) {
  KeyDir dir;
  if (StoreResult r = Resolve(key, &dir); !r.ok()) return r;
  if (dir.names.empty())
    return Fail(StoreResult::kInvalid, "HKEY_LOCAL_MACHINE itself holds no values");
  for (int attempt = 0; attempt < kChangeAttempts; ++attempt) {
    if (create) {
      if (StoreResult r = MakeKey(dir); !r.ok()) return r;
    }
    KeyLock lock;
    const int err = lock.Lock(dir.path());
    if (err == ESTALE || (err == ENOENT && create)) continue;
    if (err == ENOENT || err == ENOTDIR) {
      return Fail(StoreResult::kNotFound, "key not found: " + std::string(key));
    }
    if (err != 0) return IoFail(dir.path() + "/" + kLockFile, err);

    const std::string values_path = dir.path() + "/" + kValuesFile;
    std::string bytes;
    KeyFile file;
    const int read_err = ReadWholeFile(values_path, &bytes);
    if (read_err == ENOENT) {
      file.name = dir.names.back();
    } else if (read_err != 0) {
      return IoFail(values_path, read_err);
    } else if (!DecodeKeyFile(bytes, &file)) {
      return Fail(StoreResult::kDamaged,
                  values_path + ": damaged; delete the key and write it again");
    }
    if (StoreResult r = edit(file); !r.ok()) return r;
    if (const int write_err = ReplaceFile(dir.path(), kValuesFile, EncodeKeyFile(file))) {
      return IoFail(values_path, write_err);
    }
    return {};
  }
  return Fail(StoreResult::kIoError,
              "key keeps being deleted while it is written: " + std::string(key));
}

StoreResult SettingsStore::CreateKey(std::string_view key) {
  KeyDir dir;
  if (StoreResult r = Resolve(key, &dir); !r.ok()) return r;
  return MakeKey(dir);
}

StoreResult SettingsStore::SetValues(std::string_view key, const std::vector<NamedValue>& values) {
  return Change(key, true, [&](KeyFile& file) {
    for (const NamedValue& v : values) {
      if (NamedValue* existing = file.Find(v.name)) {
        existing->value = v.value;
      } else {
        file.values.push_back(v);
      }
    }
    return StoreResult{};
  });
}

StoreResult SettingsStore::DeleteValue(std::string_view key, std::string_view name) {
  return Change(key, false, [&](KeyFile& file) {
    const NamedValue* found = file.Find(name);
    if (found == nullptr)
      return Fail(StoreResult::kNotFound, "value not found: " + std::string(name));
    file.values.erase(file.values.begin() + (found - file.values.data()));
    return StoreResult{};
  });
}

// The key is renamed out of sight under its lock, then removed at leisure.
StoreResult SettingsStore::DeleteKey(std::string_view key) {
  KeyDir dir;
  if (StoreResult r = Resolve(key, &dir); !r.ok()) return r;
  if (dir.names.empty()) return Fail(StoreResult::kInvalid, "HKEY_LOCAL_MACHINE cannot be deleted");
  const std::string& parent = dir.dirs[dir.dirs.size() - 2];
  const std::string doomed = parent + "/" + UniqueName(".deleted-");
  for (int attempt = 0;; ++attempt) {
    if (attempt == kChangeAttempts) {
      return Fail(StoreResult::kIoError,
                  "key keeps being replaced while it is deleted: " + std::string(key));
    }
    KeyLock lock;
    const int err = lock.Lock(dir.path());
    if (err == ESTALE) continue;
    if (err == ENOENT || err == ENOTDIR) {
      return Fail(StoreResult::kNotFound, "key not found: " + std::string(key));
    }
    if (err != 0) return IoFail(dir.path() + "/" + kLockFile, err);
    if (rename(dir.path().c_str(), doomed.c_str()) != 0) return IoFail(dir.path(), errno);
    break;
  }
  if (const int err = SyncDirectory(parent)) return IoFail(parent, err);
  if (const int err = RemoveTree(doomed)) return IoFail(doomed, err);
  return {};
}

StoreResult SettingsStore::List(std::string_view key, KeyListing* listing) const {
  *listing = KeyListing{};
  KeyDir dir;
  if (StoreResult r = Resolve(key, &dir); !r.ok()) return r;
  if (!IsDirectory(dir.path()))
    return Fail(StoreResult::kNotFound, "key not found: " + std::string(key));
  for (size_t i = 1; i < dir.dirs.size(); ++i) {
    if (i > 1) listing->path += '\\';
    listing->path += KeyNameAt(dir.dirs[i]);
  }

  StoreResult result;
  if (!dir.names.empty()) {
    const std::string values_path = dir.path() + "/" + kValuesFile;
    std::string bytes;
    KeyFile file;
    const int err = ReadWholeFile(values_path, &bytes);
    if (err != 0 && err != ENOENT) {
      result = IoFail(values_path, err);
    } else if (err == 0 && !DecodeKeyFile(bytes, &file)) {
      result = Fail(StoreResult::kDamaged, values_path + ": damaged; some values are lost");
    }
    listing->values = std::move(file.values);
  }

  DIR* d = opendir(dir.path().c_str());
  if (d == nullptr) return IoFail(dir.path(), errno);
  while (const dirent* entry = readdir(d)) {
    if (entry->d_name[0] == '.') continue;
    const std::string child = dir.path() + "/" + entry->d_name;
    if (IsDirectory(child)) listing->subkeys.push_back(KeyNameAt(child));
  }
  closedir(d);
  std::sort(listing->subkeys.begin(), listing->subkeys.end(),
            [](const std::string& a, const std::string& b) { return RegistryLess(a, b); });
  return result;
}

}  // namespace vexa
