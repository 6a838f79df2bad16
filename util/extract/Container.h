#pragma once
// The container file: named members between record markers, closed by the
// end marker.
#include <cstddef>
#include <optional>
#include <string_view>

namespace vexa::extract {

constexpr std::string_view kRecordMarker = "KRTV50314cc2-b064-40d7-84d7-cdf5c7d4f89f";
constexpr std::string_view kEndMarker = "KRTVENDMARK50314cc2-b064-40d7-84d7-cdf5c7d4f89f";
// The first bytes of a container file.
constexpr std::string_view kContainerSignature = kRecordMarker.substr(0, 9);

struct ContainerMember {
  std::string_view name;     // up to its first zero byte; empty: generate one
  std::string_view content;
  bool complete = false;     // false: the data ended before the closing marker
};

// Walks the members of a container held in memory. Every byte it reads
// goes through FindBytes and the views it returns.
class ContainerParser {
 public:
  explicit ContainerParser(std::string_view data) : data_(data) {}
  // The next member; none at the end marker, or when the data holds no
  // further member with a whole name field.
  std::optional<ContainerMember> Next();

 private:
  size_t Find(size_t from) const;

  std::string_view data_;
  size_t position_ = 0;
  bool done_ = false;
};

}  // namespace vexa::extract
