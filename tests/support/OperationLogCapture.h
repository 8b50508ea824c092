#pragma once
// The operation log of one test. The file name begins with the product title, so the capture
// installs a FakeHost whose product title is unique to the running test: the test reads only its
// own lines, while other test processes write theirs. Link the suite with kv_dialogs.
//   kvtest::OperationLogCapture log;          // log.host is installed; set more of it as needed
//   ... show dialogs ...
//   EXPECT_EQ(log.Lines(), (std::vector<std::wstring>{L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[OK],クリック"}));
#include <string>
#include <string_view>
#include <vector>

#include "base/Host.h"
#include "support/FakeHost.h"

namespace kvtest {

// A log file decoded as code page 932, split at CR LF; no line after the last one.
std::vector<std::wstring> ReadAnsiLines(const std::wstring& path);
// The same for bytes already read (a part of a log file).
std::vector<std::wstring> DecodeAnsiLines(std::string_view bytes);
// The operation log files of a product name in the per-user data folder, oldest day first.
std::vector<std::wstring> OperationLogFiles(const std::wstring& productName);

class OperationLogCapture {
 public:
  OperationLogCapture();
  ~OperationLogCapture();  // removes the test's files
  OperationLogCapture(const OperationLogCapture&) = delete;
  OperationLogCapture& operator=(const OperationLogCapture&) = delete;

  FakeHost host;

  const std::wstring& ProductTitle() const { return title_; }
  // Every line of the test's files (day by day), whole or without the time stamp field.
  std::vector<std::wstring> RawLines() const;
  std::vector<std::wstring> Lines() const;
  // The test's files, oldest day first.
  std::vector<std::wstring> Files() const;

 private:
  std::wstring title_;
  kv::ScopedHost scoped_;
};

}  // namespace kvtest
