// Resident memory of the whole history held in the model, as `tarnwick -a`
// holds it, on the benchmark repository (BENCH_REPO, or the first
// argument): the peak while loading and what stays resident afterwards, per
// commit, with the model's own share (commits, graph) counted apart.

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "repo/repo.hpp"

namespace {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(field + ":")) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* env_repo = std::getenv("BENCH_REPO");
  const std::string path = argc > 1 ? argv[1] : env_repo ? env_repo : "";
  if (path.empty()) {
    std::fprintf(stderr, "usage: bench_memory REPO (or set BENCH_REPO)\n");
    return 2;
  }
  const long before = status_kib("VmRSS");
  auto opened = repo::Repo::open(path, std::nullopt);
  if (!opened) {
    std::fprintf(stderr, "bench_memory: %s\n", opened.error().message.c_str());
    return 1;
  }
  const long peak = status_kib("VmHWM");
  const long held = status_kib("VmRSS");
  const repo::Repo& r = *opened;
  const double n = static_cast<double>(r.commits.size());
  std::printf("\nresident memory with the whole history (%zu commits)\n", r.commits.size());
  std::printf("  %-44s %9.1f MiB  %6.0f B/commit\n", "peak while loading (VmHWM)", peak / 1024.0,
              (peak - before) * 1024.0 / n);
  std::printf("  %-44s %9.1f MiB  %6.0f B/commit\n", "resident after loading (VmRSS)", held / 1024.0,
              (held - before) * 1024.0 / n);
  struct mallinfo2 info = mallinfo2();
  std::printf("  %-44s %9.1f MiB  %6.0f B/commit\n", "heap in use (mallinfo2 uordblks)",
              info.uordblks / 1048576.0, info.uordblks / n);
  return 0;
}
