// Benchmarks of RunToolCommand: cost per command against a bare spawn, throughput on a child
// that prints 64 MiB, decoder speed; `--idle-cpu [SECONDS]` measures the CPU the runner uses
// while its child sleeps.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tool_runtime/command_line.h"
#include "tool_runtime/run_tool_command.h"
#include "tool_runtime/utf8_stream.h"

extern char** environ;

namespace {

std::wstring ChildLine(const std::wstring& args) {
  return QuoteArgument(Utf8ToWide(VANTREL_RUNNER_CHILD)) + (args.empty() ? L"" : L" " + args);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The child that ends at once, through the runner.
void BM_RunToolCommand(benchmark::State& state) {
  const std::wstring line = ChildLine(state.range(0) ? L"--print devices" : L"");
  for (auto _ : state) {
    std::wstring output;
    std::uint32_t exitCode = 0;
    if (RunToolCommand(line, output, exitCode) != kRunEnded) state.SkipWithError("run failed");
    benchmark::DoNotOptimize(output);
  }
}
BENCHMARK(BM_RunToolCommand)->Arg(0)->Arg(1)->ArgName("prints")->UseRealTime();

// The same child started and awaited without the runner: the floor for any runner.
void BM_PosixSpawnDirect(benchmark::State& state) {
  char* argv[] = {const_cast<char*>(VANTREL_RUNNER_CHILD), nullptr};
  for (auto _ : state) {
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("spawn failed");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
}
BENCHMARK(BM_PosixSpawnDirect)->UseRealTime();

// A child that prints 64 MiB as fast as it can: bytes through the pipe and the decoder.
void BM_Throughput(benchmark::State& state) {
  const std::wstring line = ChildLine(L"--flood-mb " + std::to_wstring(state.range(0)));
  const std::int64_t bytes = state.range(0) << 20;
  for (auto _ : state) {
    std::wstring output;
    std::uint32_t exitCode = 0;
    if (RunToolCommand(line, output, exitCode) != kRunEnded ||
        static_cast<std::int64_t>(output.size()) != bytes) {
      state.SkipWithError("output incomplete");
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["peak_rss_MiB"] = static_cast<double>(PeakRssKiB()) / 1024.0;
}
BENCHMARK(BM_Throughput)->Arg(64)->ArgName("MiB")->Unit(benchmark::kMillisecond)->UseRealTime();

// The decoder alone on 4 KiB chunks, ASCII and Chinese.
void BM_Decode(benchmark::State& state) {
  const std::string unit = state.range(0) ? "刷入成功 " : "OKAY [  0.393s]\n";
  std::string chunk;
  while (chunk.size() + unit.size() <= 4096) chunk += unit;
  for (auto _ : state) {
    Utf8StreamDecoder decoder;
    std::wstring out;
    decoder.Decode(chunk, out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chunk.size()));
}
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->ArgName("chinese");

// CPU time this process spends while one run waits for a child that sleeps.
int IdleCpu(int seconds) {
  const std::wstring line = ChildLine(L"--sleep-ms " + std::to_wstring(seconds * 1000));
  const double cpuBefore = CpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  std::wstring output;
  std::uint32_t exitCode = 0;
  const int result = RunToolCommand(line, output, exitCode);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  const double cpu = CpuSeconds() - cpuBefore;
  std::printf("result %d, wall %.3f s, runner CPU %.4f s (%.4f%% of one core)\n", result, wall, cpu,
              100.0 * cpu / wall);
  return result == kRunEnded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--idle-cpu") == 0) {
      return IdleCpu(i + 1 < argc ? std::atoi(argv[i + 1]) : 10);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
