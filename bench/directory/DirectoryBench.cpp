// GetUsersInGroup and GetMailUsersInGroup on the 2,000-member group of the
// test domain, against one ldapsearch that returns the same users
// ((memberOf=<group>) or the group as primary group). Needs the DC of
// tests/services/ad-dc.sh running; prints a Markdown table of medians.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "vexaUtil.h"

namespace {

using Clock = std::chrono::steady_clock;

std::map<std::string, std::string> ReadDomain() {
  const char* state = std::getenv("VEXA_TEST_STATE");
  const std::string path = std::string(state != nullptr ? state : "build/default/services") +
                           "/ad-dc/env";
  std::map<std::string, std::string> env;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (env.empty()) {
    std::fprintf(stderr, "no test DC: %s missing (tests/services/ad-dc.sh start)\n", path.c_str());
    std::exit(1);
  }
  return env;
}

// Runs a command through the shell; returns its output.
std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

double Milliseconds(const std::function<size_t()>& call, size_t* count) {
  const auto start = Clock::now();
  *count = call();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

// Runs `ours` and `peer` alternately `runs` times (so both see the same load)
// and prints their medians and the ratio.
void Compare(const char* name, const char* peer_name, int runs, const std::function<size_t()>& ours,
             const std::function<size_t()>& peer) {
  std::vector<double> ours_ms, peer_ms;
  size_t ours_count = 0, peer_count = 0;
  for (int i = 0; i < runs; ++i) {
    ours_ms.push_back(Milliseconds(ours, &ours_count));
    peer_ms.push_back(Milliseconds(peer, &peer_count));
  }
  const double o = Median(ours_ms), p = Median(peer_ms);
  std::printf("| %s | %zu | %.1f | %s | %zu | %.1f | %.2f |\n", name, ours_count, o, peer_name,
              peer_count, p, o / p);
}

size_t Query(int32_t (*query)(const char*, char*, int32_t*), const char* group) {
  int32_t size = 0;
  if (query(group, nullptr, &size) != 0) {
    std::fprintf(stderr, "query failed\n");
    std::exit(1);
  }
  std::string buffer(size, '\0');
  query(nullptr, buffer.data(), &size);
  return size <= 1 ? 0 : static_cast<size_t>(std::count(buffer.begin(), buffer.end(), ',')) + 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C.UTF-8");
  const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
  auto env = ReadDomain();
  char dir[] = "/tmp/vexa-dirbench-XXXXXX";
  const std::string tmp = mkdtemp(dir);
  setenv("KRB5_CONFIG", env["VEXA_AD_KRB5_CONFIG"].c_str(), 1);
  setenv("KRB5CCNAME", ("FILE:" + tmp + "/ccache").c_str(), 1);
  setenv("VEXA_AD_DOMAIN", env["VEXA_AD_DOMAIN_NAME"].c_str(), 1);
  setenv("VEXA_DNS_SERVER", env["VEXA_AD_DC_IP"].c_str(), 1);
  Capture("echo '" + env["VEXA_AD_PASSWORD"] + "' | kinit " + env["VEXA_AD_ADMIN"] + " 2>&1");
  std::ofstream(tmp + "/password") << env["VEXA_AD_PASSWORD"];  // ldapsearch -y reads it whole
  chmod((tmp + "/password").c_str(), 0600);

  const std::string base = env["VEXA_AD_BASE_DN"];
  const std::string group_dn = "CN=Bulk,OU=Bulk,OU=Vexa," + base;
  const std::string ldapsearch = "ldapsearch -x -LLL -o ldif-wrap=no -H ldap://" +
                                 env["VEXA_AD_DC_IP"] + " -D '" + env["VEXA_AD_ADMIN"] +
                                 "' -y " + tmp + "/password -b '" + base + "' ";
  const std::string token_text =
      Capture(ldapsearch + "'(&(objectClass=group)(name=Bulk))' primaryGroupToken");
  const auto at = token_text.find("primaryGroupToken: ");
  const std::string token = token_text.substr(at + 19, token_text.find('\n', at) - at - 19);
  const std::string members = "(|(memberOf=" + group_dn + ")(primaryGroupID=" + token + "))";
  auto peer = [&](const std::string& filter, const std::string& attrs) {
    return [=] {
      const std::string out = Capture(ldapsearch + "'" + filter + "' " + attrs);
      size_t n = 0;
      for (size_t p = 0; (p = out.find("\ndn: ", p)) != std::string::npos; ++p) ++n;
      return n + (out.rfind("dn: ", 0) == 0);
    };
  };

  const auto users = [] { return Query(GetUsersInGroup, "Bulk"); };
  const auto mail_users = [] { return Query(GetMailUsersInGroup, "Bulk"); };
  const auto peer_users = peer("(&(objectCategory=user)" + members + ")", "sAMAccountName");
  const auto peer_mail =
      peer("(&(objectCategory=user)(mail=*)" + members + ")", "mail sAMAccountName");
  std::printf("| operation, group of 2,000 users | entries | median ms | peer | entries | "
              "median ms | ratio |\n|---|---|---|---|---|---|---|\n");
  for (const bool kerberos : {true, false}) {
    if (!kerberos) {
      setenv("VEXA_LDAP_BINDDN", env["VEXA_AD_ADMIN"].c_str(), 1);
      setenv("VEXA_LDAP_PASSWORD_FILE", (tmp + "/password").c_str(), 1);
    }
    Query(GetUsersInGroup, "Bulk");  // warm-up: domain lookup, service ticket
    const std::string how = kerberos ? " (GSSAPI)" : " (simple bind)";
    Compare(("GetUsersInGroup" + how).c_str(), "ldapsearch -x, sAMAccountName", runs, users,
            peer_users);
    Compare(("GetMailUsersInGroup" + how).c_str(), "ldapsearch -x, mail sAMAccountName", runs,
            mail_users, peer_mail);
  }
  Capture("rm -rf " + tmp);
  return 0;
}
