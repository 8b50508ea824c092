// Extracts a cabinet with CabExtract and prints the time: bench_cab_extract CABINET DEST
#include <windows.h>

#include <cstdio>
#include <string>

#include "versioncontrol/subCabExtract.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: bench_cab_extract CABINET DEST\n", stderr);
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const bool done = kv::CabExtract(argv[1], argv[2]);
  QueryPerformanceCounter(&end);
  const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("%s %.3f\n", done ? "ok" : "failed", seconds);
  return done ? 0 : 1;
}
