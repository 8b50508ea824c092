// The answering program of whole runs: answers the dialogs of another process as a user would,
// following a script, and tells whether they came as expected. It runs as a process of its own,
// so the program under test is the real .exe, untouched.
//
//   kv_answer.exe --pid ID [--image NAME.exe] [--transcript FILE] [--shots PREFIX]
//                 [--exit-timeout SECONDS] [--script FILE] [-- LINE...]
//
// Target: --pid the process id; --image every process with that file name (case-insensitive),
// which also follows a program that restarts itself. At least one of the two.
// Script: the lines of --script (UTF-8), then each argument after "--" as one more line. A line is
// a command and its arguments separated by blanks; the last argument is the rest of the line,
// blanks included. Empty lines and lines starting with "#" are skipped.
//
//   timeout SECONDS        time-out for each following dialog to come and to go (default 30)
//   ignore CLASS CAPTION   such windows are never taken for dialogs
//   dialog CLASS CAPTION   the next dialog: its window class and caption, exactly; a caption
//                          ending in "*" matches by its beginning, "*" alone matches any caption
//   click ID               posted BM_CLICK to the control with that id (visible and enabled)
//   press TEXT             the same on the button whose text, "&" removed, is TEXT
//   type ID TEXT           focuses the control (posted WM_NEXTDLGCTL, which selects an edit box's
//                          text), then posts one WM_CHAR per character; Japanese included
//   settext ID TEXT        sends WM_SETTEXT to the control
//   contains ID TEXT       the control's text must contain TEXT (a failure otherwise)
//   close                  the title bar's close command (WM_SYSCOMMAND SC_CLOSE)
//   screenshot NAME        picture of the dialog: <build>/screenshots/NAME.png
//   pause MILLISECONDS     waits
//
// Example, the start confirmation of "/all" answered OK (ids from src/dialogs/*.rh):
//   dialog #32770 バロネル アップデート2
//   contains 402 全て更新します
//   click 404
//
// A dialog is a visible, enabled top-level window of the target with a caption bar and not
// ignored (the splash window has no caption bar; a form under a message box is disabled). The
// commands after a "dialog" line run once that dialog is there; then the dialog must close, hide
// or be disabled by a dialog above it within the time-out. A later "dialog" line may name the same
// window again once it is enabled again (a form after its input check's message box).
// After the last command the program waits for the target to end (--exit-timeout, default 60;
// 0: it does not wait, and nothing after the script is looked at).
//
// Failures (exit code 1): a dialog that does not come within its time-out or before the target
// ends (the script stops there); a dialog that is not the next one expected (pictured as
// PREFIX-unexpected-N, closed with WM_CLOSE; the script goes on); a dialog still open after its
// commands; a missing, hidden or disabled control; a failed "contains"; a target still running
// after the script. A bad command line or script: exit code 2.
// Transcript: one UTF-8 line per thing seen or done, each found dialog with its controls (id,
// class, text) so that scripts can be written from it; into --transcript (default "kv_answer.log"
// in the current folder).
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"

namespace {

constexpr DWORD kPollMs = 50;
// A dialog that is not the expected one counts once it has stayed this long: one closing while
// the next opens is not a fault.
constexpr DWORD kUnexpectedAfterMs = 500;

struct Command {
  int line = 0;
  std::wstring verb;
  std::vector<std::wstring> args;
};

struct Options {
  DWORD pid = 0;
  std::wstring image;
  std::wstring transcript = L"kv_answer.log";
  std::wstring shots = L"answer";
  DWORD exitTimeoutMs = 60000;
  std::vector<Command> script;
  int lines = 0;  // script lines read so far, for the line numbers of complaints
};

struct WindowSpec {
  std::wstring cls;
  std::wstring caption;
};

class BadScript {
 public:
  explicit BadScript(std::wstring what) : what_(std::move(what)) {}
  const std::wstring& what() const { return what_; }

 private:
  std::wstring what_;
};

// ---- Script

std::size_t ArgumentCount(const std::wstring& verb) {
  static const std::map<std::wstring, std::size_t> counts{
      {L"timeout", 1}, {L"ignore", 2}, {L"dialog", 2},   {L"click", 1},      {L"press", 1},
      {L"type", 2},    {L"settext", 2}, {L"contains", 2}, {L"close", 0}, {L"screenshot", 1}, {L"pause", 1}};
  const auto found = counts.find(verb);
  if (found == counts.end()) throw BadScript(L"unknown command \"" + verb + L"\"");
  return found->second;
}

Command ParseLine(int number, const std::wstring& line) {
  Command c;
  c.line = number;
  std::size_t at = line.find_first_not_of(L' ');
  const std::size_t end = line.find(L' ', at);
  c.verb = line.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
  at = end == std::wstring::npos ? line.size() : line.find_first_not_of(L' ', end);
  if (at == std::wstring::npos) at = line.size();
  const std::size_t count = ArgumentCount(c.verb);
  for (std::size_t i = 0; i < count; ++i) {
    if (at >= line.size()) throw BadScript(L"line " + std::to_wstring(number) + L": \"" + c.verb + L"\" takes " +
                                           std::to_wstring(count) + L" argument(s)");
    if (i + 1 == count) {
      c.args.push_back(line.substr(at));
      at = line.size();
    } else {
      const std::size_t stop = line.find(L' ', at);
      c.args.push_back(line.substr(at, stop == std::wstring::npos ? std::wstring::npos : stop - at));
      at = stop == std::wstring::npos ? line.size() : line.find_first_not_of(L' ', stop);
      if (at == std::wstring::npos) at = line.size();
    }
  }
  return c;
}

void AddLine(Options& options, int number, std::wstring line) {
  while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
  const std::size_t first = line.find_first_not_of(L" \t");
  if (first == std::wstring::npos || line[first] == L'#') return;
  options.script.push_back(ParseLine(number, line.substr(first)));
}

void ReadScriptFile(Options& options, const std::wstring& path) {
  std::string bytes;
  try {
    bytes = kvtest::ReadBytes(path);
  } catch (const std::exception&) {
    throw BadScript(L"cannot read the script " + path);
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  const std::wstring text = kv::FromUtf8(bytes);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find(L'\n', start);
    AddLine(options, ++options.lines, text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
}

DWORD Number(const std::wstring& text, const wchar_t* what) {
  try {
    std::size_t used = 0;
    const unsigned long value = std::stoul(text, &used);
    if (used == text.size()) return static_cast<DWORD>(value);
  } catch (const std::exception&) {
  }
  throw BadScript(std::wstring(what) + L" is not a number: \"" + text + L"\"");
}

// Into options, so that the transcript's place is known when the rest is refused.
void ParseCommandLine(Options& options) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);
  std::size_t i = 0;
  auto value = [&](const std::wstring& name) {
    if (i + 1 >= args.size()) throw BadScript(name + L" needs a value");
    return args[++i];
  };
  for (; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (a == L"--") break;
    if (a == L"--pid") options.pid = Number(value(a), L"--pid");
    else if (a == L"--image") options.image = value(a);
    else if (a == L"--transcript") options.transcript = value(a);
    else if (a == L"--shots") options.shots = value(a);
    else if (a == L"--exit-timeout") options.exitTimeoutMs = Number(value(a), L"--exit-timeout") * 1000;
    else if (a == L"--script") ReadScriptFile(options, value(a));
    else throw BadScript(L"unknown option " + a);
  }
  for (++i; i < args.size(); ++i) AddLine(options, ++options.lines, args[i]);
  if (options.pid == 0 && options.image.empty()) throw BadScript(L"no target: give --pid or --image");
  bool inDialog = false;
  for (const Command& c : options.script) {
    const bool setting = c.verb == L"timeout" || c.verb == L"ignore";
    if (c.verb == L"dialog") inDialog = true;
    else if (setting) inDialog = false;
    else if (!inDialog) throw BadScript(L"line " + std::to_wstring(c.line) + L": \"" + c.verb + L"\" outside a dialog block");
    if (c.verb == L"timeout") Number(c.args[0], L"timeout");
    if (c.verb == L"pause") Number(c.args[0], L"pause");
    if (c.verb == L"click" || c.verb == L"type" || c.verb == L"settext" || c.verb == L"contains") {
      Number(c.args[0], L"control id");
    }
  }
}

// ---- Windows of the target

std::wstring ClassOf(HWND hwnd) {
  wchar_t cls[256] = L"";
  GetClassNameW(hwnd, cls, 256);
  return cls;
}

// WM_GETTEXT travels to the other process; a hung target answers nothing.
std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           2000, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

bool Matches(const WindowSpec& spec, HWND hwnd) {
  if (_wcsicmp(ClassOf(hwnd).c_str(), spec.cls.c_str()) != 0) return false;
  const std::wstring caption = TextOf(hwnd);
  if (!spec.caption.empty() && spec.caption.back() == L'*') {
    return caption.compare(0, spec.caption.size() - 1, spec.caption, 0, spec.caption.size() - 1) == 0;
  }
  return caption == spec.caption;
}

struct DialogSearch {
  std::set<DWORD> ids;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (s.ids.count(pid) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
      (GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
    s.found.push_back(hwnd);
  }
  return TRUE;
}

struct ButtonSearch {
  const std::wstring* text;
  HWND found = nullptr;
};

BOOL CALLBACK FindButton(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<ButtonSearch*>(param);
  if (_wcsicmp(ClassOf(hwnd).c_str(), L"Button") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  std::wstring plain;
  for (wchar_t ch : TextOf(hwnd)) {
    if (ch != L'&') plain += ch;
  }
  if (plain != *s.text) return TRUE;
  s.found = hwnd;
  return FALSE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

class Target {
 public:
  explicit Target(const Options& options) : pid_(options.pid), image_(options.image) {
    if (pid_) process_.reset(OpenProcess(SYNCHRONIZE, FALSE, pid_));
  }

  // Process ids of the target now.
  std::set<DWORD> Processes() const {
    std::set<DWORD> ids;
    if (pid_ && process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ids.insert(pid_);
    if (!image_.empty()) {
      kv::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof(entry);
      if (snapshot && Process32FirstW(snapshot.get(), &entry)) {
        do {
          if (_wcsicmp(entry.szExeFile, image_.c_str()) == 0) ids.insert(entry.th32ProcessID);
        } while (Process32NextW(snapshot.get(), &entry));
      }
    }
    return ids;
  }

  bool Running() const { return !Processes().empty(); }

  // Its visible, enabled top-level windows with a caption bar, in z-order.
  std::vector<HWND> Dialogs(const std::vector<WindowSpec>& ignored) const {
    DialogSearch search{Processes(), {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> dialogs;
    for (HWND hwnd : search.found) {
      bool skip = false;
      for (const auto& spec : ignored) skip = skip || Matches(spec, hwnd);
      if (!skip) dialogs.push_back(hwnd);
    }
    return dialogs;
  }

 private:
  DWORD pid_;
  std::wstring image_;
  kv::UniqueHandle process_;
};

// ---- The answering user

class Answerer {
 public:
  Answerer(Options options) : options_(std::move(options)), target_(options_), start_(GetTickCount()) {}

  int Run() {
    Note(L"target pid " + std::to_wstring(options_.pid) + (options_.image.empty() ? L"" : L", image " + options_.image));
    std::size_t i = 0;
    while (i < options_.script.size()) {
      const Command& c = options_.script[i];
      if (c.verb == L"timeout") {
        timeoutMs_ = Number(c.args[0], L"timeout") * 1000;
        ++i;
      } else if (c.verb == L"ignore") {
        ignored_.push_back({c.args[0], c.args[1]});
        ++i;
      } else if (c.verb == L"dialog") {
        const std::size_t end = BlockEnd(i + 1);
        if (!Answer(c, i + 1, end)) return Finish();
        i = end;
      } else {
        throw BadScript(L"line " + std::to_wstring(c.line) + L": \"" + c.verb + L"\" outside a dialog");
      }
    }
    if (options_.exitTimeoutMs > 0) {
      WaitForTheEnd();
    } else {
      Note(L"script done; the target's end is not awaited");
    }
    return Finish();
  }

 private:
  std::size_t BlockEnd(std::size_t from) const {
    while (from < options_.script.size() && options_.script[from].verb != L"dialog" &&
           options_.script[from].verb != L"timeout" && options_.script[from].verb != L"ignore") {
      ++from;
    }
    return from;
  }

  bool Answer(const Command& dialog, std::size_t first, std::size_t end) {
    const WindowSpec spec{dialog.args[0], dialog.args[1]};
    const std::wstring name = spec.cls + L" 「" + spec.caption + L"」";
    Note(L"waiting for " + name);
    const HWND window = WaitFor(spec);
    if (!window) return false;
    Describe(window);
    for (std::size_t k = first; k < end; ++k) Act(options_.script[k], window);
    // Its answer must take it away (or put another dialog above it).
    const DWORD since = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window)) {
      if (GetTickCount() - since > timeoutMs_) {
        Fail(name + L" still open after its commands; closed");
        PostMessageW(window, WM_CLOSE, 0, 0);
        return true;
      }
      Sleep(kPollMs);
    }
    Note(name + (IsWindow(window) && IsWindowVisible(window) ? L" covered by another dialog" : L" gone"));
    return true;
  }

  HWND WaitFor(const WindowSpec& spec) {
    const DWORD since = GetTickCount();
    for (;;) {
      HWND found = nullptr;
      for (HWND hwnd : target_.Dialogs(ignored_)) {
        if (!found && Matches(spec, hwnd)) found = hwnd;
      }
      if (found) {
        Note(L"found " + spec.cls + L" 「" + TextOf(found) + L"」");
        return found;
      }
      RefuseStrangers(spec);
      if (!target_.Running()) {
        Fail(L"the target ended before " + spec.cls + L" 「" + spec.caption + L"」 came");
        return nullptr;
      }
      if (GetTickCount() - since > timeoutMs_) {
        Fail(spec.cls + L" 「" + spec.caption + L"」 did not come within " + std::to_wstring(timeoutMs_ / 1000) + L" s");
        TakeScreenshot(options_.shots + L"-missing", nullptr);
        return nullptr;
      }
      Sleep(kPollMs);
    }
  }

  // Dialogs that stay while another is expected (or after the script) are failures.
  void RefuseStrangers(const std::optional<WindowSpec>& expected) {
    const DWORD now = GetTickCount();
    std::map<HWND, DWORD> stillThere;
    for (HWND hwnd : target_.Dialogs(ignored_)) {
      if (expected && Matches(*expected, hwnd)) continue;
      const auto seen = firstSeen_.find(hwnd);
      const DWORD since = seen == firstSeen_.end() ? now : seen->second;
      stillThere[hwnd] = since;
      if (now - since < kUnexpectedAfterMs || refused_.count(hwnd)) continue;
      refused_.insert(hwnd);
      Fail(L"unexpected dialog " + ClassOf(hwnd) + L" 「" + TextOf(hwnd) + L"」; closed");
      Describe(hwnd);
      TakeScreenshot(options_.shots + L"-unexpected-" + std::to_wstring(refused_.size()), hwnd);
      PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    firstSeen_ = std::move(stillThere);
  }

  void WaitForTheEnd() {
    Note(L"script done; waiting for the target to end");
    const DWORD since = GetTickCount();
    while (target_.Running()) {
      RefuseStrangers(std::nullopt);
      if (GetTickCount() - since > options_.exitTimeoutMs) {
        Fail(L"the target still runs " + std::to_wstring(options_.exitTimeoutMs / 1000) + L" s after the script");
        TakeScreenshot(options_.shots + L"-still-running", nullptr);
        return;
      }
      Sleep(kPollMs);
    }
    Note(L"the target ended");
  }

  HWND Control(const Command& c, HWND dialog) {
    const HWND control = GetDlgItem(dialog, static_cast<int>(Number(c.args[0], L"control id")));
    if (!control) Fail(L"line " + std::to_wstring(c.line) + L": no control " + c.args[0]);
    return control;
  }

  bool Usable(const Command& c, HWND control) {
    if (IsWindowVisible(control) && IsWindowEnabled(control)) return true;
    Fail(L"line " + std::to_wstring(c.line) + L": control " + (c.args.empty() ? L"" : c.args[0]) +
         L" is hidden or disabled");
    return false;
  }

  HWND ButtonWithText(const std::wstring& text, HWND dialog) {
    ButtonSearch search{&text};
    EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  void Act(const Command& c, HWND dialog) {
    std::wstring described = c.verb;
    for (const auto& a : c.args) described += L" " + a;
    Note(L"  " + described);
    if (c.verb == L"click") {
      if (const HWND control = Control(c, dialog); control && Usable(c, control)) {
        PostMessageW(control, BM_CLICK, 0, 0);
      }
    } else if (c.verb == L"press") {
      const HWND button = ButtonWithText(c.args[0], dialog);
      if (!button) Fail(L"line " + std::to_wstring(c.line) + L": no button 「" + c.args[0] + L"」");
      else if (Usable(c, button)) PostMessageW(button, BM_CLICK, 0, 0);
    } else if (c.verb == L"type") {
      if (const HWND control = Control(c, dialog); control && Usable(c, control)) {
        PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        for (wchar_t ch : c.args[1]) PostMessageW(control, WM_CHAR, ch, 1);
      }
    } else if (c.verb == L"settext") {
      if (const HWND control = Control(c, dialog)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.args[1].c_str()), SMTO_ABORTIFHUNG,
                            5000, &ignored);
      }
    } else if (c.verb == L"contains") {
      if (const HWND control = Control(c, dialog)) {
        const std::wstring text = TextOf(control);
        if (text.find(c.args[1]) == std::wstring::npos) {
          Fail(L"line " + std::to_wstring(c.line) + L": control " + c.args[0] + L" reads 「" + text +
               L"」, without 「" + c.args[1] + L"」");
        }
      }
    } else if (c.verb == L"close") {
      PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (c.verb == L"screenshot") {
      if (!TakeScreenshot(c.args[0], dialog)) Note(L"  (screenshot not taken)");
    } else if (c.verb == L"pause") {
      Sleep(Number(c.args[0], L"pause"));
    } else {
      throw BadScript(L"line " + std::to_wstring(c.line) + L": \"" + c.verb + L"\" inside a dialog block");
    }
  }

  bool TakeScreenshot(const std::wstring& name, HWND window) { return kvtest::TakeScreenshot(name, window); }

  // The dialog's controls, for whoever writes the next script.
  void Describe(HWND dialog) {
    std::vector<HWND> children;
    EnumChildWindows(dialog, CollectChildren, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      if (GetParent(child) != dialog) continue;
      std::wstring text = TextOf(child);
      for (wchar_t& ch : text) {
        if (ch == L'\r' || ch == L'\n') ch = L' ';
      }
      if (text.size() > 120) text = text.substr(0, 120) + L"…";
      Note(L"    " + std::to_wstring(GetDlgCtrlID(child)) + L" " + ClassOf(child) +
           (IsWindowVisible(child) ? L"" : L" (hidden)") + (IsWindowEnabled(child) ? L"" : L" (disabled)") + L" 「" +
           text + L"」");
    }
  }

  void Note(const std::wstring& line) {
    wchar_t stamp[32];
    swprintf(stamp, 32, L"[%7.3f] ", (GetTickCount() - start_) / 1000.0);
    transcript_ += stamp + line + L"\r\n";
    Save();
  }

  void Fail(const std::wstring& what) {
    failed_ = true;
    Note(L"FAILED: " + what);
  }

  // Written after every line, so a killed answerer still leaves what it saw.
  void Save() const {
    try {
      kvtest::WriteBytes(options_.transcript, kv::ToUtf8(transcript_));
    } catch (const std::exception&) {
    }
  }

  int Finish() {
    Note(failed_ ? L"result: FAILED" : L"result: as scripted");
    return failed_ ? 1 : 0;
  }

  Options options_;
  Target target_;
  DWORD start_;
  DWORD timeoutMs_ = 30000;
  std::vector<WindowSpec> ignored_;
  std::map<HWND, DWORD> firstSeen_;
  std::set<HWND> refused_;
  std::wstring transcript_;
  bool failed_ = false;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Options options;
  try {
    ParseCommandLine(options);
  } catch (const BadScript& bad) {
    try {
      kvtest::WriteBytes(options.transcript, kv::ToUtf8(L"bad script: " + bad.what() + L"\r\n"));
    } catch (const std::exception&) {
    }
    return 2;
  }
  const std::wstring transcript = options.transcript;
  try {
    Answerer answerer(std::move(options));
    return answerer.Run();
  } catch (const BadScript& bad) {
    // The transcript so far stays; the complaint goes after it.
    std::string bytes;
    try {
      bytes = kvtest::ReadBytes(transcript);
    } catch (const std::exception&) {
    }
    try {
      kvtest::WriteBytes(transcript, bytes + kv::ToUtf8(L"bad script: " + bad.what() + L"\r\n"));
    } catch (const std::exception&) {
    }
    return 2;
  }
}
