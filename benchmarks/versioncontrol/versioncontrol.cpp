// Writes and reads a full version control (3000 files, 200 history entries) through MSXML 3 and
// prints the times: bench_versioncontrol [ROUNDS [KEEP]]; KEEP: where the last file written stays.
// The last line is "vc BYTES WRITE_MEDIAN READ_MEDIAN" (seconds).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class F>
double Time(F&& f) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  f();
  QueryPerformanceCounter(&end);
  return Seconds(start, end);
}

// Entries in shuffled order, so every write sorts a full table.
void Fill(kv::clsVersionControl& vc, std::mt19937& random) {
  std::vector<int> order(3000);
  for (int i = 0; i < 3000; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), random);
  for (std::int16_t i = 1; i <= 3000; ++i) {
    const int n = order[i - 1];
    const std::wstring stem = (n % 3 == 0 ? L"帳票モジュール" : L"Module") + std::to_wstring(n);
    vc.SetProgramName(i, stem + L".dll");
    vc.SetVersionText(i, L"2011/04/05 10:" + std::to_wstring(10 + n % 50) + L":30");
    vc.SetFileSize(i, 100000 + n);
    vc.SetRegistType(i, static_cast<std::int16_t>(n % 5));
    vc.SetFolderName(i, n % 4 == 0 ? L"Report" : L"");
    vc.SetCabFileName(i, n % 7 == 0 ? stem + L".cab" : L"");
    vc.SetCabFileSize(i, 50000 + n);
    vc.SetMD5(i, L"0123456789abcdef0123456789abcdef");
  }
  vc.SetUseVersionTable(3000);
  for (std::int16_t i = 1; i <= 200; ++i) {
    vc.SetInfoID(i, std::to_wstring(i));
    vc.SetInfoType(i, 1);
    vc.SetInfoHiduke(i, L"2011/04/05");
    vc.SetInfoVersion(i, L"3.2." + std::to_wstring(i));
    vc.SetInfoVerGroup(i, L"3");
    vc.SetInfoTitle(i, L"予約画面の修正 その" + std::to_wstring(i));
  }
  vc.SetUseInfoTable(200);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const kv::ComApartment com;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = argc > 2 ? std::wstring(argv[2]) : std::wstring(temp) + L"bench_versioncontrol.xml";

  std::mt19937 random(7);
  std::vector<double> writes, reads;
  for (int round = 0; round < rounds; ++round) {
    kv::clsVersionControl vc;
    Fill(vc, random);
    std::int32_t written = 0;
    writes.push_back(Time([&] { written = vc.WriteControl(path); }));
    kv::clsVersionControl back;
    std::int32_t read = 0;
    reads.push_back(Time([&] { read = back.ReadControl(path, L"", L""); }));
    if (written != 0 || read != 0 || back.UseVersionTable() != 3000) {
      std::printf("failed: write %d, read %d, %d files\n", written, read, back.UseVersionTable());
      return 1;
    }
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  if (argc <= 2) DeleteFileW(path.c_str());
  std::printf("version control of 3000 files and 200 history entries, %lu bytes, %d rounds\n", data.nFileSizeLow,
              rounds);
  std::printf("WriteControl (sort and save): median %.3f s, min %.3f s\n", Median(writes),
              *std::min_element(writes.begin(), writes.end()));
  std::printf("ReadControl (load and verify): median %.3f s, min %.3f s\n", Median(reads),
              *std::min_element(reads.begin(), reads.end()));
  std::printf("vc %lu %.4f %.4f\n", data.nFileSizeLow, Median(writes), Median(reads));
  return 0;
}
