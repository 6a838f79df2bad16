#pragma once
// The fuzz entries of the extractor: each runs one input through the real
// extractor on a temporary directory, checks what it wrote and removes it.
// Shared by the libFuzzer targets and the replay of the seed corpus.
#include <cstddef>
#include <cstdint>

namespace vexa::extract {

int FuzzMessage(const uint8_t* data, size_t size);
int FuzzContainer(const uint8_t* data, size_t size);

}  // namespace vexa::extract
