#pragma once
// Generated address lists of mixed entry forms, the addresses they were made
// for, and the same domains and addresses in squidGuard's list format.
#include <random>
#include <string>
#include <vector>

namespace vexa::bench {

struct BenchList {
  std::string file;                  // exc_log.ctl, lower case, CR LF lines
  std::vector<std::string> hits;     // an address excluded by each entry
  std::string squid_domains;         // squidGuard domainlist
  std::string squid_urls;            // squidGuard urllist
  size_t squid_entries = 0;
};

class ListMaker {
 public:
  explicit ListMaker(uint64_t seed) : rng_(seed) {}

  std::string Word(int min, int max) {
    const int n = std::uniform_int_distribution<int>(min, max)(rng_);
    std::string w;
    for (int i = 0; i < n; ++i) w += static_cast<char>('a' + rng_() % 26);
    return w;
  }

  // Entry forms: hosts 30%, "*." domains 20%, "http://*." domains 15%,
  // mail domains 10%, complete addresses 17%, wildcards with a fixed start
  // 6%, wildcards with a word inside 2%.
  BenchList Make(size_t entries) {
    BenchList list;
    for (size_t i = 0; i < entries; ++i) {
      const unsigned r = rng_() % 100;
      const std::string d = Word(5, 12);
      std::string entry;
      if (r < 30) {
        entry = "http://www." + d + ".com";
        list.hits.push_back(entry + "/index.html");
        Domain(list, "www." + d + ".com");
      } else if (r < 50) {
        entry = "*." + d + ".net";
        list.hits.push_back("cdn." + d + ".net");
        Domain(list, d + ".net");
      } else if (r < 65) {
        entry = "http://*." + d + ".org";
        list.hits.push_back("http://img." + d + ".org/p/" + Word(3, 8) + ".gif");
        Domain(list, d + ".org");
      } else if (r < 75) {
        entry = "*@" + d + ".com";
        list.hits.push_back(Word(3, 8) + "@" + d + ".com");
      } else if (r < 92) {
        const std::string path = d + ".com/" + Word(3, 8) + "/" + Word(3, 8) + ".html";
        entry = "http://" + path;
        list.hits.push_back(entry);
        Url(list, path);
      } else if (r < 98) {
        entry = "http://" + d + ".info/ads/*";
        list.hits.push_back("http://" + d + ".info/ads/" + Word(3, 8) + ".gif");
        Url(list, d + ".info/ads");
      } else {
        const std::string word = Word(9, 12);
        entry = "*" + word + "*";
        list.hits.push_back("http://" + Word(5, 10) + ".com/" + word + "/x.html");
      }
      list.file += entry + "\r\n";
    }
    return list;
  }

  // `count` addresses: 70% of no entry, 30% excluded by one, in random order.
  std::vector<std::string> Stream(const BenchList& list, size_t count) {
    std::vector<std::string> addresses;
    addresses.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      if (rng_() % 10 < 3) {
        addresses.push_back(list.hits[rng_() % list.hits.size()]);
      } else {
        addresses.push_back("http://www." + Word(5, 12) + ".com/" + Word(3, 8) + "/" + Word(3, 8) +
                            ".html");
      }
    }
    return addresses;
  }

 private:
  static void Domain(BenchList& list, const std::string& domain) {
    list.squid_domains += domain + "\n";
    ++list.squid_entries;
  }
  static void Url(BenchList& list, const std::string& url) {
    list.squid_urls += url + "\n";
    ++list.squid_entries;
  }

  std::mt19937_64 rng_;
};

}  // namespace vexa::bench
