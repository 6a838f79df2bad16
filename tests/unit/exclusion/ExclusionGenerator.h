#pragma once
// Random address lists, category lists, addresses and categories drawn from
// small pools, so that entries and addresses meet often: every entry form,
// line ends of every kind, NUL bytes, letters of both cases (é and É
// included), lead bytes of the double-byte pages, and stray CR, LF and stars
// inside addresses.
#include <random>
#include <string>
#include <vector>

namespace vexa::testing {

class ExclusionGenerator {
 public:
  explicit ExclusionGenerator(uint64_t seed) : rng_(seed) {}

  std::string AddressFile() {
    used_.clear();
    entries_.clear();
    std::string file;
    const int entries = Below(14);
    for (int i = 0; i < entries; ++i) {
      if (Chance(8)) file += LineEnd();  // empty lines
      entries_.push_back(Entry());
      file += entries_.back();
      if (i + 1 < entries || !Chance(4)) file += LineEnd();
    }
    if (Chance(10)) file += std::string(260, 'q') + "\r\n" + Entry() + "\r\n";  // past one read chunk
    if (Chance(12)) file.insert(Below(static_cast<int>(file.size()) + 1), 1, '\0');
    return Chance(2) ? Lower(file) : file;
  }

  std::string CategoryFile() {
    static const std::vector<std::string> names = {
        "games", "GAMES", " b", "b", "\"b,c\"", "a\\q", "x\\", "a\\,b", "", "n\\n", "a\"b", "\xE9t\xE9"};
    std::string file = Pick(names);
    if (Chance(4)) return file;
    const int more = 1 + Below(4);
    for (int i = 0; i < more; ++i) file += "," + Pick(names);
    if (Chance(10)) file += "\r\n";
    return file;
  }

  std::string Address() {
    static const std::vector<std::string> schemes = {"",       "http://", "https://", "ftp://",
                                                     "HTTP://", "Ftp://", "x"};
    static const std::vector<std::string> paths = {
        "", "", "/", "/x", "/d.e", "/a.b/c", "?u=http://c.d", ":8080/x", "/https://a.b"};
    std::string address;
    if (!entries_.empty() && Chance(4)) {
      address = FromEntry(Pick(entries_));
    } else if (Chance(6)) {
      address = "u@" + SomeDomain();
    } else {
      address = Pick(schemes) + (Chance(8) ? "u@" : "") + SomeDomain() + Pick(paths);
    }
    if (Chance(6)) address = MixCase(address);
    if (Chance(15)) {
      static const char odd[] = {'*', '\0', '\r', '\n', ' ', '\x81', '.'};
      address.insert(Below(static_cast<int>(address.size()) + 1), 1, odd[Below(sizeof odd)]);
    }
    if (Chance(40)) address.clear();
    return address;
  }

  std::string Category() {
    static const std::vector<std::string> categories = {
        " ", "GAMES", "Games", " B", "B", "B,C", "A", "", "A\\Q", "X", "N\nN", "\xC9T\xC9"};
    return Pick(categories);
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int one_in) { return Below(one_in) == 0; }
  const std::string& Pick(const std::vector<std::string>& from) {
    return from[Below(static_cast<int>(from.size()))];
  }

  // Half of the addresses use a domain of the last list, with a label more
  // in front now and then.
  std::string SomeDomain() {
    if (used_.empty() || Chance(4)) return Domain();
    std::string domain = Pick(used_);
    if (Chance(3)) domain = Pick({"a", "x", "\x81"}) + ("." + domain);
    return domain;
  }

  std::string Domain() {
    static const std::vector<std::string> labels = {"a",  "b",  "c",    "x",   "ab",
                                                    "B",  "C",  "caf\xE9", "CAF\xC9", "\x81" "A",
                                                    "\x81", "bc"};
    std::string domain = Pick(labels);
    const int more = Below(3);
    for (int i = 0; i < more; ++i) domain += "." + Pick(labels);
    used_.push_back(domain);
    return domain;
  }

  // An address an entry was meant for: its stars filled, "*." or "*@" in
  // front dropped or filled, in lower case; or only what follows a lead byte.
  std::string FromEntry(std::string entry) {
    // The bytes after a lead byte: a tail that starts inside a character.
    if (const size_t lead = entry.rfind('\x81'); lead != std::string::npos && Chance(2)) {
      entry.erase(0, lead + 1);
    }
    if (entry.starts_with("*.") && Chance(2)) entry.erase(0, 2);
    if (entry.starts_with("*@")) entry.replace(0, 1, "u");
    for (size_t star = entry.find('*'); star != std::string::npos; star = entry.find('*')) {
      entry.replace(star, 1, Chance(3) ? "" : Chance(2) ? "a." : "b");
    }
    return Chance(3) ? entry : Lower(entry);
  }

  std::string Entry() {
    static const std::vector<std::string> suffix_forms = {"HTTP://*.", "HTTPS://*.", "FTP://*.",
                                                          "http://*.", "*.", "*@"};
    static const std::vector<std::string> hosts = {"HTTP://", "HTTPS://", "FTP://"};
    std::string entry;
    switch (Below(8)) {
      case 0: entry = Address(); break;
      case 1: entry = Pick(hosts) + Domain(); break;
      case 2: entry = Pick(suffix_forms) + Domain(); break;
      case 3: entry = Pick(suffix_forms) + Domain() + (Chance(2) ? "/d.e" : "/x"); break;
      case 4: entry = Chance(5) ? "HTTPS://*" : "*@" + Domain(); break;
      case 5:
      case 6: {
        entry = Address();
        const int stars = 1 + Below(2);
        for (int i = 0; i < stars; ++i) {
          const int at = Below(static_cast<int>(entry.size()) + 1);
          if (Chance(2) && at < static_cast<int>(entry.size())) {
            entry[at] = '*';
          } else {
            entry.insert(at, 1, '*');
          }
        }
        break;
      }
      default: entry = "X" + Pick(hosts) + Domain(); break;
    }
    if (Chance(12)) entry += ' ';
    if (Chance(20)) entry += '\x81';  // a lead byte that takes the CR with it
    return entry;
  }

  std::string LineEnd() {
    switch (Below(10)) {
      case 0: return "\n";
      case 1: return "\r\r\n";
      case 2: return "\n\n";
      default: return "\r\n";
    }
  }

  std::string Lower(std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c += 0x20;
    }
    return text;
  }

  std::string MixCase(std::string text) {
    for (char& c : text) {
      if (Chance(2) && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) c ^= 0x20;
    }
    return text;
  }

  std::mt19937_64 rng_;
  std::vector<std::string> used_;
  std::vector<std::string> entries_;
};

}  // namespace vexa::testing
