#include "Queries.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "HostText.h"

namespace vexa::directory {
namespace {

constexpr int kPageSize = 1000;

void AppendEntry(const std::string& entry, std::string* text) {
  if (!text->empty()) *text += ',';
  *text += entry;
}

// An entry is the first value of each attribute, in host text, joined by
// ":"; false when a value is missing.
bool MakeEntry(const std::vector<std::vector<std::string>>& values, std::string* entry) {
  entry->clear();
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].empty()) return false;
    if (i > 0) *entry += ':';
    *entry += ToHostText(values[i].front());
  }
  return true;
}

// Reads the rows of `search` page by page and appends the entry of each row
// that has every attribute. A failure while reading ends the loop; what was
// gathered stays.
void ReadRows(Search& search, const std::vector<std::string>& attributes, std::string* text) {
  std::vector<std::vector<std::string>> values(attributes.size());
  std::string entry;
  for (HResult hr = search.GetNextRow(); hr >= 0; hr = search.GetNextRow()) {
    if (hr == kOk) {
      bool complete = true;
      for (size_t i = 0; i < attributes.size() && complete; ++i) {
        complete = search.GetColumn(attributes[i], &values[i]) == kOk;
      }
      if (complete && MakeEntry(values, &entry)) AppendEntry(entry, text);
    } else if (hr != kNoMoreRows || search.LastError() != kErrorMoreData) {
      break;
    }
  }
}

// The first value of a column; kColumnNotSet when there is none.
HResult FirstValue(Search& search, std::string_view attribute, std::string* value) {
  std::vector<std::string> values;
  const HResult hr = search.GetColumn(attribute, &values);
  if (hr != kOk) return hr;
  if (values.empty()) return kColumnNotSet;
  *value = std::move(values.front());
  return kOk;
}

}  // namespace

uint32_t Queries::LocateDomain() {
  if (!domain_.empty()) return 0;
  std::string domain;
  const uint32_t error = directory_.LocateDomain(&domain);
  if (error != 0) return error;
  if (domain.empty()) return kErrorNoSuchDomain;
  domain_ = std::move(domain);
  return 0;
}

std::string Queries::RootPath() const { return "LDAP://" + domain_; }

int32_t Queries::FindUnit(std::string_view unit, std::string* dn) {
  std::unique_ptr<Searcher> searcher;
  HResult hr = directory_.Bind(RootPath(), &searcher);
  if (hr != kOk) return hr;
  std::unique_ptr<Search> search;
  hr = searcher->ExecuteSearch(
      "(&(objectclass=organizationalUnit)(name=" + FromHostText(unit) + "))",
      {"distinguishedName"}, &search);
  if (hr != kOk) return hr;
  hr = search->GetNextRow();
  if (hr != kOk) return hr;
  hr = FirstValue(*search, "distinguishedName", dn);
  if (hr != kOk) search->Abandon();
  return hr;
}

int32_t Queries::Groups(std::string_view unit, std::string* text) {
  if (const uint32_t error = LocateDomain()) return static_cast<int32_t>(error);
  std::string base = RootPath();
  if (!unit.empty()) {
    std::string dn;
    const int32_t status = FindUnit(unit, &dn);
    if (status != kOk) return status;
    base += "/" + dn;
  }
  std::unique_ptr<Searcher> searcher;
  HResult hr = directory_.Bind(base, &searcher);
  if (hr != kOk) return hr;
  searcher->SetPageSize(kPageSize);
  const std::vector<std::string> attributes{"name"};
  std::unique_ptr<Search> search;
  hr = searcher->ExecuteSearch("(objectclass=group)", attributes, &search);
  if (hr != kOk) return hr;
  ReadRows(*search, attributes, text);
  return 0;
}

int32_t Queries::UsersInGroup(std::string_view group, std::string* text) {
  return Members(group, false, text);
}

int32_t Queries::MailUsersInGroup(std::string_view group, std::string* text) {
  return Members(group, true, text);
}

int32_t Queries::Members(std::string_view group, bool with_mail, std::string* text) {
  if (const uint32_t error = LocateDomain()) return static_cast<int32_t>(error);
  std::unique_ptr<Searcher> searcher;
  HResult hr = directory_.Bind(RootPath(), &searcher);
  if (hr != kOk) return hr;
  searcher->SetPageSize(kPageSize);
  const std::vector<std::string> attributes =
      with_mail ? std::vector<std::string>{"mail", "samAccountName"}
                : std::vector<std::string>{"samAccountName"};
  std::string filter = "(objectcategory=user)";
  if (!group.empty()) {
    std::unique_ptr<Search> found;
    hr = searcher->ExecuteSearch("(&(objectclass=group)(name=" + FromHostText(group) + "))",
                                 {"PrimaryGroupToken", "Member"}, &found);
    if (hr != kOk) return hr;
    hr = found->GetNextRow();
    if (hr != kOk) return hr;
    std::string token;
    hr = FirstValue(*found, "PrimaryGroupToken", &token);
    if (hr != kOk) return hr;
    std::vector<std::string> members;
    if (found->GetColumn("Member", &members) == kOk) {
      std::vector<MemberRow> rows;
      searcher->LookupUsers(found->RowDn(), members, attributes, &rows);
      std::string entry;
      for (const MemberRow& row : rows) {
        if (row.found && MakeEntry(row.values, &entry)) AppendEntry(entry, text);
      }
    }
    found.reset();
    const auto number = static_cast<int32_t>(std::strtol(token.c_str(), nullptr, 10));
    filter = "(&(objectcategory=user)(PrimaryGroupId=" + std::to_string(number) + "))";
  }
  std::unique_ptr<Search> search;
  hr = searcher->ExecuteSearch(filter, attributes, &search);
  if (hr != kOk) return hr;
  ReadRows(*search, attributes, text);
  return 0;
}

}  // namespace vexa::directory
