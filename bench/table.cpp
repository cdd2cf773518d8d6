#include "table.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace benchtable {

namespace {

// The reference every row is divided by: as many bytes as one 640x480
// frame of palette indices.
constexpr size_t kFrameBytes = 640 * 480;
// Each program names its run, so that the table tells the references apart.
#ifndef QV_BENCH_RUN
#define QV_BENCH_RUN ""
#endif
constexpr const char* kReferenceName = "memcpy 300 KB" QV_BENCH_RUN;

void copyFrameBytes(benchmark::State& state) {
    std::vector<unsigned char> from(kFrameBytes, 7);
    std::vector<unsigned char> to(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(copyFrameBytes)->Name(kReferenceName);

double nanosecondsPer(benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kNanosecond:
        return 1;
    case benchmark::kMicrosecond:
        return 1e3;
    case benchmark::kMillisecond:
        return 1e6;
    case benchmark::kSecond:
        return 1e9;
    }
    return 1;
}

std::string readable(double nanoseconds) {
    char text[32];
    if (nanoseconds < 1e3) {
        std::snprintf(text, sizeof text, "%.0f ns", nanoseconds);
    } else if (nanoseconds < 1e6) {
        std::snprintf(text, sizeof text, "%.1f us", nanoseconds / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.2f ms", nanoseconds / 1e6);
    }
    return text;
}

struct Row {
    std::string name;
    double nanoseconds = 0;
    std::string rate;
    std::string error;
};

// Collects the runs and prints them when all are done, once the reference
// is known. A row that counts items (frames, pictures) shows its time per
// item and the items per second.
class TableReporter : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            Row row;
            row.name = run.benchmark_name();
            if (run.error_occurred) {
                row.error = run.error_message;
                rows_.push_back(row);
                continue;
            }
            row.nanoseconds = run.GetAdjustedRealTime() * nanosecondsPer(run.time_unit);
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && items->second.value > 0) {
                row.nanoseconds = 1e9 / items->second.value;
                char rate[32];
                std::snprintf(rate, sizeof rate, "%.0f/s", items->second.value);
                row.rate = rate;
            }
            if (row.name == kReferenceName) {
                reference_ = row.nanoseconds;
            }
            rows_.push_back(row);
        }
    }

    void Finalize() override {
        // The reference first, then the rows in the order they ran.
        std::stable_partition(rows_.begin(), rows_.end(),
                              [](const Row& row) { return row.name == kReferenceName; });
        for (const Row& row : rows_) {
            if (!row.error.empty()) {
                std::printf("%-44s  failed: %s\n", row.name.c_str(), row.error.c_str());
                continue;
            }
            const double ratio = reference_ > 0 ? row.nanoseconds / reference_ : 0;
            std::printf("%-44s %12s %10.1f %12s\n", row.name.c_str(),
                        readable(row.nanoseconds).c_str(), ratio, row.rate.c_str());
        }
        std::fflush(stdout);
    }

    bool anyFailed() const {
        for (const Row& row : rows_) {
            if (!row.error.empty()) {
                return true;
            }
        }
        return false;
    }

  private:
    std::vector<Row> rows_;
    double reference_ = 0;
};

} // namespace

int runAndPrint(int argc, char** argv) {
    bool header = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--table-header") == 0) {
            header = true;
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = int(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) {
        return 2;
    }
    if (header) {
        std::printf("%-44s %12s %10s %12s\n", "benchmark", "time", "x memcpy", "rate");
    }
    TableReporter table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return table.anyFailed() ? 1 : 0;
}

} // namespace benchtable

int main(int argc, char** argv) {
    return benchtable::runAndPrint(argc, argv);
}
