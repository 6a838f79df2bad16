#include "PendingResult.h"

#include <gtest/gtest.h>

#include <string>

namespace vexa::directory {
namespace {

constexpr char kSentinel = '#';

PendingResult::Query Text(std::string text, int32_t status = 0) {
  return [text, status](std::string* out) {
    *out += text;
    return status;
  };
}

struct Buffer {
  explicit Buffer(size_t n) : bytes(n, kSentinel) {}
  std::string bytes;
  char* data() { return bytes.data(); }
};

TEST(PendingResultTest, SizeCallKeepsTextAndWritesLengthPlusOne) {
  for (int32_t initial : {0, -5}) {
    PendingResult pending;
    Buffer buffer(8);
    int32_t size = initial;
    EXPECT_EQ(pending.Call(buffer.data(), &size, Text("ab,cd")), 0);
    EXPECT_EQ(size, 6);
    EXPECT_EQ(buffer.bytes, std::string(8, kSentinel)) << "the size call leaves the buffer alone";
    EXPECT_EQ(pending.text(), "ab,cd");
  }
}

TEST(PendingResultTest, CopyCallZeroesUpToSizeMinusTwoAndNeverWritesTheLastByte) {
  PendingResult pending;
  int32_t size = 0;
  ASSERT_EQ(pending.Call(nullptr, &size, Text("abc")), 0);
  Buffer buffer(8);
  size = 7;
  EXPECT_EQ(pending.Call(buffer.data(), &size, Text("ignored")), 0);
  EXPECT_EQ(buffer.bytes, std::string("abc\0\0\0", 6) + kSentinel + kSentinel);
  EXPECT_EQ(size, 7);
  EXPECT_EQ(pending.text(), "");
}

TEST(PendingResultTest, ShortCopyKeepsTheFirstBytesAndDiscardsTheRest) {
  PendingResult pending;
  int32_t size = 0;
  ASSERT_EQ(pending.Call(nullptr, &size, Text("abcdef")), 0);
  Buffer buffer(4);
  size = 3;
  EXPECT_EQ(pending.Call(buffer.data(), &size, nullptr), 0);
  EXPECT_EQ(buffer.bytes, std::string("ab") + kSentinel + kSentinel);
  // A second copy call finds the pending result empty.
  Buffer again(4);
  EXPECT_EQ(pending.Call(again.data(), &size, nullptr), 0);
  EXPECT_EQ(again.bytes, std::string("\0\0", 2) + kSentinel + kSentinel);
}

TEST(PendingResultTest, CopyWithoutSizeCallCopiesEmptyText) {
  PendingResult pending;
  Buffer buffer(4);
  int32_t size = 4;
  EXPECT_EQ(pending.Call(buffer.data(), &size, nullptr), 0);
  EXPECT_EQ(buffer.bytes, std::string("\0\0\0", 3) + kSentinel);
}

TEST(PendingResultTest, EmptyTextGivesSizeOneAndCopyOfOneWritesNothing) {
  PendingResult pending;
  int32_t size = 0;
  ASSERT_EQ(pending.Call(nullptr, &size, Text("")), 0);
  EXPECT_EQ(size, 1);
  Buffer buffer(1);
  EXPECT_EQ(pending.Call(buffer.data(), &size, nullptr), 0);
  EXPECT_EQ(buffer.bytes, std::string(1, kSentinel));
}

TEST(PendingResultTest, SecondSizeCallDiscardsTheFirstText) {
  PendingResult pending;
  int32_t size = 0;
  ASSERT_EQ(pending.Call(nullptr, &size, Text("first")), 0);
  size = 0;
  ASSERT_EQ(pending.Call(nullptr, &size, Text("2nd")), 0);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(pending.text(), "2nd");
}

TEST(PendingResultTest, FailedSizeCallReturnsStatusAndLeavesSize) {
  PendingResult pending;
  int32_t size = -1;
  EXPECT_EQ(pending.Call(nullptr, &size, Text("partial", static_cast<int32_t>(0x80072030))),
            static_cast<int32_t>(0x80072030));
  EXPECT_EQ(size, -1);
  // The gathered entries stay until the next size call.
  EXPECT_EQ(pending.text(), "partial");
}

TEST(PendingResultTest, NullPointersAreRefused) {
  PendingResult pending;
  EXPECT_EQ(pending.Call(nullptr, nullptr, Text("x")), kInvalidPointer);
  int32_t size = 5;
  EXPECT_EQ(pending.Call(nullptr, &size, nullptr), kInvalidPointer);
}

}  // namespace
}  // namespace vexa::directory
