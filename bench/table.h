// The benchmarks' one table: each row's time beside a 300 KB memcpy (a
// frame's worth of bytes) measured in the same run, so that figures from
// machines of different speeds can be compared.
#pragma once

namespace benchtable {

// Runs the registered benchmarks and prints their rows. Options of its own:
// --table-header prints the table's heading first; every other option goes
// to Google Benchmark. Returns the process's exit status.
int runAndPrint(int argc, char** argv);

} // namespace benchtable
