#pragma once
// DNS seam: one PTR query, bypassing any cache, bounded in time.
#include <string>

namespace vexa {

enum class LookupResult { kFound, kNoRecord, kTimedOut, kFailed };

class Resolver {
 public:
  virtual ~Resolver() = default;
  // `name` is a reverse-lookup name ("4.3.2.1.IN-ADDR.ARPA"); on kFound
  // `host` is the first answer's host name.
  virtual LookupResult LookupPtr(const std::string& name, std::string* host) = 0;
};

}  // namespace vexa
