#pragma once
// The event-log seam on Linux: RFC 3164 datagrams under the identity
// "databas7", facility daemon, sent straight to the syslog socket (journald
// or rsyslog listen there). The message always travels as data, never as a
// format. Sending never blocks: a datagram the receiver cannot take at once
// is not handed over.
#include <sys/socket.h>
#include <sys/un.h>

#include <string>
#include <string_view>

#include "EventLog.h"

namespace vexa {

class SyslogEventLog : public EventLog {
 public:
  static constexpr std::string_view kIdentity = "databas7";

  // VEXA_SYSLOG_SOCKET when set, else /dev/log.
  static std::string DefaultSocketPath();

  explicit SyslogEventLog(const std::string& socket_path = DefaultSocketPath());
  ~SyslogEventLog() override;
  SyslogEventLog(const SyslogEventLog&) = delete;
  SyslogEventLog& operator=(const SyslogEventLog&) = delete;

  // Severity info; false when the datagram could not be handed over.
  bool ReportInformation(std::string_view message) override;
  // Severity debug; also on stderr when VEXA_DEBUG is set.
  void Debug(std::string_view message) override;
  // Severity err, and one line on stderr.
  void Error(std::string_view message) override;

 private:
  bool Send(int severity, std::string_view message);

  int fd_ = -1;
  sockaddr_un address_{};
  socklen_t address_length_ = 0;  // 0 when the path does not fit
  bool debug_to_stderr_ = false;
};

}  // namespace vexa
