#pragma once
// The directory seam: what the queries need of the domain's directory.
// It follows the shape of a bound searcher with search handles, rows and
// columns, so that each query step has one call whose status the query can
// hand back unchanged. Texts are UTF-8 as the directory holds them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Status.h"

namespace vexa::directory {

// One running search (a search handle); closed when destroyed.
class Search {
 public:
  virtual ~Search() = default;
  // kOk for a row, kNoMoreRows at the end or at a page boundary (then
  // LastError() is kErrorMoreData when another page follows), negative on
  // failure.
  virtual HResult GetNextRow() = 0;
  // All values of `attribute` (name compared without regard to case) of
  // the current row; kColumnNotSet when the row lacks it.
  virtual HResult GetColumn(std::string_view attribute, std::vector<std::string>* values) = 0;
  // The distinguished name of the current row (what ADsPath names).
  virtual std::string RowDn() const = 0;
  // The extended error of the last step.
  virtual uint32_t LastError() const = 0;
  // Tells the server to stop sending rows.
  virtual void Abandon() = 0;
};

// The values of one looked-up member; `found` is false when the member is
// not a user object. Values are empty for attributes the user lacks.
struct MemberRow {
  bool found = false;
  std::vector<std::vector<std::string>> values;  // one list per attribute asked
};

// An object of the directory bound for searching (the whole subtree below
// it).
class Searcher {
 public:
  virtual ~Searcher() = default;
  virtual void SetPageSize(int rows) = 0;
  virtual HResult ExecuteSearch(std::string_view filter, const std::vector<std::string>& attributes,
                                std::unique_ptr<Search>* search) = 0;
  // Looks up the user objects named by `member_dns`, the member list of the
  // group `group_dn`, as one search each of
  // "(&(objectcategory=user)(distinguishedName=<dn>))" would; rows come back
  // in the order of `member_dns`. Implementations may batch the lookups.
  virtual void LookupUsers(std::string_view group_dn, const std::vector<std::string>& member_dns,
                           const std::vector<std::string>& attributes,
                           std::vector<MemberRow>* rows) = 0;
};

class Directory {
 public:
  virtual ~Directory() = default;
  // The DNS name of the computer's own domain; 0 or a Win32 error.
  virtual uint32_t LocateDomain(std::string* domain) = 0;
  // Binds "LDAP://<domain>" or "LDAP://<domain>/<dn>".
  virtual HResult Bind(std::string_view path, std::unique_ptr<Searcher>* searcher) = 0;
};

}  // namespace vexa::directory
