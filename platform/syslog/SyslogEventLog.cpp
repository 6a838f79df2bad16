#include "SyslogEventLog.h"

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vexa {
namespace {

constexpr int kFacilityDaemon = 3;
constexpr int kSeverityError = 3;
constexpr int kSeverityInfo = 6;
constexpr int kSeverityDebug = 7;

// RFC 3164 header as the local syslog socket expects it (no host name):
// "<PRI>Mmm dd hh:mm:ss IDENT[PID]: ". Month names are fixed, whatever the
// locale.
std::string Header(int severity) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const time_t now = ::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char header[96];
  std::snprintf(header, sizeof header,
                "<%d>%s %2d %02d:%02d:%02d %.*s[%d]: ", kFacilityDaemon * 8 + severity,
                kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(SyslogEventLog::kIdentity.size()),
                SyslogEventLog::kIdentity.data(), static_cast<int>(::getpid()));
  return header;
}

// One line, written with one call so that lines of several writers do not mix.
void WriteStderrLine(std::string_view message) {
  std::string line(SyslogEventLog::kIdentity);
  line += ": ";
  for (char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
  line += '\n';
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace

std::string SyslogEventLog::DefaultSocketPath() {
  const char* path = std::getenv("VEXA_SYSLOG_SOCKET");
  return path != nullptr && *path != '\0' ? path : "/dev/log";
}

SyslogEventLog::SyslogEventLog(const std::string& socket_path)
    : fd_(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
      debug_to_stderr_(std::getenv("VEXA_DEBUG") != nullptr) {
  address_.sun_family = AF_UNIX;
  if (socket_path.size() < sizeof address_.sun_path) {
    std::memcpy(address_.sun_path, socket_path.data(), socket_path.size());
    address_length_ =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket_path.size() + 1);
  }
}

SyslogEventLog::~SyslogEventLog() {
  if (fd_ >= 0) ::close(fd_);
}

bool SyslogEventLog::Send(int severity, std::string_view message) {
  if (fd_ < 0 || address_length_ == 0) return false;
  std::string datagram = Header(severity);
  datagram.append(message);
  const ssize_t sent = ::sendto(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&address_), address_length_);
  return sent == static_cast<ssize_t>(datagram.size());
}

bool SyslogEventLog::ReportInformation(std::string_view message) {
  return Send(kSeverityInfo, message);
}

void SyslogEventLog::Debug(std::string_view message) {
  if (debug_to_stderr_) WriteStderrLine(message);
  Send(kSeverityDebug, message);
}

void SyslogEventLog::Error(std::string_view message) {
  WriteStderrLine(message);
  Send(kSeverityError, message);
}

}  // namespace vexa
