#pragma once
// Output file names, delimiter lines and the overwrite question.
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa::extract {

// The name without the ten characters " \ / : * ? < > | - and without
// leading and trailing white space.
std::string CleanName(std::string_view name);
// False for names that do not name a file of their own: "", "." and "..".
bool IsUsableName(std::string_view cleaned);

// "%s_%d_%d.out" from the sender name (its path separators left out), the
// number and the counter of generated names.
std::string GeneratedMessageName(std::string_view sender, int number, int counter);
// "%s_%d.out" from "KRTV" and the number.
std::string GeneratedContainerName(int number);

// The first value (0 to 32767) of the classic runtime's pseudo-random
// generator right after seeding it with `seed`: two names drawn within the
// same second get the same number.
int FirstRandomAfterSeed(uint32_t seed);

struct Delimiter {
  std::string line;     // "--" + boundary
  std::string closing;  // line + "--"
};
// The delimiter from the text that follows "BOUNDARY=": up to the first CR
// or LF, without double quotes, trimmed.
Delimiter PrepareDelimiter(std::string_view after_keyword);
// The delimiter of a boundary already prepared.
Delimiter MakeDelimiter(std::string_view boundary);

std::string OverwriteQuestion(const std::string& path);

bool IsSpace(unsigned char c);

}  // namespace vexa::extract
