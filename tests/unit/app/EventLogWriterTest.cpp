#include "EventLogWriter.h"

#include <gtest/gtest.h>

#include "FakeEventLog.h"

namespace vexa {
namespace {

TEST(EventLogWriterTest, StopsAfter150HandedOverEvents) {
  EventLogWriter writer;
  fakes::FakeEventLog log;
  log.refuse = true;  // refused events do not count
  writer.Compose("refused");
  writer.Write(log);
  EXPECT_EQ(writer.count(), 0u);

  log.refuse = false;
  for (int i = 0; i < 200; ++i) {
    writer.Compose("CDatabaseAppUpdate(): Registry Read of ENABLE unsuccessful");
    writer.Write(log);
  }
  EXPECT_EQ(log.events.size(), 150u);
  EXPECT_EQ(writer.count(), 150u);
}

TEST(EventLogWriterTest, MessagesAreTextNotFormatsAndCutTo255) {
  EventLogWriter writer;
  fakes::FakeEventLog log;
  writer.Compose("100% %s %n done");
  writer.Write(log);
  writer.Compose(std::string(2000, 'x'));
  writer.Write(log);
  ASSERT_EQ(log.events.size(), 2u);
  EXPECT_EQ(log.events[0], "100% %s %n done");
  EXPECT_EQ(log.events[1], std::string(255, 'x'));
}

}  // namespace
}  // namespace vexa
