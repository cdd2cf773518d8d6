// Telling the player what went wrong: one line on standard error, never a
// window and never a log file. A failure is noted where it is found (a
// loader knows the file, the device set-up the device) and written once,
// when the program ends on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// Notes why the program cannot go on: what failed, the data file concerned
// as the game names it (null when no file is), and why (may be empty). Only
// the first note is kept: later ones come from the same failure as it
// unwinds.
void noteFailure(const std::string& what, const char* path = nullptr, const std::string& why = {});
// The line the first note makes, or an empty string when none was noted.
std::string notedFailure();
// Writes the line of the first note, or a line saying that the program
// stopped on a refused request when nothing was noted. Once per program:
// later calls write nothing.
void reportFailure();
// Writes one line about something the program goes on without.
void reportNotice(const std::string& text);
// The same about a data file, named as a failure note names it.
void reportFileNotice(const std::string& what, const char* path, const std::string& why);
// What the backend last said about a request it refused; may be empty.
std::string backendError();

// Text from a file or the command line, fit for an error line: at most
// kQuotedChars of it, then "..." when there was more, with every control
// character (NUL, escape, carriage return...) shown as \xHH, so that a file
// can neither flood the terminal nor clear or overwrite it.
constexpr size_t kQuotedChars = 60;
std::string quoted(std::string_view text);
// The same escaping with no bound, for a whole line the program writes.
std::string printable(std::string_view text);
// A size as a person reads it ("512 bytes", "4.1 MiB"), rounded up or down to
// the tenth shown: a size over a limit is given rounded up and the limit
// rounded down, so that the two never read as equal.
enum class Rounding { Up, Down };
std::string sizeText(uint64_t bytes, Rounding rounding);

namespace detail {
// Forgets the note and whether the report was written (a fresh program).
void resetReports();
} // namespace detail

} // namespace plat
