// What the simulator and the soak read and write: every write checked, every
// input bounded, every number read without exceptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// A script is read whole; more than this is no script a person wrote.
constexpr uint64_t kMaxScriptBytes = 16 * 1024 * 1024;

// Thrown from inside the run when an output cannot take what is written:
// the run stops there, on this one line.
struct WriteFailed {
    std::string line;
};

// A text file written a whole line at a time. A line that cannot be
// written whole is cut off again, so that the file always ends after its
// last whole line; the first failure is kept as the line that reports it.
class LineFile {
  public:
    LineFile() = default;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    ~LineFile();

    // Creates (or empties) the file; false with failure() set when it cannot.
    bool open(const std::string& path);
    bool isOpen() const { return descriptor_ >= 0; }
    // Writes text and a newline; false with failure() set when the file did
    // not take them whole. Nothing more is written after a failure.
    bool writeLine(std::string_view text);
    // Closes the file; false with failure() set when the system refused.
    bool close();
    // "cannot write PATH: CAUSE", or empty while every write went through.
    const std::string& failure() const { return failure_; }

  private:
    bool fail(int cause);

    std::string path_;
    int descriptor_ = -1;
    uint64_t written_ = 0;
    std::string failure_;
};

// The line for a file that could not be written: "cannot write PATH: CAUSE".
std::string writeFailureLine(const std::string& path, int cause);

// Reads a script from a regular file or a pipe, at most maxBytes of it.
// False with why set ("a directory, not a file or a pipe", "larger than
// ...", the system's cause) otherwise.
bool readScriptFile(const std::string& path, uint64_t maxBytes, std::string& text,
                    std::string& why);

// Reads a decimal number of at most max, digits only; false for anything
// else, a number past max included.
bool parseNumber(std::string_view text, uint64_t max, uint64_t& value);

} // namespace sim
