#include "LibUuidSource.h"

#include <dlfcn.h>

namespace vexa {

LibUuidSource::LibUuidSource(EventLog* log, const std::string& library)
    : library_(::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (library_ == nullptr) {
    if (log != nullptr) log->Debug("Error in LoadLibrary");
    return;
  }
  generate_ = reinterpret_cast<Generate>(::dlsym(library_, "uuid_generate_time"));
  unparse_ = reinterpret_cast<Unparse>(::dlsym(library_, "uuid_unparse_lower"));
}

LibUuidSource::~LibUuidSource() {
  if (library_ != nullptr) ::dlclose(library_);
}

int32_t LibUuidSource::Create(Uuid* out) {
  if (generate_ == nullptr) return kUnavailable;
  generate_(out->data());
  return 0;
}

bool LibUuidSource::ToText(const Uuid& uuid, std::string* text) {
  if (unparse_ == nullptr) return false;
  char buffer[37];
  unparse_(uuid.data(), buffer);
  text->assign(buffer, 36);
  return true;
}

}  // namespace vexa
