#include "LdapSearcher.h"

#include <strings.h>

#include <cstdlib>
#include <unordered_map>

#include "FilterValue.h"

namespace vexa::ldap {
namespace {

using directory::HResult;
using directory::HResultFromLdapResult;
using directory::kColumnNotSet;
using directory::kErrorMoreData;
using directory::kNoMoreRows;
using directory::kOk;

// How long one response may take before the operation counts as failed.
constexpr timeval kResponseTimeout{120, 0};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The last index of a "range=<first>-<last>" option; -1 for "*" (the final
// range) or when the description has no range option.
long RangeEnd(std::string_view options) {
  if (options.size() < 6 || strncasecmp(options.data(), "range=", 6) != 0) return -1;
  const size_t dash = options.find('-');
  if (dash == std::string_view::npos || options.substr(dash + 1) == "*") return -1;
  return std::strtol(std::string(options.substr(dash + 1)).c_str(), nullptr, 10);
}

// Reads the values of `name` (without regard to case, any options) from an
// entry. Returns false when the entry lacks it; `range_end` is the last
// index of a partial range, else -1.
bool ReadAttribute(LDAP* ld, LDAPMessage* entry, std::string_view name,
                   std::vector<std::string>* values, long* range_end) {
  values->clear();
  *range_end = -1;
  bool found = false;
  BerElement* ber = nullptr;
  for (char* a = ldap_first_attribute(ld, entry, &ber); a != nullptr;
       a = ldap_next_attribute(ld, entry, ber)) {
    const std::string_view description(a);
    const size_t semi = description.find(';');
    if (!found && EqualsIgnoreCase(description.substr(0, semi), name)) {
      found = true;
      if (berval** vals = ldap_get_values_len(ld, entry, a)) {
        for (berval** v = vals; *v != nullptr; ++v) values->emplace_back((*v)->bv_val, (*v)->bv_len);
        ldap_value_free_len(vals);
      }
      if (semi != std::string_view::npos) *range_end = RangeEnd(description.substr(semi + 1));
    }
    ldap_memfree(a);
  }
  if (ber != nullptr) ber_free(ber, 0);
  return found;
}

std::string RangedName(std::string_view name, long first, int step) {
  std::string out = std::string(name) + ";range=" + std::to_string(first) + "-";
  return step > 0 ? out + std::to_string(first + step - 1) : out + "*";
}

// Reads the further ranges of a multi-valued attribute of `dn`, starting at
// index `next`, and appends them. Stops quietly on a failure, keeping what
// was read.
void ReadRemainingRanges(LDAP* ld, const std::string& dn, std::string_view name, long next,
                         int step, std::vector<std::string>* values) {
  std::vector<std::string> chunk;
  while (next >= 0) {
    std::string wanted = RangedName(name, next, step);
    char* attrs[] = {wanted.data(), nullptr};
    LDAPMessage* res = nullptr;
    timeval timeout = kResponseTimeout;
    const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0,
                                     nullptr, nullptr, &timeout, LDAP_NO_LIMIT, &res);
    LDAPMessage* entry = rc == LDAP_SUCCESS ? ldap_first_entry(ld, res) : nullptr;
    long end = -1;
    if (entry != nullptr && ReadAttribute(ld, entry, name, &chunk, &end)) {
      values->insert(values->end(), chunk.begin(), chunk.end());
      next = end < 0 ? -1 : end + 1;
    } else {
      next = -1;
    }
    ldap_msgfree(res);
  }
}

std::vector<char*> AttributeArray(std::vector<std::string>& attributes) {
  std::vector<char*> out;
  for (std::string& a : attributes) out.push_back(a.data());
  out.push_back(nullptr);
  return out;
}

class LdapSearch : public directory::Search {
 public:
  LdapSearch(std::shared_ptr<Connection> connection, std::string base, std::string filter,
             std::vector<std::string> attributes, int page_size, LdapOptions options)
      : connection_(std::move(connection)),
        base_(std::move(base)),
        filter_(std::move(filter)),
        attributes_(std::move(attributes)),
        page_size_(page_size),
        options_(options) {}

  ~LdapSearch() override {
    ldap_msgfree(page_);
    if (cookie_ != nullptr) ber_bvfree(cookie_);
  }

  HResult FetchPage();
  HResult GetNextRow() override;
  HResult GetColumn(std::string_view attribute, std::vector<std::string>* values) override;
  std::string RowDn() const override;
  uint32_t LastError() const override { return last_error_; }
  void Abandon() override { abandoned_ = true; }
  LDAPMessage* current() const { return current_; }

 private:
  LDAP* ld() const { return connection_->get(); }
  bool MorePages() const { return cookie_ != nullptr && cookie_->bv_len > 0; }

  std::shared_ptr<Connection> connection_;
  std::string base_;
  std::string filter_;
  std::vector<std::string> attributes_;
  int page_size_;
  LdapOptions options_;
  LDAPMessage* page_ = nullptr;
  LDAPMessage* current_ = nullptr;
  LDAPMessage* next_entry_ = nullptr;
  berval* cookie_ = nullptr;
  bool boundary_reported_ = false;
  bool abandoned_ = false;
  uint32_t last_error_ = 0;
};

HResult LdapSearch::FetchPage() {
  ldap_msgfree(page_);
  page_ = current_ = next_entry_ = nullptr;
  LDAPControl* page_control = nullptr;
  if (page_size_ > 0) {
    const int rc = ldap_create_page_control(ld(), page_size_, cookie_, 0, &page_control);
    if (rc != LDAP_SUCCESS) return HResultFromLdapResult(rc);
  }
  LDAPControl* controls[] = {page_control, nullptr};
  std::vector<char*> attrs = AttributeArray(attributes_);
  timeval timeout = kResponseTimeout;
  int rc = ldap_search_ext_s(ld(), base_.c_str(), LDAP_SCOPE_SUBTREE, filter_.c_str(), attrs.data(),
                             0, controls, nullptr, &timeout, LDAP_NO_LIMIT, &page_);
  if (page_control != nullptr) ldap_control_free(page_control);
  if (cookie_ != nullptr) {
    ber_bvfree(cookie_);
    cookie_ = nullptr;
  }
  LDAPControl** response_controls = nullptr;
  if (page_ != nullptr) {
    int result = LDAP_SUCCESS;
    if (ldap_parse_result(ld(), page_, &result, nullptr, nullptr, nullptr, &response_controls, 0) ==
        LDAP_SUCCESS) {
      rc = result;
    }
  }
  if (response_controls != nullptr) {
    if (LDAPControl* c = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, response_controls, nullptr)) {
      ber_int_t estimate = 0;
      berval cookie{0, nullptr};
      if (ldap_parse_pageresponse_control(ld(), c, &estimate, &cookie) == LDAP_SUCCESS) {
        cookie_ = ber_bvdup(&cookie);
        ber_memfree(cookie.bv_val);
      }
    }
    ldap_controls_free(response_controls);
  }
  if (rc != LDAP_SUCCESS) return HResultFromLdapResult(rc);
  next_entry_ = ldap_first_entry(ld(), page_);  // search references are skipped
  return kOk;
}

HResult LdapSearch::GetNextRow() {
  if (abandoned_) {
    last_error_ = 0;
    return kNoMoreRows;
  }
  for (;;) {
    if (next_entry_ != nullptr) {
      current_ = next_entry_;
      next_entry_ = ldap_next_entry(ld(), current_);
      last_error_ = 0;
      return kOk;
    }
    current_ = nullptr;
    if (!MorePages()) {
      last_error_ = 0;
      return kNoMoreRows;
    }
    // The end of a page is reported once, with "more data"; the next call
    // asks for the following page.
    if (!boundary_reported_) {
      boundary_reported_ = true;
      last_error_ = kErrorMoreData;
      return kNoMoreRows;
    }
    boundary_reported_ = false;
    const HResult hr = FetchPage();
    if (hr != kOk) {
      last_error_ = 0;
      return hr;
    }
  }
}

HResult LdapSearch::GetColumn(std::string_view attribute, std::vector<std::string>* values) {
  values->clear();
  if (current_ == nullptr) return kColumnNotSet;
  long range_end = -1;
  if (!ReadAttribute(ld(), current_, attribute, values, &range_end)) return kColumnNotSet;
  if (range_end >= 0) {
    char* dn = ldap_get_dn(ld(), current_);
    if (dn != nullptr) {
      ReadRemainingRanges(ld(), dn, attribute, range_end + 1, options_.member_range_step, values);
      ldap_memfree(dn);
    }
  }
  return kOk;
}

std::string LdapSearch::RowDn() const {
  std::string out;
  if (current_ == nullptr) return out;
  if (char* dn = ldap_get_dn(ld(), current_)) {
    out = dn;
    ldap_memfree(dn);
  }
  return out;
}

// A DN in a form that compares equal for equal names written differently.
std::string DnKey(const std::string& dn) {
  char* normalized = nullptr;
  std::string key = dn;
  if (ldap_dn_normalize(dn.c_str(), LDAP_DN_FORMAT_LDAPV3, &normalized, LDAP_DN_FORMAT_LDAPV3) ==
          LDAP_SUCCESS &&
      normalized != nullptr) {
    key = normalized;
    ldap_memfree(normalized);
  }
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void FillRow(LDAP* ld, LDAPMessage* entry, const std::vector<std::string>& attributes,
             directory::MemberRow* row) {
  row->found = true;
  row->values.assign(attributes.size(), {});
  for (size_t a = 0; a < attributes.size(); ++a) {
    long range_end;
    ReadAttribute(ld, entry, attributes[a], &row->values[a], &range_end);
  }
}

}  // namespace

HResult LdapSearcher::ExecuteSearch(std::string_view filter,
                                    const std::vector<std::string>& attributes,
                                    std::unique_ptr<directory::Search>* search) {
  std::vector<std::string> wanted = attributes;
  if (options_.member_range_step > 0) {
    for (std::string& a : wanted) {
      if (EqualsIgnoreCase(a, "member")) a = RangedName(a, 0, options_.member_range_step);
    }
  }
  auto s = std::make_unique<LdapSearch>(connection_, base_, std::string(filter), std::move(wanted),
                                        page_size_, options_);
  const HResult hr = s->FetchPage();
  if (hr != kOk) return hr;
  *search = std::move(s);
  return kOk;
}

void LdapSearcher::LookupUsers(std::string_view group_dn,
                               const std::vector<std::string>& member_dns,
                               const std::vector<std::string>& attributes,
                               std::vector<directory::MemberRow>* rows) {
  rows->assign(member_dns.size(), directory::MemberRow{});
  if (member_dns.empty()) return;
  // The users among the members come back from one search on the group's
  // back-links and are put into the member list's order by DN. It asks
  // without paging first (paged searches are slow on some servers) and
  // pages only when the server's size limit cuts the answer short.
  if (options_.backlink_lookup && !group_dn.empty()) {
    std::unordered_map<std::string, std::vector<size_t>> position;
    for (size_t i = 0; i < member_dns.size(); ++i) position[DnKey(member_dns[i])].push_back(i);
    const std::string filter = "(&(objectcategory=user)(memberOf=" +
                               directory::EscapeFilterValue(group_dn) + "))";
    for (const int page_size : {0, 1000}) {
      LdapSearch search(connection_, base_, filter, attributes, page_size, options_);
      const HResult hr = search.FetchPage();
      if (hr == HResultFromLdapResult(LDAP_SIZELIMIT_EXCEEDED) ||
          hr == HResultFromLdapResult(LDAP_ADMINLIMIT_EXCEEDED)) {
        continue;
      }
      if (hr != kOk) break;
      for (HResult row = search.GetNextRow(); row >= 0; row = search.GetNextRow()) {
        if (row != kOk) {
          if (search.LastError() != kErrorMoreData) break;
          continue;
        }
        const auto it = position.find(DnKey(search.RowDn()));
        if (it == position.end()) continue;
        for (const size_t i : it->second) {
          FillRow(connection_->get(), search.current(), attributes, &(*rows)[i]);
        }
      }
      break;
    }
  }
  // Members not found that way (other objects, or a failed search) are
  // looked up one by one.
  std::vector<size_t> rest;
  for (size_t i = 0; i < member_dns.size(); ++i) {
    if (!(*rows)[i].found) rest.push_back(i);
  }
  LookupOneByOne(member_dns, rest, attributes, rows);
}

void LdapSearcher::LookupOneByOne(const std::vector<std::string>& member_dns,
                                  const std::vector<size_t>& wanted,
                                  const std::vector<std::string>& attributes,
                                  std::vector<directory::MemberRow>* rows) {
  LDAP* ld = connection_->get();
  std::vector<std::string> attribute_names = attributes;
  std::vector<char*> attrs = AttributeArray(attribute_names);
  const size_t window = options_.lookup_window > 0 ? options_.lookup_window : 1;
  // As many as `window` searches in flight at once: the server works on them
  // back to back, and the answers are matched by message id.
  std::unordered_map<int, size_t> in_flight;
  size_t next = 0;
  while (next < wanted.size() || !in_flight.empty()) {
    for (; next < wanted.size() && in_flight.size() < window; ++next) {
      const std::string filter = "(&(objectcategory=user)(distinguishedName=" +
                                 directory::EscapeFilterValue(member_dns[wanted[next]]) + "))";
      int msgid = 0;
      if (ldap_search_ext(ld, base_.c_str(), LDAP_SCOPE_SUBTREE, filter.c_str(), attrs.data(), 0,
                          nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &msgid) == LDAP_SUCCESS) {
        in_flight[msgid] = wanted[next];
      }
    }
    if (in_flight.empty()) continue;
    LDAPMessage* res = nullptr;
    timeval timeout = kResponseTimeout;
    const int type = ldap_result(ld, LDAP_RES_ANY, LDAP_MSG_ONE, &timeout, &res);
    if (type <= 0) {
      // The connection failed or the server stopped answering: the members
      // not yet answered count as not found.
      for (const auto& [msgid, index] : in_flight) ldap_abandon_ext(ld, msgid, nullptr, nullptr);
      ldap_msgfree(res);
      return;
    }
    const auto it = in_flight.find(ldap_msgid(res));
    if (it != in_flight.end()) {
      if (type == LDAP_RES_SEARCH_ENTRY && !(*rows)[it->second].found) {
        FillRow(ld, res, attributes, &(*rows)[it->second]);
      } else if (type == LDAP_RES_SEARCH_RESULT) {
        in_flight.erase(it);
      }
    }
    ldap_msgfree(res);
  }
}

}  // namespace vexa::ldap
