// Alerts benchmarks: one log line appended to a 100 MB log against an empty one (the
// append must not grow with the log), and how long PlayAlertSound holds its caller.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "alerts/log.h"
#include "alerts/player.h"
#include "alerts/program_folder.h"
#include "alerts/sound.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder for one benchmark, removed with its log at the end.
class BenchFolder {
  public:
    BenchFolder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("lumeno-alerts-bench-" + std::to_string(random()));
        fs::create_directories(path_);
        lumeno::SetProgramFolderForTesting(lumeno::TextValue(path_.string()));
    }
    ~BenchFolder() {
        lumeno::SetProgramFolderForTesting(lumeno::TextValue());
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    [[nodiscard]] const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// A log of about megabytes MB made of ordinary lines.
void FillLog(const fs::path& log, std::size_t megabytes) {
    const std::string line = "Time:2014年1月30日3时1分39秒  Log:Qorvi3 TD版 开放购买!\r\n";
    std::string block;
    while (block.size() < (1u << 20)) block += line;
    std::ofstream out(log, std::ios::binary);
    for (std::size_t i = 0; i < megabytes; ++i)
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

void BM_AppendLog(benchmark::State& state) {
    BenchFolder folder;
    const auto megabytes = static_cast<std::size_t>(state.range(0));
    if (megabytes > 0) FillLog(folder.Path() / "log.txt", megabytes);
    const lumeno::TextValue message("Qorvi3 TD版 开放购买!");
    for (auto _ : state) lumeno::AppendLog(message);
    state.counters["log_MB"] =
        static_cast<double>(fs::file_size(folder.Path() / "log.txt")) / (1 << 20);
}
// The median of many repetitions, so a disk hiccup does not decide the figure.
BENCHMARK(BM_AppendLog)
    ->Arg(0)
    ->Arg(100)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    });

// From the call to its return: the player is created, its worker opens the file and the
// device, and the call returns. Arg 1: a real 1.mp3 (LUMENO_BENCH_MP3 names one); arg 0:
// no file, the silent case. The previous call's player is stopped inside each call, as in
// real use.
void BM_PlayAlertSound(benchmark::State& state) {
    BenchFolder folder;
    if (state.range(0) == 1) {
        const char* mp3 = std::getenv("LUMENO_BENCH_MP3");
        if (!mp3 || !fs::exists(mp3)) {
            state.SkipWithError("set LUMENO_BENCH_MP3 to an MP3 file");
            return;
        }
        fs::copy_file(mp3, folder.Path() / "1.mp3");
    }
    for (auto _ : state) lumeno::PlayAlertSound();
    lumeno::StopPlayer();
}
BENCHMARK(BM_PlayAlertSound)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
