#include "CaresResolver.h"

#include <ares.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <mutex>

namespace vexa {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A query is sent up to this many times; each retransmission waits twice
// as long as the one before, and the whole lookup stops at the bound.
constexpr int kTries = 3;

void InitLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { ares_library_init(ARES_LIB_INIT_ALL); });
}

constexpr const char* kResolvConf = "/etc/resolv.conf";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

struct Outcome {
  bool done = false;
  LookupResult result = LookupResult::kFailed;
  std::string host;
};

LookupResult FromStatus(int status) {
  switch (status) {
    case ARES_ENOTFOUND:
    case ARES_ENODATA:
      return LookupResult::kNoRecord;
    case ARES_ETIMEOUT:
    case ARES_ECANCELLED:  // cancelled only when the bound was reached
      return LookupResult::kTimedOut;
    default:
      return LookupResult::kFailed;
  }
}

void OnAnswer(void* arg, int status, int /*timeouts*/, unsigned char* answer, int length) {
  auto* outcome = static_cast<Outcome*>(arg);
  outcome->done = true;
  if (status != ARES_SUCCESS) {
    outcome->result = FromStatus(status);
    return;
  }
  // The parser wants the address the name stands for; only the answer's
  // host name is used here.
  const in_addr unused{};
  hostent* entry = nullptr;
  status = ares_parse_ptr_reply(answer, length, &unused, sizeof unused, AF_INET, &entry);
  if (status != ARES_SUCCESS || entry == nullptr || entry->h_name == nullptr) {
    outcome->result = FromStatus(status == ARES_SUCCESS ? ARES_ENODATA : status);
  } else {
    outcome->result = LookupResult::kFound;
    outcome->host = entry->h_name;
  }
  if (entry) ares_free_hostent(entry);
}

// Drives the channel until the answer is in or `deadline` has passed.
void Run(ares_channel channel, Outcome& outcome, SteadyClock::time_point deadline) {
  while (!outcome.done) {
    const auto now = SteadyClock::now();
    if (now >= deadline) {
      ares_cancel(channel);
      return;
    }
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int bits = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
    pollfd fds[ARES_GETSOCK_MAXNUM];
    nfds_t count = 0;
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
      const bool readable = ARES_GETSOCK_READABLE(bits, i);
      const bool writable = ARES_GETSOCK_WRITABLE(bits, i);
      if (!readable && !writable) continue;
      fds[count].fd = sockets[i];
      fds[count].events = static_cast<short>((readable ? POLLIN : 0) | (writable ? POLLOUT : 0));
      fds[count].revents = 0;
      ++count;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    timeval max_wait{static_cast<time_t>(left / 1000),
                     static_cast<suseconds_t>(left % 1000 * 1000)};
    timeval wait{};
    const timeval* next = ares_timeout(channel, &max_wait, &wait);
    const int wait_ms = static_cast<int>(next->tv_sec * 1000 + (next->tv_usec + 999) / 1000);

    if (poll(fds, count, wait_ms) <= 0) {
      // Timed out (or interrupted): let c-ares retransmit or give up.
      ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
      continue;
    }
    for (nfds_t i = 0; i < count; ++i) {
      const bool in = fds[i].revents & (POLLIN | POLLERR | POLLHUP);
      const bool out = fds[i].revents & POLLOUT;
      if (in || out) {
        ares_process_fd(channel, in ? fds[i].fd : ARES_SOCKET_BAD,
                        out ? fds[i].fd : ARES_SOCKET_BAD);
      }
    }
  }
}

}  // namespace

CaresResolver::CaresResolver(std::string server, int timeout_ms)
    : server_(std::move(server)), timeout_ms_(timeout_ms > 0 ? timeout_ms : kDefaultTimeoutMs) {
  InitLibraryOnce();
}

CaresResolver::~CaresResolver() {
  if (channel_) ares_destroy(channel_);
}

bool CaresResolver::EnsureChannel() {
  struct stat now = {};
  if (server_.empty()) stat(kResolvConf, &now);  // a missing file reads as all zeros
  if (channel_ && SameFile(now, resolv_conf_)) return true;
  if (channel_) ares_destroy(channel_);
  channel_ = nullptr;

  ares_options options{};
  options.timeout = std::max(1, timeout_ms_ / kTries);
  options.tries = kTries;
  ares_channel channel = nullptr;
  if (ares_init_options(&channel, &options, ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES) != ARES_SUCCESS) {
    return false;
  }
  if (!server_.empty() && ares_set_servers_ports_csv(channel, server_.c_str()) != ARES_SUCCESS) {
    ares_destroy(channel);
    return false;
  }
  channel_ = channel;
  resolv_conf_ = now;
  return true;
}

LookupResult CaresResolver::LookupPtr(const std::string& name, std::string* host) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms_);
  if (!EnsureChannel()) return LookupResult::kFailed;

  Outcome outcome;
  ares_query(channel_, name.c_str(), ns_c_in, ns_t_ptr, OnAnswer, &outcome);
  Run(channel_, outcome, deadline);
  if (outcome.result == LookupResult::kFound) *host = std::move(outcome.host);
  return outcome.result;
}

}  // namespace vexa
