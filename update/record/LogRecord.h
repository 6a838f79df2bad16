#pragma once
// One parsed log record: fifteen text fields, in the order of the values
// 2 to 16 of the vexa_updateTable call.
#include <array>
#include <string>

namespace vexa {

struct LogRecord {
  std::string text1;
  std::string url;
  std::string text3;
  std::string logTime;
  std::string filterMark;
  std::string text6;
  std::string text7;
  std::string text8;
  std::string number9;
  std::string number10;
  std::string contentName;
  std::string text12;
  std::string spare;
  std::string number14;
  std::string category;

  std::array<const std::string*, 15> Fields() const {
    return {&text1, &url,      &text3,       &logTime, &filterMark, &text6,    &text7,   &text8,
            &number9, &number10, &contentName, &text12,  &spare,      &number14, &category};
  }
};

}  // namespace vexa
