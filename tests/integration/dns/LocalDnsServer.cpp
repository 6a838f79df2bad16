#include "LocalDnsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "CaresResolver.h"

extern char** environ;

namespace vexa::testing {
namespace {

// Binds a loopback socket of `type` to `port` (0: any); returns the fd.
int BindLoopback(int type, int port) {
  const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int PortOf(int fd) {
  sockaddr_in addr{};
  socklen_t length = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  return ntohs(addr.sin_port);
}

// The name the server is asked for while it starts.
constexpr const char* kProbeName = "1.0.0.127.in-addr.arpa";

}  // namespace

int FreeLoopbackPort() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int udp = BindLoopback(SOCK_DGRAM, 0);
    if (udp < 0) break;
    const int port = PortOf(udp);
    const int tcp = BindLoopback(SOCK_STREAM, port);
    close(udp);
    if (tcp >= 0) {
      close(tcp);
      return port;
    }
  }
  throw std::runtime_error("no free loopback port");
}

LocalDnsServer::LocalDnsServer(const PtrRecords& records, const Aliases& aliases) {
  std::vector<std::string> options;
  for (const auto& [name, host] : records) options.push_back("--ptr-record=" + name + "," + host);
  for (const auto& [alias, target] : aliases) options.push_back("--cname=" + alias + "," + target);
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (TryStart(FreeLoopbackPort(), options)) return;
  }
  throw std::runtime_error("dnsmasq did not start (is dnsmasq-base installed?)");
}

LocalDnsServer::~LocalDnsServer() { Stop(); }

std::string LocalDnsServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

bool LocalDnsServer::TryStart(int port, const std::vector<std::string>& options) {
  std::vector<std::string> args = {
      "dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
      "--bind-interfaces", "--listen-address=127.0.0.1", "--port=" + std::to_string(port),
      "--pid-file", "--user=nobody", "--log-facility=-", "--cache-size=0",
      // Reverse names it does not know get NXDOMAIN instead of being forwarded.
      "--local=/in-addr.arpa/", std::string("--ptr-record=") + kProbeName + ",probe.test"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (posix_spawnp(&pid_, "dnsmasq", nullptr, nullptr, argv.data(), environ) != 0 &&
      posix_spawn(&pid_, "/usr/sbin/dnsmasq", nullptr, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
    return false;
  }
  port_ = port;
  CaresResolver probe(address(), 200);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::string host;
    if (probe.LookupPtr(kProbeName, &host) == LookupResult::kFound) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {  // it gave up, the port was taken
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  return false;
}

void LocalDnsServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

SilentDnsServer::SilentDnsServer() : fd_(BindLoopback(SOCK_DGRAM, 0)) {
  if (fd_ < 0) throw std::runtime_error("cannot bind a loopback UDP socket");
  port_ = PortOf(fd_);
}

SilentDnsServer::~SilentDnsServer() { close(fd_); }

std::string SilentDnsServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

}  // namespace vexa::testing
