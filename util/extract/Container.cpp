#include "Container.h"

#include "Search.h"

namespace vexa::extract {

size_t ContainerParser::Find(size_t from) const {
  const int64_t at = FindBytes(kRecordMarker.data(), kRecordMarker.size(), data_.data() + from, data_.size() - from);
  return at < 0 ? kNotFound : from + static_cast<size_t>(at);
}

std::optional<ContainerMember> ContainerParser::Next() {
  if (done_) return std::nullopt;
  const size_t first = Find(position_);
  const size_t name_at = first == kNotFound ? kNotFound : first + kRecordMarker.size();
  const size_t second = name_at == kNotFound ? kNotFound : Find(name_at);
  if (second == kNotFound) {
    // No record, or a name field that the data cuts off.
    done_ = true;
    return std::nullopt;
  }
  ContainerMember member;
  member.name = data_.substr(name_at, second - name_at);
  member.name = member.name.substr(0, member.name.find('\0'));
  if (member.name == kEndMarker) {
    done_ = true;
    return std::nullopt;
  }
  const size_t content_at = second + kRecordMarker.size();
  const size_t third = Find(content_at);
  member.complete = third != kNotFound;
  member.content = data_.substr(content_at, (member.complete ? third : data_.size()) - content_at);
  if (member.complete) {
    position_ = third;
  } else {
    done_ = true;
  }
  return member;
}

}  // namespace vexa::extract
