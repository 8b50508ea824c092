// Uploads a folder of program files into the update database with UploadData and writes them
// back with DownloadData, through PostgreSQL (driver code 4) as scripts/db-env.sh sets it up.
// Prints "db FILES BYTES UPLOAD_S DOWNLOAD_S": bench_db_transfer WORKDIR [FILES] [MB]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"
#include "database/clsDataBaseUpdate.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  kv::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadWhole(const std::wstring& path) {
  kv::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[1 << 16];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_db_transfer WORKDIR [FILES] [MB]\n");
    return 2;
  }
  const std::wstring work = argv[1];
  const int files = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 300;
  const double mb = argc > 3 ? std::wcstod(argv[3], nullptr) : 100;
  const std::wstring port = Env(L"KV_PG_PORT"), user = Env(L"KV_PG_USER"), password = Env(L"KV_PG_PASSWORD");
  if (port.empty()) {
    std::fprintf(stderr, "no database: run through scripts/bench.sh\n");
    return 2;
  }
  const std::wstring source = work + L"\\up", target = work + L"\\down";
  CreateDirectoryW(work.c_str(), nullptr);
  CreateDirectoryW(source.c_str(), nullptr);
  CreateDirectoryW(target.c_str(), nullptr);

  // Sizes spread around the mean, contents that do not compress.
  const std::size_t total = static_cast<std::size_t>(mb * 1e6);
  std::vector<std::wstring> names;
  std::size_t bytes = 0;
  std::uint32_t seed = 12345;
  for (int i = 0; i < files; ++i) {
    const std::size_t mean = total / static_cast<std::size_t>(files);
    const std::size_t size = i + 1 == files ? total - bytes : mean / 2 + (static_cast<std::size_t>(i) * 7919) % mean;
    std::string data(size, '\0');
    for (char& c : data) {
      seed = seed * 1664525u + 1013904223u;
      c = static_cast<char>(seed >> 24);
    }
    wchar_t name[32];
    std::swprintf(name, 32, L"prog%03d.dll", i);
    if (!WriteWhole(source + L"\\" + name, data)) return 1;
    names.push_back(name);
    bytes += size;
  }

  kv::clsDataBaseUpdate db;
  const std::wstring option = L"Port=" + port + L";SSLmode=disable";
  if (db.OpenConnect(4, user, password, L"127.0.0.1", L"", L"", option) != 0) {
    std::fprintf(stderr, "open: %s\n", kv::ToUtf8(db.LastErrorMessage()).c_str());
    return 1;
  }
  const auto up = Clock::now();
  for (const std::wstring& name : names) {
    if (db.UploadData(name, L"", L"2020/04/01 09:30:00", 1, source) != 0) {
      std::fprintf(stderr, "upload: %s\n", kv::ToUtf8(db.LastErrorMessage()).c_str());
      return 1;
    }
  }
  const auto down = Clock::now();
  for (const std::wstring& name : names) {
    if (db.DownloadData(name, L"", 1, target) != 0) {
      std::fprintf(stderr, "download: %s\n", kv::ToUtf8(db.LastErrorMessage()).c_str());
      return 1;
    }
  }
  const auto end = Clock::now();
  db.CloseConnect();

  for (const std::wstring& name : names) {
    if (ReadWhole(source + L"\\" + name) != ReadWhole(target + L"\\" + name)) {
      std::fprintf(stderr, "differs: %s\n", kv::ToUtf8(name).c_str());
      return 1;
    }
  }
  std::printf("db %d %zu %.3f %.3f\n", files, bytes, std::chrono::duration<double>(down - up).count(),
              std::chrono::duration<double>(end - down).count());
  return 0;
}
