#include "WholeRun.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "base/Handles.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/OperationLogCapture.h"

namespace kvtest {
namespace {

constexpr wchar_t kBootLog[] = L"UpdateBoot.log";
constexpr wchar_t kUpdateLog[] = L"Update.log";
constexpr wchar_t kUpdaterIni[] = L"KanvoloUpdate.ini";
constexpr wchar_t kWebToolIni[] = L"Sornet.ini";
// Extra time the answering program gets after the program, to see it end and write its result.
constexpr DWORD kAnswerGraceMs = 15000;

std::wstring UserFolder() { return kv::GetUserDataFolder() + L"\\"; }
std::wstring OperationLogFolder() { return UserFolder() + L"操作ログ\\"; }

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = L"";
  GetWindowsDirectoryW(folder, MAX_PATH);
  return folder;
}

// "2024-03-05 10:20:30.456 text" -> "text"; other lines stay whole.
std::wstring WithoutStamp(const std::wstring& line) {
  constexpr std::size_t kStamp = 23;
  return line.size() > kStamp && line[kStamp] == L' ' && line[4] == L'-' ? line.substr(kStamp + 1) : line;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// The test's environment with the given variables set: a block for CreateProcessW.
std::wstring EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
  std::wstring block;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
      const std::wstring text(entry);
      const auto equals = text.find(L'=', 1);  // "=C:=C:\..." entries begin with "="
      const std::wstring name = text.substr(0, equals);
      const bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                        [&](const auto& o) { return SameName(o.first, name); });
      if (!replaced) block += text + L'\0';
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : overrides) block += name + L"=" + value + L'\0';
  return block + L'\0';
}

std::wstring TestName() {
  std::wstring name = L"e2e";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name += L"-" + kv::FromUtf8(info->test_suite_name()) + L"." + kv::FromUtf8(info->name());
  }
  for (wchar_t& c : name) {
    if (wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  return name;
}

std::optional<std::string> TryReadBytes(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  try {
    return ReadBytes(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void Copy(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << kv::ToUtf8(from) << " to " << kv::ToUtf8(to) << " (error " << GetLastError()
                  << ")";
  }
}

// Waits for the process; ends it when it is still running after the time.
bool WaitOrEnd(HANDLE process, DWORD milliseconds, DWORD& exitCode) {
  const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
  }
  GetExitCodeProcess(process, &exitCode);
  return ended;
}

// What is left of a run, so that it cannot disturb the next test.
void EndProcessesOf(const std::wstring& image) {
  kv::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return;
  do {
    if (_wcsicmp(entry.szExeFile, image.c_str()) != 0) continue;
    kv::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process && TerminateProcess(process.get(), 99)) WaitForSingleObject(process.get(), 5000);
  } while (Process32NextW(snapshot.get(), &entry));
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped; elsewhere they stay.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

kv::UniqueHandle StartAnswering(const AnswerRequest& request) {
  const std::wstring answerer = TestProgramFolder() + L"\\kv_answer.exe";
  std::wstring commandLine = QuoteArgument(answerer) + L" --pid " + std::to_wstring(request.pid) + L" --transcript " +
                             QuoteArgument(request.transcript) + L" --shots " + QuoteArgument(request.shots) +
                             L" --exit-timeout " + std::to_wstring(request.exitTimeout.count());
  if (!request.image.empty()) commandLine += L" --image " + QuoteArgument(request.image);
  commandLine += L" --";
  for (const auto& line : request.script) commandLine += L" " + QuoteArgument(line);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION answering{};
  if (!CreateProcessW(answerer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &answering)) {
    ADD_FAILURE() << "cannot start the answering program (error " << GetLastError() << ")";
    return {};
  }
  CloseHandle(answering.hThread);
  return kv::UniqueHandle(answering.hProcess);
}

WholeRun::WholeRun() {
  ClearMachineState();
  programFolder_ = temp_ / L"Program";
  const std::wstring files = temp_ / L"Program Files";
  installFolder_ = files + L"\\Kanvolo\\";
  CreateDirectoryW(programFolder_.c_str(), nullptr);
  CreateDirectoryW(files.c_str(), nullptr);
  CreateDirectoryW(installFolder_.c_str(), nullptr);
  WriteInstallIni(L"[Install]\r\nInstallFolder=" + installFolder_ + L"\r\n");
  environment_[L"KV_RECORD_FILE"] = RecordFile();
}

WholeRun::~WholeRun() { ClearMachineState(); }

void WholeRun::ClearMachineState() const {
  const std::wstring user = UserFolder();
  DeleteFileW((user + kBootLog).c_str());
  for (int copy = 1; copy <= 5; ++copy) DeleteFileW((user + kBootLog + std::to_wstring(copy)).c_str());
  for (const wchar_t* name : {kUpdateLog, kUpdaterIni, kWebToolIni}) DeleteFileW((user + name).c_str());
  DeleteFileW((WindowsFolder() + L"\\" + kUpdaterIni).c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrova");
  HKEY software = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &software) == ERROR_SUCCESS) {
    RegDeleteTreeW(software, L"Kestrova");
    RegCloseKey(software);
  }
}

void WholeRun::CopyProgram(const std::wstring& built, const std::wstring& as) const {
  Copy(TestProgramFolder() + L"\\" + built, programFolder_ + L"\\" + (as.empty() ? built : as));
}

void WholeRun::CopyIntoInstallFolder(const std::wstring& built, const std::wstring& as) const {
  Copy(TestProgramFolder() + L"\\" + built, installFolder_ + (as.empty() ? built : as));
}

void WholeRun::WriteInstallIni(std::wstring_view text) const {
  WriteBytes(programFolder_ + L"\\Install.ini", kv::ToAnsi(text));
}

void WholeRun::WriteUpdaterIni(std::wstring_view text) const { WriteBytes(UserFolder() + kUpdaterIni, kv::ToAnsi(text)); }

std::vector<std::wstring> WholeRun::Recorded() const {
  std::vector<std::wstring> lines;
  const auto bytes = TryReadBytes(RecordFile());
  if (!bytes) return lines;
  const std::wstring text = kv::FromUtf8(*bytes);
  std::size_t start = 0;
  for (auto end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool WholeRun::WaitForRecord(std::size_t count, std::chrono::milliseconds timeout) const {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (Recorded().size() < count) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::map<std::wstring, std::size_t> WholeRun::FileSizes() const {
  std::map<std::wstring, std::size_t> sizes;
  auto add = [&](const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) sizes[path] = data.nFileSizeLow;
  };
  add(UserFolder() + kUpdateLog);
  WIN32_FIND_DATAW found;
  kv::UniqueFind find(FindFirstFileW((OperationLogFolder() + L"*.LOG").c_str(), &found));
  if (find) {
    do add(OperationLogFolder() + found.cFileName);
    while (FindNextFileW(find.get(), &found));
  }
  return sizes;
}

std::vector<std::wstring> WholeRun::AppendedLines(const std::wstring& path) const {
  const auto bytes = TryReadBytes(path);
  if (!bytes) return {};
  const auto before = sizesAtStart_.find(path);
  const std::size_t skip = before == sizesAtStart_.end() ? 0 : std::min(before->second, bytes->size());
  return DecodeAnsiLines(std::string_view(*bytes).substr(skip));
}

WholeRunResult WholeRun::Run(const std::wstring& program, const std::wstring& arguments,
                             const std::vector<std::wstring>& script, std::chrono::seconds timeout,
                             const std::wstring& answerImage) {
  WholeRunResult result;
  DeleteFileW((UserFolder() + kBootLog).c_str());
  sizesAtStart_ = FileSizes();

  const std::wstring path = programFolder_ + L"\\" + program;
  std::wstring commandLine = QuoteArgument(path) + (arguments.empty() ? L"" : L" " + arguments);
  std::wstring environment = EnvironmentBlock(environment_);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), programFolder_.c_str(), &startup, &started)) {
    ADD_FAILURE() << "cannot start " << kv::ToUtf8(path) << " (error " << GetLastError() << ")";
    return result;
  }
  kv::UniqueHandle process(started.hProcess), thread(started.hThread);

  const DWORD timeoutMs = static_cast<DWORD>(timeout.count()) * 1000;
  const std::wstring transcript = temp_ / L"answer.log";
  DeleteFileW(transcript.c_str());
  AnswerRequest request;
  request.pid = started.dwProcessId;
  request.image = answerImage;
  request.script = script;
  request.transcript = transcript;
  request.shots = TestName();
  request.exitTimeout = timeout;
  const kv::UniqueHandle answerProcess = StartAnswering(request);
  if (!answerProcess) {
    TerminateProcess(process.get(), 99);
    return result;
  }

  result.ended = WaitOrEnd(process.get(), timeoutMs, result.exitCode);
  // A program that restarted itself may still run: the answering program waits for it in turn.
  const DWORD answerWait = answerImage.empty() ? kAnswerGraceMs : timeoutMs + kAnswerGraceMs;
  result.answerEnded = WaitOrEnd(answerProcess.get(), answerWait, result.answerExitCode);
  if (!answerImage.empty()) EndProcessesOf(answerImage);
  result.transcript = TryReadBytes(transcript).value_or("(no transcript)");
  if (!result.ended) result.transcript += "(the program was still running after the time-out and was ended)\n";
  return result;
}

std::vector<std::wstring> WholeRun::BootLog() const {
  std::vector<std::wstring> lines;
  const auto bytes = TryReadBytes(UserFolder() + kBootLog);
  if (!bytes) return lines;
  for (const auto& line : DecodeAnsiLines(*bytes)) lines.push_back(WithoutStamp(line));
  return lines;
}

std::vector<std::wstring> WholeRun::UpdateLog() const {
  std::vector<std::wstring> lines;
  for (const auto& line : AppendedLines(UserFolder() + kUpdateLog)) lines.push_back(WithoutStamp(line));
  return lines;
}

std::vector<std::wstring> WholeRun::OperationLog(const std::wstring& productName) const {
  const std::vector<std::wstring> files = OperationLogFiles(productName);
  std::vector<std::wstring> lines;
  for (const auto& file : files) {
    for (const auto& line : AppendedLines(file)) {
      const auto comma = line.find(L',');
      lines.push_back(comma == std::wstring::npos ? line : line.substr(comma + 1));
    }
  }
  return lines;
}

}  // namespace kvtest
