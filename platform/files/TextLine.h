#pragma once
// Reading the first line of a file as a text-mode reader sees it: a CR LF
// pair reads as LF, a byte 0x1A ends the text, the line may be of any length
// and its LF is dropped. A lone CR stays part of the line.
#include <string>

#include "FileSystem.h"

namespace vexa {

enum class TextLineResult {
  kLine,       // `line` holds the first line, possibly empty
  kNoText,     // the text ends at once: empty file, or 0x1A first
  kReadError,  // the file could not be read
};

TextLineResult ReadFirstTextLine(ExclusiveFile& file, std::string* line);

}  // namespace vexa
