#include "KeyFile.h"

#include <zlib.h>

#include <cstdint>

#include "KeyPath.h"

namespace vexa {
namespace {

// Layout (integers are 32-bit little-endian):
//   "VEXAKEY1", number of values, name length, name,
//              CRC-32 of everything from the number of values to the end of the name
//   per value: type, name length, data length, name, data,
//              CRC-32 of everything from the type to the end of the data
constexpr std::string_view kMagic = "VEXAKEY1";

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t Crc(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Reads the input front to back; every read is checked against its end.
class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : rest_(bytes) {}
  bool U32(uint32_t* v) {
    if (rest_.size() < 4) return false;
    *v = 0;
    for (int i = 3; i >= 0; --i) *v = (*v << 8) | static_cast<unsigned char>(rest_[i]);
    rest_.remove_prefix(4);
    return true;
  }
  bool Bytes(size_t n, std::string_view* out) {
    if (rest_.size() < n) return false;
    *out = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return true;
  }
  bool empty() const { return rest_.empty(); }
  const char* position() const { return rest_.data(); }

 private:
  std::string_view rest_;
};

}  // namespace

NamedValue* KeyFile::Find(std::string_view value_name) {
  for (NamedValue& v : values) {
    if (SameName(v.name, value_name)) return &v;
  }
  return nullptr;
}

const NamedValue* KeyFile::Find(std::string_view value_name) const {
  return const_cast<KeyFile*>(this)->Find(value_name);
}

std::string EncodeKeyFile(const KeyFile& key) {
  std::string out(kMagic);
  PutU32(out, static_cast<uint32_t>(key.values.size()));
  PutU32(out, static_cast<uint32_t>(key.name.size()));
  out += key.name;
  PutU32(out, Crc(std::string_view(out).substr(kMagic.size())));
  for (const NamedValue& v : key.values) {
    const size_t start = out.size();
    PutU32(out, static_cast<uint32_t>(v.value.type));
    PutU32(out, static_cast<uint32_t>(v.name.size()));
    PutU32(out, static_cast<uint32_t>(v.value.data.size()));
    out += v.name;
    out += v.value.data;
    PutU32(out, Crc(std::string_view(out).substr(start)));
  }
  return out;
}

bool DecodeKeyFile(std::string_view bytes, KeyFile* key) {
  *key = KeyFile{};
  Cursor in(bytes);
  std::string_view magic, name;
  uint32_t count, name_len, crc;
  if (!in.Bytes(kMagic.size(), &magic) || magic != kMagic || !in.U32(&count) ||
      !in.U32(&name_len) || !in.Bytes(name_len, &name) || !in.U32(&crc) ||
      crc != Crc(bytes.substr(kMagic.size(), 8 + name_len))) {
    return false;
  }
  key->name = name;
  bool intact = true;
  while (!in.empty()) {
    const char* start = in.position();
    uint32_t type, value_name_len, data_len;
    std::string_view value_name, data;
    if (!in.U32(&type) || !in.U32(&value_name_len) || !in.U32(&data_len) ||
        !in.Bytes(value_name_len, &value_name) || !in.Bytes(data_len, &data)) {
      return false;
    }
    const std::string_view record(start, static_cast<size_t>(in.position() - start));
    if (!in.U32(&crc)) return false;
    if (crc != Crc(record)) {
      intact = false;
      continue;
    }
    key->values.push_back(
        {std::string(value_name), {static_cast<RegType>(type), std::string(data)}});
  }
  // A file cut at a record boundary shows in the count.
  return intact && key->values.size() == count;
}

}  // namespace vexa
