// Secure-site naming against a local dnsmasq: names per second when every
// address qualifies, beside a plain libresolv query loop on the same server
// (what the machine allows), and the worst case of a server that never
// answers.
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <resolv.h>

#include <memory>
#include <string>

#include "CaresResolver.h"
#include "CodePage.h"
#include "EventLog.h"
#include "LocalDnsServer.h"
#include "SecureSite.h"

namespace vexa {
namespace {

class NullLog : public EventLog {
 public:
  bool ReportInformation(std::string_view) override { return true; }
  void Debug(std::string_view) override {}
  void Error(std::string_view) override {}
};

testing::LocalDnsServer& Dns() {
  static testing::LocalDnsServer server(
      testing::LocalDnsServer::PtrRecords{{"3.2.1.10.in-addr.arpa", "host.example.test"}});
  return server;
}

void RunNaming(benchmark::State& state, Resolver& resolver, const std::string& address) {
  NullLog log;
  CodePage code_page;
  for (auto _ : state) {
    std::string url = address;
    AppendSecureSiteName(url, resolver, log, code_page);
    benchmark::DoNotOptimize(url);
  }
  state.SetItemsProcessed(state.iterations());
}

// Every record qualifies and has a PTR record.
void BM_NamingAnswered(benchmark::State& state) {
  CaresResolver resolver(Dns().address());
  RunNaming(state, resolver, "https://10.1.2.3");
}
BENCHMARK(BM_NamingAnswered)->UseRealTime();

// Every record qualifies and the server says NXDOMAIN.
void BM_NamingNoRecord(benchmark::State& state) {
  CaresResolver resolver(Dns().address());
  RunNaming(state, resolver, "https://10.1.2.4");
}
BENCHMARK(BM_NamingNoRecord)->UseRealTime();

// The same PTR query through glibc's resolver with one long-lived state.
void BM_PlainResQuery(benchmark::State& state) {
  const std::string address = Dns().address();
  struct __res_state resolver {};
  res_ninit(&resolver);
  resolver.nscount = 1;
  resolver.nsaddr_list[0].sin_family = AF_INET;
  resolver.nsaddr_list[0].sin_port = htons(std::stoi(address.substr(address.find(':') + 1)));
  inet_pton(AF_INET, "127.0.0.1", &resolver.nsaddr_list[0].sin_addr);
  unsigned char answer[NS_PACKETSZ];
  for (auto _ : state) {
    const int n =
        res_nquery(&resolver, "3.2.1.10.IN-ADDR.ARPA", ns_c_in, ns_t_ptr, answer, sizeof answer);
    if (n <= 0) state.SkipWithError("res_nquery failed");
  }
  res_nclose(&resolver);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainResQuery)->UseRealTime();

// A server that takes the queries and never answers: each record costs the
// whole bound (argument: DNSTIMEOUT in milliseconds), then gets the marker.
void BM_NamingSilentServer(benchmark::State& state) {
  testing::SilentDnsServer silent;
  CaresResolver resolver(silent.address(), static_cast<int>(state.range(0)));
  RunNaming(state, resolver, "https://10.1.2.3");
}
BENCHMARK(BM_NamingSilentServer)
    ->Arg(2000)
    ->Arg(250)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vexa

BENCHMARK_MAIN();
