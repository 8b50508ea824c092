// The MD5 component's digest of a file (mode 1), timed: bench_md5 FILE [ROUNDS]
// Prints "md5 DIGEST BEST_SECONDS" on one line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/MD5Component.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_md5 FILE [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  try {
    const auto md5 = kv::MD5Component::Create();
    std::wstring digest;
    double best = 0;
    for (int round = 0; round < rounds; ++round) {
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      digest = md5->MD5(argv[1], kv::MD5Component::File);
      QueryPerformanceCounter(&end);
      const double seconds =
          static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
      if (round == 0 || seconds < best) best = seconds;
    }
    std::printf("md5 %s %.4f\n", kv::ToUtf8(digest).c_str(), best);
    return 0;
  } catch (const kv::RuntimeError& failure) {
    std::fprintf(stderr, "failed: %s\n", kv::ToUtf8(failure.Description()).c_str());
    return 1;
  }
}
