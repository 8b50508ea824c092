#include "support/OperationLogCapture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/Handles.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

std::wstring UniqueTitle() {
  std::wstring title = L"kvtest";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    title += L" " + kv::FromUtf8(info->test_suite_name()) + L"." + kv::FromUtf8(info->name());
  }
  title += L" " + std::to_wstring(GetCurrentProcessId());
  for (wchar_t& c : title) {
    if (wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  return title;
}

std::wstring LogFolder() { return kv::GetUserDataFolder() + L"\\操作ログ\\"; }

}  // namespace

std::vector<std::wstring> ReadAnsiLines(const std::wstring& path) { return DecodeAnsiLines(ReadBytes(path)); }

std::vector<std::wstring> DecodeAnsiLines(std::string_view bytes) {
  // Decoded as code page 932 whatever the process's code page: the logs are Japanese ANSI text.
  std::wstring text;
  if (!bytes.empty()) {
    text.resize(bytes.size());
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()))));
  }
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (auto end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

OperationLogCapture::OperationLogCapture() : title_(UniqueTitle()), scoped_(host) { host.productName = title_; }

OperationLogCapture::~OperationLogCapture() {
  for (const auto& file : Files()) DeleteFileW(file.c_str());
}

std::vector<std::wstring> OperationLogFiles(const std::wstring& productName) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW data;
  kv::UniqueFind find(FindFirstFileW((LogFolder() + productName + L"_*.LOG").c_str(), &data));
  if (find) {
    do files.push_back(LogFolder() + data.cFileName);
    while (FindNextFileW(find.get(), &data));
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::wstring> OperationLogCapture::Files() const { return OperationLogFiles(title_); }

std::vector<std::wstring> OperationLogCapture::RawLines() const {
  std::vector<std::wstring> lines;
  for (const auto& file : Files()) {
    for (auto& line : ReadAnsiLines(file)) lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::wstring> OperationLogCapture::Lines() const {
  std::vector<std::wstring> lines = RawLines();
  for (auto& line : lines) {
    const auto comma = line.find(L',');
    line = comma == std::wstring::npos ? std::wstring() : line.substr(comma + 1);
  }
  return lines;
}

}  // namespace kvtest
