#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeDirectory.h"
#include "Library.h"
#include "TwoCalls.h"

namespace vexa::directory::testing {
namespace {

using Export = int32_t (Library::*)(const char*, char*, int32_t*);

constexpr HResult kServerDown = static_cast<HResult>(0x8007203A);
const std::string kMembersFilter = "(&(objectclass=group)(name=Staff))";
const std::string kPrimaryFilter = "(&(objectcategory=user)(PrimaryGroupId=1105))";

Step RowOf(Row row) { return Step{std::move(row), false}; }
Step PageBreak() { return Step{{}, true}; }

class QueriesTest : public ::testing::Test {
 protected:
  std::string Run(Export call, const char* name) {
    return TwoCalls([&](char* buffer, int32_t* size) { return (library_.*call)(name, buffer, size); });
  }

  void AddUser(const std::string& dn, const std::string& account, const std::string& mail = "") {
    Row row{{"sAMAccountName", {account}}};
    if (!mail.empty()) row["mail"] = {mail};
    dir_.state.users[dn] = row;
  }

  // The group "Staff" (token 1105) with `members`, and its primary-group
  // users answered by `primary` for both attribute sets.
  void StaffGroup(std::vector<std::string> members, std::vector<Step> primary) {
    Row group{{"primaryGroupToken", {"1105"}}, {"distinguishedName", {"CN=Staff,DC=example,DC=lan"}}};
    if (!members.empty()) group["member"] = members;
    dir_.state.searches[kMembersFilter].steps = {RowOf(group)};
    dir_.state.searches[kPrimaryFilter].steps = std::move(primary);
  }

  FakeDirectory dir_;
  Library library_{dir_};
};

TEST_F(QueriesTest, GroupsOfTheDomainUsePagedSearchAndKeepCommas) {
  dir_.state.searches["(objectclass=group)"].steps = {
      RowOf({{"name", {"Sales, Europe"}}}), RowOf({{"name", {"Admins"}}}), PageBreak(),
      RowOf({{"cn", {"no name column"}}}), RowOf({{"NAME", {"Users"}}})};
  EXPECT_EQ(Run(&Library::GetGroups, nullptr), "Sales, Europe,Admins,Users");
  EXPECT_EQ(dir_.state.bound_paths, std::vector<std::string>{"LDAP://example.lan"});
  EXPECT_EQ(dir_.state.executed_attributes.back(), std::vector<std::string>{"name"});
  EXPECT_EQ(dir_.state.page_size, 1000);
}

TEST_F(QueriesTest, GroupsBelowAUnitSearchFromTheUnitsDn) {
  dir_.state.searches["(&(objectclass=organizationalUnit)(name=Sa*))"].steps = {
      RowOf({{"distinguishedName", {"OU=Sales,DC=example,DC=lan"}}}),
      RowOf({{"distinguishedName", {"OU=Sameday,DC=example,DC=lan"}}})};
  dir_.state.searches["(objectclass=group)"].steps = {RowOf({{"name", {"G1"}}})};
  EXPECT_EQ(Run(&Library::GetGroups, "Sa*"), "G1");
  EXPECT_EQ(dir_.state.bound_paths.back(), "LDAP://example.lan/OU=Sales,DC=example,DC=lan");
}

TEST_F(QueriesTest, UnitFailures) {
  EXPECT_EQ(Run(&Library::GetGroups, "Missing"), "status 00005012");
  dir_.state.searches["(&(objectclass=organizationalUnit)(name=NoDn))"].steps = {
      RowOf({{"name", {"NoDn"}}})};
  EXPECT_EQ(Run(&Library::GetGroups, "NoDn"), "status 80005010");
  EXPECT_TRUE(dir_.state.abandoned);
  dir_.state.searches["(&(objectclass=organizationalUnit)(name=Bad))"].execute_status =
      static_cast<HResult>(0x8007203E);
  EXPECT_EQ(Run(&Library::GetGroups, "Bad"), "status 8007203e");
  dir_.state.bind_status["LDAP://example.lan"] = kServerDown;
  EXPECT_EQ(Run(&Library::GetGroups, "Any"), "status 8007203a");
  EXPECT_EQ(Run(&Library::GetUsersInGroup, ""), "status 8007203a");
}

TEST_F(QueriesTest, EmptyUnitGivesEmptyText) {
  dir_.state.searches["(&(objectclass=organizationalUnit)(name=Empty))"].steps = {
      RowOf({{"distinguishedName", {"OU=Empty,DC=example,DC=lan"}}})};
  int32_t size = 0;
  ASSERT_EQ(library_.GetGroups("Empty", nullptr, &size), 0);
  EXPECT_EQ(size, 1);
}

TEST_F(QueriesTest, DomainIsLocatedOnceAndRetriedOnlyAfterFailure) {
  dir_.state.locate_status = 1355;
  EXPECT_EQ(Run(&Library::GetGroups, ""), "status 0000054b");
  EXPECT_TRUE(dir_.state.bound_paths.empty()) << "no directory work without a domain";
  dir_.state.locate_status = 0;
  dir_.state.bind_status["LDAP://example.lan"] = kServerDown;
  EXPECT_EQ(Run(&Library::GetUsersInGroup, "x"), "status 8007203a");
  dir_.state.domain = "other.lan";
  EXPECT_EQ(Run(&Library::GetMailUsersInGroup, "x"), "status 8007203a");
  EXPECT_EQ(dir_.state.locate_calls, 2);
  EXPECT_EQ(dir_.state.bound_paths.back(), "LDAP://example.lan");
}

TEST_F(QueriesTest, PagedLoopStopsAtTheEndOrOnAFailureAndKeepsWhatItHas) {
  auto& s = dir_.state.searches["(objectclass=group)"];
  s.steps = {RowOf({{"name", {"A"}}}), PageBreak(), RowOf({{"name", {"B"}}}),
             RowOf({{"name", {"C"}}})};
  s.fail_at_step = 3;
  EXPECT_EQ(Run(&Library::GetGroups, ""), "A,B");
}

TEST_F(QueriesTest, MembersInListOrderThenPrimaryGroupUsers) {
  AddUser("CN=Smith (Sales),DC=example,DC=lan", "smith", "smith@example.lan");
  AddUser("CN=Nomail,DC=example,DC=lan", "nomail");
  AddUser("CN=Both,DC=example,DC=lan", "both", "both@example.lan");
  StaffGroup({"CN=Smith (Sales),DC=example,DC=lan", "CN=Nested,DC=example,DC=lan",
              "CN=Nomail,DC=example,DC=lan", "CN=Both,DC=example,DC=lan"},
             {RowOf({{"sAMAccountName", {"both"}}, {"mail", {"both@example.lan"}}}),
              RowOf({{"sAMAccountName", {"prim"}}})});
  EXPECT_EQ(Run(&Library::GetUsersInGroup, "Staff"), "smith,nomail,both,both,prim");
  EXPECT_EQ(Run(&Library::GetMailUsersInGroup, "Staff"),
            "smith@example.lan:smith,both@example.lan:both,both@example.lan:both");
  EXPECT_EQ(dir_.state.executed,
            (std::vector<std::string>{kMembersFilter, kPrimaryFilter, kMembersFilter,
                                      kPrimaryFilter}));
  EXPECT_EQ(dir_.state.executed_attributes[0],
            (std::vector<std::string>{"PrimaryGroupToken", "Member"}));
  EXPECT_EQ(dir_.state.executed_attributes[1], std::vector<std::string>{"samAccountName"});
  EXPECT_EQ(dir_.state.executed_attributes[3],
            (std::vector<std::string>{"mail", "samAccountName"}));
  EXPECT_EQ(dir_.state.page_size, 1000);
  EXPECT_EQ(dir_.state.lookup_group, "CN=Staff,DC=example,DC=lan");
}

TEST_F(QueriesTest, GroupWithoutMemberAttributeListsPrimaryUsersOnly) {
  StaffGroup({}, {RowOf({{"sAMAccountName", {"dave"}}}), RowOf({{"sAMAccountName", {"erin"}}})});
  EXPECT_EQ(Run(&Library::GetUsersInGroup, "Staff"), "dave,erin");
  EXPECT_EQ(dir_.state.lookup_calls, 0);
}

TEST_F(QueriesTest, NoGroupNameListsEveryUser) {
  dir_.state.searches["(objectcategory=user)"].steps = {
      RowOf({{"sAMAccountName", {"a"}}}), RowOf({{"mail", {"contact@x"}}}), PageBreak(),
      RowOf({{"sAMAccountName", {"b"}}, {"mail", {"b@x"}}})};
  EXPECT_EQ(Run(&Library::GetUsersInGroup, nullptr), "a,b");
  EXPECT_EQ(Run(&Library::GetMailUsersInGroup, ""), "b@x:b");
}

TEST_F(QueriesTest, GroupFailures) {
  EXPECT_EQ(Run(&Library::GetUsersInGroup, "Missing"), "status 00005012");
  dir_.state.searches["(&(objectclass=group)(name=NoToken))"].steps = {RowOf({{"member", {"x"}}})};
  EXPECT_EQ(Run(&Library::GetMailUsersInGroup, "NoToken"), "status 80005010");
}

TEST_F(QueriesTest, FailedFinalSearchAfterMemberEntriesReturnsItsStatus) {
  AddUser("CN=A,DC=example,DC=lan", "a");
  StaffGroup({"CN=A,DC=example,DC=lan"}, {});
  dir_.state.searches[kPrimaryFilter].execute_status = kServerDown;
  int32_t size = -3;
  EXPECT_EQ(library_.GetUsersInGroup("Staff", nullptr, &size), kServerDown);
  EXPECT_EQ(size, -3);
}

TEST_F(QueriesTest, LongValuesAreCutTo255Bytes) {
  const std::string long_name(300, 'g');
  dir_.state.searches["(objectclass=group)"].steps = {RowOf({{"name", {long_name}}})};
  EXPECT_EQ(Run(&Library::GetGroups, ""), std::string(255, 'g'));
}

}  // namespace
}  // namespace vexa::directory::testing
