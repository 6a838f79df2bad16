#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "FilterValue.h"
#include "HostText.h"
#include "Status.h"

namespace vexa::directory {
namespace {

class LocaleScope {
 public:
  explicit LocaleScope(const char* name) : saved_(std::setlocale(LC_CTYPE, nullptr)) {
    ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
  }
  ~LocaleScope() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_;
};

TEST(HostTextTest, FollowsTheLocaleOfTheHostProcess) {
  const std::string name = "J\xc3\xbcrgen";  // "Jürgen" in UTF-8
  {
    LocaleScope utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok());
    EXPECT_EQ(ToHostText(name), name);
    EXPECT_EQ(FromHostText(name), name);
  }
  LocaleScope c("C");
  EXPECT_EQ(ToHostText(name), "J?rgen");
  EXPECT_EQ(ToHostText("bad \xff byte"), "bad ? byte");
}

TEST(HostTextTest, CutsOnACharacterBoundary) {
  LocaleScope utf8("C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  std::string umlauts;
  for (int i = 0; i < 200; ++i) umlauts += "\xc3\xbc";
  const std::string cut = ToHostText(umlauts);
  EXPECT_EQ(cut.size(), 254u);
  EXPECT_EQ(ToHostText(std::string(400, 'a')).size(), kMaxValueBytes);
}

TEST(FilterValueTest, EscapesTheFilterSpecials) {
  EXPECT_EQ(EscapeFilterValue("CN=Smith (Sales),OU=A\\, B,DC=x"),
            "CN=Smith \\28Sales\\29,OU=A\\5c, B,DC=x");
  EXPECT_EQ(EscapeFilterValue(std::string("a*\0b", 4)), "a\\2a\\00b");
}

TEST(StatusTest, LdapResultsMapAsTheWindowsClientMapsThem) {
  struct Case {
    int ldap;
    uint32_t hresult;
  } cases[] = {{0, 0},          {32, 0x80072030}, {49, 0x8007052E}, {50, 0x80070005},
               {-1, 0x8007203A}, {-7, 0x8007203E}, {-5, 0x800705B4}, {10, 0x8007202B},
               {999, 0x8007001F}};
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<uint32_t>(HResultFromLdapResult(c.ldap)), c.hresult) << c.ldap;
  }
}

}  // namespace
}  // namespace vexa::directory
