// CabCompress on each file of a program folder, timed as a whole: bench_cab_compress SRC DST
// (both folders without a trailing "\"). Prints "files N bytes B seconds S" on one line.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "maintenance/CabCompress.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: bench_cab_compress SRC DST\n");
    return 2;
  }
  const std::wstring src = std::wstring(argv[1]) + L"\\";
  const std::wstring dst = std::wstring(argv[2]) + L"\\";
  std::vector<std::wstring> names;
  std::uint64_t bytes = 0;
  WIN32_FIND_DATAW found{};
  kv::UniqueFind find(FindFirstFileW((src + L"*").c_str(), &found));
  if (!find) return 1;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    names.push_back(found.cFileName);
    bytes += (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  } while (FindNextFileW(find.get(), &found));

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (const auto& name : names) kv::CabCompress(name, L"", src, dst);
  QueryPerformanceCounter(&end);
  std::printf("files %u bytes %llu seconds %.3f\n", static_cast<unsigned>(names.size()),
              static_cast<unsigned long long>(bytes),
              static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  return 0;
}
