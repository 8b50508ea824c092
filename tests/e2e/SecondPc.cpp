#include "SecondPc.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <thread>

#include "base/Text.h"
#include "support/HostProcessPaths.h"

namespace kvtest {
namespace {

std::string Environment(const char* name) {
  char value[1024] = "";
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
  return n > 0 && n < sizeof(value) ? std::string(value, n) : std::string();
}

std::string Utf8(const std::wstring& text) { return kv::ToUtf8(text); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// "\\" and "\"" as the hive files write them.
std::wstring Unescaped(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

SecondPc::SecondPc(const std::map<std::wstring, std::wstring>& settings, const std::string& name) {
  const std::string prefixA = Environment("KV_TEST_PREFIX");
  const auto fixtures = UnixPath(KV_FIXTURE_DIR);
  const auto state = UnixPath(state_.path());
  if (prefixA.empty() || !fixtures || !state) {
    ADD_FAILURE() << "the second PC needs Wine and the test prefix (KV_TEST_PREFIX)";
    return;
  }
  prefix_ = prefixA + "-" + name;
  fixtures_ = *fixtures;
  std::string script = ". " + ShellQuoted(fixtures_ + "/wine-env.sh") +
                       " && export LANG=ja_JP.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' && "
                       "kv_wine_prefix " + ShellQuoted(prefix_) + " >/dev/null 2>&1";
  for (const auto& [name, value] : settings) {
    script += " && wine reg add 'HKCU\\Software\\Kestrova\\Varonel\\PARAM' /v " + ShellQuoted(Utf8(name)) +
              " /t REG_SZ /d " + ShellQuoted(Utf8(value)) + " /f >/dev/null 2>&1";
  }
  script += "; wineserver -w; touch " + ShellQuoted(*state + "/ready");
  started_ = StartHostShell("(" + script + ") </dev/null >/dev/null 2>&1 &");
  if (!started_) ADD_FAILURE() << "cannot start the host's shell";
}

SecondPc::~SecondPc() {
  if (prefix_.empty()) return;
  // A prefix still being made would be made again around the removal.
  if (started_ && !ready_) WaitUntilReady();
  const auto state = UnixPath(state_.path());
  if (!state) return;
  const std::string script = "WINEPREFIX=" + ShellQuoted(prefix_) + " wineserver -k; rm -rf " + ShellQuoted(prefix_) +
                             "; touch " + ShellQuoted(*state + "/removed");
  RunOnHost(script, state_ / L"removed", std::chrono::seconds(60));
}

bool SecondPc::RunOnHost(const std::string& script, const std::wstring& mark, std::chrono::seconds timeout) const {
  DeleteFileW(mark.c_str());
  if (!StartHostShell("(" + script + ") </dev/null >/dev/null 2>&1 &")) return false;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (Exists(mark)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

bool SecondPc::WaitUntilReady(std::chrono::seconds timeout) {
  if (!started_) return false;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!ready_ && std::chrono::steady_clock::now() < end) {
    ready_ = Exists(state_ / L"ready");
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return ready_;
}

std::wstring SecondPc::Here(const std::wstring& path) const {
  const auto unix = UnixPath(path);
  if (!unix) return path;
  std::wstring z = L"Z:" + kv::FromUtf8(*unix);
  for (auto& c : z) {
    if (c == L'/') c = L'\\';
  }
  // A folder keeps its trailing separator.
  if (!path.empty() && path.back() == L'\\' && z.back() != L'\\') z += L'\\';
  return z;
}

std::wstring SecondPc::There(const std::wstring& path) const {
  std::wstring drive = L"Z:" + kv::FromUtf8(prefix_) + L"/drive_c/";
  for (auto& c : drive) {
    if (c == L'/') c = L'\\';
  }
  return drive + (path.size() > 3 ? path.substr(3) : std::wstring());
}

std::wstring SecondPc::RegistryValue(bool machine, const std::wstring& name) const {
  std::wstring hive = L"Z:" + kv::FromUtf8(prefix_) + (machine ? L"/system.reg" : L"/user.reg");
  for (auto& c : hive) {
    if (c == L'/') c = L'\\';
  }
  if (!Exists(hive)) return L"(no hive)";
  const std::wstring text = kv::FromUtf8(ReadBytes(hive));
  // HKLM\Software of a 32-bit program lies below Wow6432Node in the 64-bit prefix.
  const std::wstring section = L"Kestrova\\\\Varonel\\\\PARAM]";
  std::size_t at = text.find(section);
  if (at == std::wstring::npos) return L"(no key)";
  const std::size_t end = text.find(L"\n[", at);
  const std::wstring key = L"\n\"" + name + L"\"=\"";
  const std::size_t value = text.find(key, at);
  if (value == std::wstring::npos || value > end) return L"(no value)";
  const std::size_t from = value + key.size();
  std::size_t to = from;
  while (to < text.size() && !(text[to] == L'"' && text[to - 1] != L'\\')) ++to;
  return Unescaped(text.substr(from, to - from));
}

WholeRunResult SecondPc::Run(const std::wstring& program, const std::vector<std::wstring>& script,
                             const std::wstring& recordFile, const std::wstring& shots, std::chrono::seconds timeout) {
  WholeRunResult result;
  const auto state = UnixPath(state_.path());
  const auto unixProgram = UnixPath(program);
  const auto answer = UnixPath(TestProgramFolder() + L"\\kv_answer.exe");
  if (!ready_ || !state || !unixProgram || !answer) {
    ADD_FAILURE() << "the second PC is not ready";
    return result;
  }
  std::string lines;
  for (const auto& line : script) lines += Utf8(line) + "\n";
  WriteBytes(state_ / L"script.txt", lines);
  for (const wchar_t* name : {L"program.rc", L"answer.rc", L"transcript.txt"}) DeleteFileW((state_ / name).c_str());

  const std::string folder = unixProgram->substr(0, unixProgram->find_last_of('/'));
  const std::string image = unixProgram->substr(unixProgram->find_last_of('/') + 1);
  // The answering program looks for the image once it is running: the shell waits until the host
  // lists this program's process, known by its folders (the test's own temporary one among them)
  // whichever separators its command line shows.
  std::size_t from = unixProgram->size();
  for (int parts = 0; parts < 3 && from != std::string::npos && from > 0; ++parts) {
    from = unixProgram->find_last_of('/', from - 1);
  }
  std::string ownProcess;
  for (const char c : unixProgram->substr(from == std::string::npos ? 0 : from + 1)) {
    ownProcess += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c) : std::string(".");
  }
  const std::string host =
      "export WINEPREFIX=" + ShellQuoted(prefix_) +
      " LANG=ja_JP.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' KV_RECORD_FILE=" +
      ShellQuoted(Utf8(Here(recordFile))) + "; cd " + ShellQuoted(folder) + "; wine " + ShellQuoted(*unixProgram) +
      " & p=$!; for i in $(seq 1 200); do pgrep -f " + ShellQuoted(ownProcess) +
      " >/dev/null && break; sleep 0.1; done; sleep 1; wine " + ShellQuoted(*answer) + " --image " + ShellQuoted(image) + " --transcript " +
      ShellQuoted(Utf8(Here(state_ / L"transcript.txt"))) + " --shots " + ShellQuoted(Utf8(shots)) +
      " --exit-timeout " + std::to_string(timeout.count()) + " --script " +
      ShellQuoted(Utf8(Here(state_ / L"script.txt"))) + "; echo $? >" + ShellQuoted(*state + "/answer.rc") +
      "; wait $p; echo $? >" + ShellQuoted(*state + "/program.rc") + "; wineserver -w; touch " +
      ShellQuoted(*state + "/done");
  const bool done = RunOnHost(host, state_ / L"done", timeout + std::chrono::seconds(30));
  if (!done) {
    // Whatever still runs there is ended; its server writes the hives.
    RunOnHost("WINEPREFIX=" + ShellQuoted(prefix_) + " wineserver -k; touch " + ShellQuoted(*state + "/done"),
              state_ / L"done", std::chrono::seconds(30));
  }
  const auto number = [this](const wchar_t* name, DWORD& value) {
    if (!Exists(state_ / name)) return false;
    value = static_cast<DWORD>(std::strtoul(ReadBytes(state_ / name).c_str(), nullptr, 10));
    return true;
  };
  result.ended = done && number(L"program.rc", result.exitCode);
  result.answerEnded = done && number(L"answer.rc", result.answerExitCode);
  result.transcript = Exists(state_ / L"transcript.txt") ? ReadBytes(state_ / L"transcript.txt") : "(no transcript)";
  return result;
}

}  // namespace kvtest
