#pragma once
// The extractor with its seams given: the entry points behind the export,
// for the command-line tool and the tests.
#include <cstdint>
#include <string>

#include "Output.h"

namespace vexa::extract {

// Reads the input in blocks of 8192 bytes: a block that begins with the
// container signature hands the whole file to ExtractContainer, anything
// else is scanned as a mail message. -1 when the input cannot be opened,
// else the count of files completed.
int32_t RunExtractor(const std::string& input_path, const std::string& output_prefix, const ExtractEnv& env);

// Writes the members of a container file. -1 when it cannot be opened,
// else the count of members written. A last member cut off by the end of
// the file is written as far as it goes and not counted.
int32_t ExtractContainer(const std::string& input_path, const std::string& output_prefix, const ExtractEnv& env);

// The seams the export uses: the prompt registered with SetOverwritePrompt
// (without one: "yes" only when VEXA_OVERWRITE is "yes"), and the number
// drawn from the current time.
bool AskRegisteredPrompt(const std::string& question);
int TimeSeededNumber();

}  // namespace vexa::extract
