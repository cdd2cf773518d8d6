// A private scratch directory for a fuzz target: made once per process,
// removed when the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The directory, made on first use.
const std::string& scratchDir();
// Writes bytes to path whole; false if it could not.
bool writeWhole(const std::string& path, const uint8_t* bytes, size_t size);

} // namespace fuzzing
