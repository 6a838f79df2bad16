#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>

#include "LdapDirectory.h"
#include "LdapSearcher.h"
#include "Library.h"
#include "TestDomain.h"
#include "TwoCalls.h"

namespace vexa::testing {
namespace {

using directory::Library;
using Export = int32_t (Library::*)(const char*, char*, int32_t*);

constexpr int32_t kNoMoreRows = 0x00005012;

// A library as freshly loaded, with the given directory options.
class Loaded {
 public:
  explicit Loaded(ldap::LdapOptions options = {}) : directory_(options), library_(directory_) {}

  std::string Run(Export call, const char* name) {
    return directory::testing::TwoCalls(
        [&](char* buffer, int32_t* size) { return (library_.*call)(name, buffer, size); });
  }
  std::string Users(const char* group) { return Run(&Library::GetUsersInGroup, group); }
  std::string MailUsers(const char* group) { return Run(&Library::GetMailUsersInGroup, group); }
  std::string Groups(const char* unit) { return Run(&Library::GetGroups, unit); }

 private:
  ldap::LdapDirectory directory_;
  Library library_;
};

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  return items;
}

class DirectoryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    TestDomain::Get();
  }
  void SetUp() override { domain().UseKerberos(); }
  static const TestDomain& domain() { return TestDomain::Get(); }
};

const char* const kSeededGroups[] = {"Engineering", "Sales",    "SalesEU",     "Sales, Europe",
                                     "Regional",    "PrimaryOnly", "GroupsOnly", "NoUsers",
                                     "Bulk"};

TEST_F(DirectoryTest, GroupsOfTheUnitTreeWithKerberos) {
  Loaded lib;
  EXPECT_EQ(Sorted(Split(lib.Groups("Vexa"))),
            Sorted(Split(Join({std::begin(kSeededGroups), std::end(kSeededGroups)}))));
  EXPECT_EQ(Sorted(Split(lib.Groups("Sales"))),
            Sorted(Split("Sales,SalesEU,Sales, Europe,Regional")));
  EXPECT_EQ(lib.Groups("Empty"), "");
  EXPECT_EQ(lib.Groups("NoSuchUnit"), "status 00005012");
  const std::string all = lib.Groups(nullptr);
  for (const char* g : {"Domain Users", "Domain Admins", "Engineering", "Regional"}) {
    EXPECT_NE(all.find(g), std::string::npos) << g;
  }
  DirectoryView view(domain());
  EXPECT_EQ(Split(all).size(), view.Search("(objectClass=group)", "name").size() + 1)
      << "one group name holds a comma";
}

TEST_F(DirectoryTest, MembersMatchTheDirectoryWithKerberos) {
  Loaded lib;
  DirectoryView view(domain());
  for (const char* group : {"Engineering", "PrimaryOnly", "GroupsOnly", "Sales, Europe",
                            "NoUsers", "Sales", "Bulk"}) {
    EXPECT_EQ(lib.Users(group), view.ExpectedMembers(group, false)) << group;
    EXPECT_EQ(lib.MailUsers(group), view.ExpectedMembers(group, true)) << group;
  }
}

TEST_F(DirectoryTest, SeededMembershipFacts) {
  Loaded lib;
  // A member whose name needs escaping in a filter, and a UTF-8 account name.
  EXPECT_EQ(Sorted(Split(lib.Users("Engineering"))),
            Sorted({"alice", "bob", "carol", "smith", "j\xc3\xbcrgen"}));
  EXPECT_EQ(Sorted(Split(lib.MailUsers("Engineering"))),
            Sorted({"alice@vexatest.lan:alice", "carol@vexatest.lan:carol",
                    "smith@vexatest.lan:smith", "juergen@vexatest.lan:j\xc3\xbcrgen"}));
  EXPECT_EQ(Sorted(Split(lib.Users("PrimaryOnly"))), Sorted({"dave", "erin"}));
  EXPECT_EQ(lib.MailUsers("PrimaryOnly"), "dave@vexatest.lan:dave");
  EXPECT_EQ(lib.Users("GroupsOnly"), "grace");
  EXPECT_EQ(lib.Users("Sales, Europe"), "alice");
  EXPECT_EQ(lib.Users("NoUsers"), "");
  EXPECT_EQ(Split(lib.Users("Bulk")).size(), 2000u);
  EXPECT_EQ(Split(lib.MailUsers("Bulk")).size(), 1800u);
  EXPECT_EQ(lib.Users("NoSuchGroup"), "status 00005012");
  // Names go into the filter as they are: a bad filter is the server's error.
  EXPECT_EQ(lib.Users("Sales(x)"), "status 8007203e");
}

TEST_F(DirectoryTest, EveryUserAcrossPages) {
  Loaded lib;
  DirectoryView view(domain());
  size_t with_account = 0;
  for (const auto& values : view.Search("(objectCategory=user)", "sAMAccountName")) {
    with_account += !values.empty();
  }
  EXPECT_GT(with_account, 2000u);
  EXPECT_EQ(Split(lib.Users("")).size(), with_account);
}

TEST_F(DirectoryTest, PagesEndWithMoreDataUntilTheLast) {
  ldap::LdapDirectory dir;
  std::unique_ptr<directory::Searcher> searcher;
  ASSERT_EQ(dir.Bind("LDAP://" + domain().domain, &searcher), 0);
  searcher->SetPageSize(300);
  std::unique_ptr<directory::Search> search;
  ASSERT_EQ(searcher->ExecuteSearch("(objectcategory=user)", {"samAccountName"}, &search), 0);
  int rows = 0, boundaries = 0;
  for (int32_t hr = search->GetNextRow(); hr >= 0; hr = search->GetNextRow()) {
    if (hr == 0) {
      ++rows;
    } else if (search->LastError() == directory::kErrorMoreData) {
      ++boundaries;
    } else {
      break;
    }
  }
  EXPECT_GT(rows, 2000);
  EXPECT_EQ(boundaries, (rows + 299) / 300 - 1 + (rows % 300 == 0));
}

TEST_F(DirectoryTest, RangedMemberReadsAndSingleLookupsGiveTheSameText) {
  Loaded plain;
  Loaded ranged(ldap::LdapOptions{.member_range_step = 700});
  Loaded pipelined(ldap::LdapOptions{.backlink_lookup = false});
  Loaded one_by_one(ldap::LdapOptions{.backlink_lookup = false, .lookup_window = 1});
  for (const char* group : {"Bulk", "Engineering", "GroupsOnly"}) {
    const std::string users = plain.Users(group);
    const std::string mail_users = plain.MailUsers(group);
    EXPECT_EQ(ranged.Users(group), users) << group;
    EXPECT_EQ(ranged.MailUsers(group), mail_users) << group;
    EXPECT_EQ(pipelined.Users(group), users) << group;
    EXPECT_EQ(pipelined.MailUsers(group), mail_users) << group;
    if (std::string(group) != "Bulk") {
      EXPECT_EQ(one_by_one.MailUsers(group), mail_users) << group;
    }
  }
}

TEST_F(DirectoryTest, SimpleBindAndStartTls) {
  DirectoryView view(domain());
  domain().UseSimpleBind(domain().password);
  EXPECT_EQ(Loaded().Users("Engineering"), view.ExpectedMembers("Engineering", false));
  setenv("VEXA_LDAP_STARTTLS", "1", 1);
  EXPECT_EQ(Loaded().MailUsers("Engineering"), view.ExpectedMembers("Engineering", true));
  domain().UseSimpleBind("wrong password");
  EXPECT_EQ(Loaded().Users("Engineering"), "status 8007052e");
}

TEST_F(DirectoryTest, ConfiguredUriIsUsedInsteadOfTheLocatedServer) {
  domain().UseSimpleBind(domain().password);
  setenv("VEXA_LDAP_URI", ("ldap://" + domain().ip).c_str(), 1);
  EXPECT_EQ(Loaded().Users("GroupsOnly"), "grace");
  // Nothing listens there.
  setenv("VEXA_LDAP_URI", "ldap://127.0.0.1:1", 1);
  EXPECT_EQ(Loaded().Users("GroupsOnly"), "status 8007203a");
}

TEST_F(DirectoryTest, DomainFromKerberosRealmOrNotAtAll) {
  unsetenv("VEXA_AD_DOMAIN");
  EXPECT_EQ(Loaded().Users("GroupsOnly"), "grace");
  setenv("VEXA_AD_DOMAIN", "nowhere.invalid", 1);
  EXPECT_EQ(Loaded().Users("GroupsOnly"), "status 0000054b");
}

}  // namespace
}  // namespace vexa::testing
