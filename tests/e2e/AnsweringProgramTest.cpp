// The answering program against dialogs of this test process: what it presses and types arrives,
// and every way a run can differ from its script is reported as a failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "AnsweringTest.rh"
#include "WholeRun.h"
#include "base/Text.h"
#include "dialogs/Form.h"
#include "support/ExclusiveLock.h"
#include "support/TempDir.h"

namespace {

using Script = std::vector<std::wstring>;

struct Answered {
  DWORD exitCode = 0;
  std::string transcript;
};

// Starts the answering program on this process, runs show (which blocks in a dialog until it is
// answered), then waits for the answering program.
template <class Show>
Answered AnswerWhile(const Script& script, Show show, bool byImage = false) {
  kvtest::TempDir temp;
  kvtest::AnswerRequest request;
  if (byImage) {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    request.image = wcsrchr(self, L'\\') + 1;
  } else {
    request.pid = GetCurrentProcessId();
  }
  request.script = script;
  request.transcript = temp / L"answer.log";
  request.exitTimeout = std::chrono::seconds(0);  // this process goes on after the script
  const kv::UniqueHandle answering = kvtest::StartAnswering(request);
  Answered answered;
  if (!answering) return answered;
  show();
  if (WaitForSingleObject(answering.get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(answering.get(), 99);
    ADD_FAILURE() << "the answering program did not end";
  }
  GetExitCodeProcess(answering.get(), &answered.exitCode);
  try {
    answered.transcript = kvtest::ReadBytes(request.transcript);
  } catch (const std::exception&) {
  }
  return answered;
}

struct Filled {
  INT_PTR result = 0;
  std::wstring typed;
  std::wstring set;
};

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    SetDlgItemTextW(dialog, IDC_ANSWERING_TYPED, L"前の値");
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDC_ANSWERING_REGISTER || LOWORD(wParam) == IDCANCEL)) {
    auto& filled = *reinterpret_cast<Filled*>(GetWindowLongPtrW(dialog, DWLP_USER));
    filled.typed = kv::WindowText(GetDlgItem(dialog, IDC_ANSWERING_TYPED));
    filled.set = kv::WindowText(GetDlgItem(dialog, IDC_ANSWERING_SET));
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

Filled ShowTestDialog() {
  Filled filled;
  filled.result = DialogBoxParamW(GetModuleHandleW(nullptr), L"ANSWERINGTEST", nullptr, TestDialogProc,
                                  reinterpret_cast<LPARAM>(&filled));
  return filled;
}

TEST(AnsweringProgram, TypesSetsAndPressesInADialog) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  Filled filled;
  const auto answered = AnswerWhile({L"dialog #32770 入力テスト", L"type 100 山田 太郎&Co.", L"settext 101 ﾊﾞﾛﾈﾙ 病院",
                                     L"contains 101 ﾈﾙ 病", L"click 102"},
                                    [&] { filled = ShowTestDialog(); });
  EXPECT_EQ(answered.exitCode, 0u) << answered.transcript;
  EXPECT_EQ(filled.result, IDC_ANSWERING_REGISTER);
  EXPECT_EQ(filled.typed, L"山田 太郎&Co.");  // the box's earlier text was selected, so replaced
  EXPECT_EQ(filled.set, L"ﾊﾞﾛﾈﾙ 病院");
  // The transcript lists the dialog's controls for whoever writes the next script.
  EXPECT_NE(answered.transcript.find(kv::ToUtf8(L"102 Button 「登録(&R)」")), std::string::npos) << answered.transcript;
}

TEST(AnsweringProgram, PressesAButtonByItsText) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  Filled filled;
  const auto answered =
      AnswerWhile({L"dialog #32770 入力テスト*", L"press 登録(R)"}, [&] { filled = ShowTestDialog(); });
  EXPECT_EQ(answered.exitCode, 0u) << answered.transcript;
  EXPECT_EQ(filled.result, IDC_ANSWERING_REGISTER);
}

TEST(AnsweringProgram, AnswersOneMessageBoxAfterAnother) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  // The same caption twice: the second box is not mistaken for the first one still closing. The
  // target found by its file name, as for a program that restarts itself.
  for (const bool byImage : {false, true}) {
    int first = 0, second = 0;
    const auto answered = AnswerWhile(
        {L"dialog #32770 題", L"contains 65535 一つ目", L"click 7", L"dialog #32770 題", L"contains 65535 二つ目", L"close"},
        [&] {
          first = MessageBoxW(nullptr, L"一つ目", L"題", MB_YESNO);
          second = MessageBoxW(nullptr, L"二つ目", L"題", MB_OKCANCEL);
        },
        byImage);
    EXPECT_EQ(answered.exitCode, 0u) << answered.transcript;
    EXPECT_EQ(first, IDNO) << byImage;
    EXPECT_EQ(second, IDCANCEL) << byImage;
  }
}

// Each way a run differs from its script: exit code 1, the reason in the transcript, and the
// dialog closed so that the program under test can go on.
TEST(AnsweringProgram, ReportsWhatDiffersFromTheScript) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  struct Case {
    const char* what;
    Script script;
    bool showBox;
    const wchar_t* reason;
    int boxAnswer;
  };
  const Case cases[] = {
      {"another dialog than the expected one", {L"timeout 3", L"dialog #32770 別の題", L"click 1"}, true,
       L"unexpected dialog #32770 「題」; closed", IDCANCEL},
      {"a dialog that never comes", {L"timeout 1", L"dialog #32770 題", L"click 1"}, false,
       L"#32770 「題」 did not come within 1 s", 0},
      {"a dialog left open by its commands", {L"timeout 1", L"dialog #32770 題", L"pause 10"}, true,
       L"#32770 「題」 still open after its commands; closed", IDCANCEL},
      {"a control that is not there", {L"timeout 2", L"dialog #32770 題", L"click 4711", L"click 2"}, true,
       L"no control 4711", IDCANCEL},
      {"a text that is not there", {L"dialog #32770 題", L"contains 65535 ない言葉", L"click 1"}, true,
       L"without 「ない言葉」", IDOK},
  };
  for (const auto& c : cases) {
    int answer = 0;
    const auto answered = AnswerWhile(c.script, [&] {
      if (c.showBox) {
        answer = MessageBoxW(nullptr, L"本文", L"題", MB_OKCANCEL);
      } else {
        Sleep(2000);
      }
    });
    EXPECT_EQ(answered.exitCode, 1u) << c.what << "\n" << answered.transcript;
    EXPECT_NE(answered.transcript.find(kv::ToUtf8(c.reason)), std::string::npos)
        << c.what << "\n" << answered.transcript;
    EXPECT_EQ(answer, c.boxAnswer) << c.what;
  }
}

TEST(AnsweringProgram, RefusesHiddenControlsAndBadScripts) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  Filled filled;
  const auto hidden = AnswerWhile({L"timeout 2", L"dialog #32770 入力テスト", L"click 103", L"click 2"},
                                  [&] { filled = ShowTestDialog(); });
  EXPECT_EQ(hidden.exitCode, 1u) << hidden.transcript;
  EXPECT_NE(hidden.transcript.find("control 103 is hidden or disabled"), std::string::npos) << hidden.transcript;
  EXPECT_EQ(filled.result, IDCANCEL);

  const Script bad[] = {{L"click 1"}, {L"dialog #32770"}, {L"dialog #32770 題", L"wiggle 3"},
                        {L"timeout soon"}};
  for (const auto& script : bad) {
    const auto answered = AnswerWhile(script, [] {});
    EXPECT_EQ(answered.exitCode, 2u) << kv::ToUtf8(script.back()) << "\n" << answered.transcript;
    EXPECT_EQ(answered.transcript.rfind("bad script: ", 0), 0u) << answered.transcript;
  }
}

}  // namespace
