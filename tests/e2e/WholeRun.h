#pragma once
// Ground of whole runs: the real update program (or another built program) copied into a folder
// of its own beside an Install.ini, started under Wine as its own process, its dialogs answered by
// the answering program kv_answer (tests/tools/answer.cpp, script format at its top), then the
// logs it wrote read back.
//
//   kvtest::WholeRun run;                                   // both locks, fresh folders
//   run.CopyProgram(L"KanvoloUpdate2.exe");                 // into ProgramFolder(), Install.ini beside
//   run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");
//   const auto result = run.Run(L"KanvoloUpdate2.exe", L"/all /2",
//                               {L"dialog #32770 バロネル アップデート", L"click 404"});
//   EXPECT_TRUE(result.Ok()) << result.transcript;          // ended, answered as scripted
//   run.WaitForRecord(1);                                   // what the stand-in main program got
//   EXPECT_EQ(run.BootLog().back(), L"Exec Program " + run.InstallFolder() + L"Kanvolo.exe /2");
//
// A whole run holds kUserDataLock and kScreenLock for its life. It removes the per-user boot,
// update and INI files and the program's registry keys ("Software\Kestrova") when it starts and
// when it ends, so every run starts from a machine without settings; Update.log and the
// operation log are read from where the run started writing.
#include <windows.h>

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/Handles.h"
#include "support/ExclusiveLock.h"
#include "support/TempDir.h"

namespace kvtest {

struct WholeRunResult {
  bool ended = false;          // the program ended within the time-out (else it was killed)
  DWORD exitCode = 0;          // the program's exit code
  bool answerEnded = false;    // the same for the answering program
  DWORD answerExitCode = 0;    // 0: every dialog came and went as scripted (see answer.cpp)
  std::string transcript;      // the answering program's transcript (UTF-8), for failure messages

  bool Ok() const { return ended && answerEnded && answerExitCode == 0; }
};

class WholeRun {
 public:
  WholeRun();
  ~WholeRun();
  WholeRun(const WholeRun&) = delete;
  WholeRun& operator=(const WholeRun&) = delete;

  // The folder of the copied programs and their Install.ini, without a trailing "\".
  const std::wstring& ProgramFolder() const { return programFolder_; }
  // The install folder that Install.ini names: a path with a blank, with its trailing "\".
  const std::wstring& InstallFolder() const { return installFolder_; }
  // A scratch folder of the test, without a trailing "\".
  const std::wstring& ScratchFolder() const { return temp_.path(); }

  // A built program of the test folder into the program folder, under its own name or as.
  void CopyProgram(const std::wstring& built, const std::wstring& as = {}) const;
  // The same into the install folder (the stand-in main program as "Kanvolo.exe").
  void CopyIntoInstallFolder(const std::wstring& built, const std::wstring& as = {}) const;
  // Replaces the Install.ini that the constructor wrote (text in the ANSI code page).
  void WriteInstallIni(std::wstring_view text) const;
  // The updater INI "KanvoloUpdate.ini" in the per-user data folder (ANSI), removed afterwards.
  void WriteUpdaterIni(std::wstring_view text) const;

  // Environment of the started program (and so of what it starts); KV_RECORD_FILE is preset to
  // RecordFile(), where the stand-in main program and recordargs write their command lines.
  void SetEnvironment(const std::wstring& name, const std::wstring& value) { environment_[name] = value; }
  std::wstring RecordFile() const { return temp_ / L"recorded.log"; }
  // The lines recorded so far (UTF-8 file); WaitForRecord waits until there are at least count.
  std::vector<std::wstring> Recorded() const;
  bool WaitForRecord(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

  // Starts ProgramFolder()\program with the arguments, answers its dialogs with the script (one
  // line each, see answer.cpp), and waits for both; whatever is still running after the time-out
  // is ended. The answering program follows the process, or every process of answerImage (a
  // program that restarts itself), which it then waits for in turn; those left are ended.
  WholeRunResult Run(const std::wstring& program, const std::wstring& arguments,
                     const std::vector<std::wstring>& script,
                     std::chrono::seconds timeout = std::chrono::seconds(60),
                     const std::wstring& answerImage = {});

  // Logs of the per-user data folder as the last run left them, CP932 decoded, one entry a line,
  // without the time stamp: "UpdateBoot.log" whole; "Update.log" and the operation log of the
  // product name ("<productName>_<date>.LOG", every day touched) from where the run began.
  std::vector<std::wstring> BootLog() const;
  std::vector<std::wstring> UpdateLog() const;
  std::vector<std::wstring> OperationLog(const std::wstring& productName) const;

 private:
  void ClearMachineState() const;
  std::map<std::wstring, std::size_t> FileSizes() const;
  std::vector<std::wstring> AppendedLines(const std::wstring& path) const;

  ExclusiveLock data_{kUserDataLock};
  ExclusiveLock screen_{kScreenLock};
  TempDir temp_;
  std::wstring programFolder_;
  std::wstring installFolder_;
  std::map<std::wstring, std::wstring> environment_;
  std::map<std::wstring, std::size_t> sizesAtStart_;  // per-user log files when the run began
};

// "C:\a b\x.exe" quoted for a command line as the C runtime splits it.
std::wstring QuoteArgument(const std::wstring& argument);

// The answering program on its own, for a process that a test starts itself.
struct AnswerRequest {
  DWORD pid = 0;                  // the process to answer
  std::wstring image;             // or every process of this file name
  std::vector<std::wstring> script;
  std::wstring transcript;        // file for the transcript
  std::wstring shots = L"answer"; // prefix of its own screenshots
  std::chrono::seconds exitTimeout = std::chrono::seconds(60);  // 0: the target's end is not awaited
};
// Its process; null (and a test failure) when it cannot be started.
kv::UniqueHandle StartAnswering(const AnswerRequest& request);

}  // namespace kvtest
