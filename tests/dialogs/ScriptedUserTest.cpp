// The scripted user's own failures: a test that meets a dialog it did not expect, or whose
// script does not end a dialog, fails and goes on.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "dialogs/LocalDialog.h"
#include "frmFrameTest.rh"
#include "support/ScriptedUser.h"

namespace {

std::int16_t unexpectedAnswer = 0;
std::int16_t leftOpenAnswer = 0;

void ShowUnexpectedBox() {
  kvtest::ScriptedUser user;
  unexpectedAnswer = kv::ShowMsgBox(L"本文", 0, L"題名");
}

void LeaveBoxOpen() {
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Check([](kvtest::DialogView&) {});
  leftOpenAnswer = kv::ShowMsgBox(L"本文", 0, L"題名");
}

void ExpectBoxThatNeverComes() {
  kvtest::ScriptedUser user;
  user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
}

// A window that no modal loop of the frame shows: the user never hears of it.
void HangInAWindowNobodyAnswers() {
  kvtest::ScriptedUser user(std::chrono::seconds(1));
  kv::frmMsgBox box;
  box.Show();
  MSG msg;
  while (box.Loaded() && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

// A form whose "OK" opens the standard message box: a dialog of the thread that is no form.
class frmOpensStandardBox : public kv::Form {
 public:
  explicit frmOpensStandardBox(UINT style) : Form(L"frmFrameTest", L"FRMFRAMETEST") {
    cmdOk.OnClick = [this, style] {
      answer = MessageBoxW(hwnd(), L"本文", L"標準", style);
      Hide();
    };
  }
  int answer = 0;
  Control cmdOk{*this, L"cmdOk", IDC_FRAMETEST_CMDOK};
};

int otherAnswer = 0;

void MeetAnOtherDialogNobodyExpects() {
  kvtest::ScriptedUser user;
  user.Expect(L"frmFrameTest").Click(L"cmdOk");
  frmOpensStandardBox form(MB_OKCANCEL);
  form.ShowModal();
  otherAnswer = form.answer;
}

TEST(ScriptedUser, OtherDialogIsFoundAndAnsweredByIds) {
  frmOpensStandardBox form(MB_YESNO);
  kvtest::ScriptedUser user;
  user.Expect(L"frmFrameTest").Click(L"cmdOk");
  user.ExpectOther(L"standard box")
      .WaitUntil(L"No is there", [](kvtest::DialogView& d) { return GetDlgItem(d.Window(), IDNO) != nullptr; })
      .ClickItem(IDNO);
  form.ShowModal();
  EXPECT_EQ(form.answer, IDNO);
  EXPECT_EQ(user.Transcript(),
            (std::vector<std::wstring>{L"frmFrameTest 「枠のテスト」 shown", L"  click cmdOk", L"standard box 「標準」 shown",
                                       L"  wait until No is there", L"  click item 7", L"standard box closed",
                                       L"frmFrameTest closed"}));
}

TEST(ScriptedUser, UnexpectedOtherDialogFailsAndIsClosed) {
  EXPECT_NONFATAL_FAILURE(MeetAnOtherDialogNobodyExpects(), "unexpected dialog 「標準」");
  EXPECT_EQ(otherAnswer, IDCANCEL);
}

TEST(ScriptedUser, WatchdogClosesTheWindowsOfAHungTest) {
  EXPECT_NONFATAL_FAILURE(HangInAWindowNobodyAnswers(), "the watchdog closed the windows of a hung test");
}

TEST(ScriptedUser, UnexpectedDialogFailsAndIsClosed) {
  EXPECT_NONFATAL_FAILURE(ShowUnexpectedBox(), "unexpected dialog frmMsgBox");
  EXPECT_EQ(unexpectedAnswer, -1);
}

TEST(ScriptedUser, DialogStillOpenAfterItsScriptFailsAndIsClosed) {
  EXPECT_NONFATAL_FAILURE(LeaveBoxOpen(), "frmMsgBox still open after its script");
  EXPECT_EQ(leftOpenAnswer, -1);
}

TEST(ScriptedUser, ExpectedDialogThatNeverCameFails) {
  EXPECT_NONFATAL_FAILURE(ExpectBoxThatNeverComes(), "frmStartUpdate was expected but never shown");
}

TEST(ScriptedUser, TranscriptTellsWhatWasDone) {
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Type(L"n");  // the access key of いいえ(&N)
  EXPECT_EQ(kv::ShowMsgBox(L"本文", 4, L"題名"), kv::vbNo);
  EXPECT_EQ(user.Transcript(), (std::vector<std::wstring>{L"frmMsgBox 「題名」 shown", L"  type 「n」", L"frmMsgBox closed"}));
}

}  // namespace
