// The start confirmation driven by the scripted user as the update driver shows it.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/Screen.h"
#include "dialogs/clsOperationLog.h"
#include "dialogs/frmStartUpdate.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/Screenshot.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

const wchar_t kOpened[] = L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],開く";
const wchar_t kClosed[] = L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],閉じる";
const wchar_t kOk[] = L"frmStartUpdate,バロネル アップデート,cmdButton(1),ボタン,[OK],クリック";
const wchar_t kCancel[] = L"frmStartUpdate,バロネル アップデート,cmdButton(2),ボタン,[キャンセル],クリック";
const wchar_t kCheckedOn[] =
    L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック(オン)";
const wchar_t kCheckedOff[] =
    L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック(オフ)";

// What a caller puts in before the modal show.
void Prepare(kv::frmStartUpdate& form, bool optionVisible, std::int32_t optionValue) {
  form.lblMsg.SetText(L"CD/DVDからプログラムを更新します。\r\nよろしいですか？");
  form.lblTitle[1].SetText(L"CD/DVDアップデート");
  form.chkOption.SetVisible(optionVisible);
  form.chkOption.SetValue(optionValue);
}

LONG FontWeight(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfWeight;
}

TEST(frmStartUpdate, ButtonsAnswerTheirIndexWhateverTheCheckBox) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> act;
    std::int16_t answer;
    std::int32_t option;
    Lines clicks;
  } cases[] = {
      {"OK", [](auto& d) { d.Click(L"cmdButton", 1); }, 1, 0, {kOk}},
      {"check, OK", [](auto& d) { d.Click(L"chkOption").Click(L"cmdButton", 1); }, 1, 1, {kCheckedOn, kOk}},
      {"check, キャンセル", [](auto& d) { d.Click(L"chkOption").Click(L"cmdButton", 2); }, 2, 1, {kCheckedOn, kCancel}},
      {"check twice, OK",
       [](auto& d) { d.Click(L"chkOption").Click(L"chkOption").Click(L"cmdButton", 1); }, 1, 0,
       {kCheckedOn, kCheckedOff, kOk}},
      {"キャンセル", [](auto& d) { d.Click(L"cmdButton", 2); }, 2, 0, {kCancel}},
  };
  for (const auto& c : cases) {
    kvtest::OperationLogCapture log;
    kv::frmStartUpdate form;
    Prepare(form, true, 0);
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmStartUpdate").Check([](DialogView& d) {
        EXPECT_EQ(d.Caption(), L"バロネル アップデート");
        EXPECT_EQ(d.Text(L"lblTitle", 0), L"バロネル");
        EXPECT_EQ(d.Text(L"lblTitle", 1), L"CD/DVDアップデート");
        EXPECT_EQ(d.Text(L"lblMsg"), L"CD/DVDからプログラムを更新します。\r\nよろしいですか？");
        EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
        EXPECT_EQ(d.Text(L"cmdButton", 2), L"キャンセル");
        EXPECT_EQ(d.Checked(L"chkOption"), 0);
        EXPECT_EQ(d.DefaultButton(), L"");
      });
      c.act(dialog);
      form.ShowModal();
    }
    EXPECT_EQ(form.intInputkey, c.answer) << c.what;
    EXPECT_TRUE(form.Loaded()) << c.what;  // hidden; the caller reads the check box and unloads
    EXPECT_FALSE(IsWindowVisible(form.hwnd())) << c.what;
    EXPECT_EQ(form.chkOption.Value(), c.option) << c.what;
    form.Unload();
    Lines expected{kOpened};
    expected.insert(expected.end(), c.clicks.begin(), c.clicks.end());
    expected.push_back(kClosed);
    EXPECT_EQ(log.Lines(), expected) << c.what;
  }
}

TEST(frmStartUpdate, EnterAndEscPressNothingWhileTheCheckBoxHasTheFocus) {
  kvtest::OperationLogCapture log;
  kv::frmStartUpdate form;
  Prepare(form, true, 0);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate")
        .Check([](DialogView& d) { EXPECT_EQ(d.Focused(), L"chkOption"); })
        .PressEnter()
        .PressEscape()
        .Check([&form](DialogView& d) {
          EXPECT_TRUE(IsWindowVisible(d.Window()));
          EXPECT_EQ(form.intInputkey, -1);
        })
        .Click(L"cmdButton", 2);
    form.ShowModal();
  }
  EXPECT_EQ(form.intInputkey, 2);
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kCancel, kClosed}));
}

TEST(frmStartUpdate, HiddenCheckBoxKeepsTheCallersValue) {
  // The forced re-installation: the user cannot change the value. With the check box hidden the
  // focus starts on "OK", which Enter then presses like any focused button.
  kv::frmStartUpdate form;
  Prepare(form, false, 1);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate")
        .Check([](DialogView& d) {
          EXPECT_FALSE(d.Visible(L"chkOption"));
          EXPECT_EQ(d.Focused(), L"cmdButton(1)");
        })
        .PressEnter();
    form.ShowModal();
  }
  EXPECT_EQ(form.intInputkey, 1);
  EXPECT_EQ(form.chkOption.Value(), 1);
  form.Unload();
}

TEST(frmStartUpdate, WithoutCloseBoxAClosingStillAnswersMinusOne) {
  kvtest::OperationLogCapture log;
  kv::frmStartUpdate form;
  form.intInputkey = 1;  // left from an earlier show: loading resets it
  Prepare(form, true, 1);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate")
        .Check([](DialogView& d) { EXPECT_EQ(GetWindowLongW(d.Window(), GWL_STYLE) & WS_SYSMENU, 0); })
        .CloseFromTitleBar();  // the system's close command, as Alt+F4 would send it
    form.ShowModal();
  }
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.intInputkey, -1);
  // A caller that reads the check box now finds a new form in its design state.
  EXPECT_EQ(form.chkOption.Value(), 0);
  EXPECT_TRUE(form.Loaded());
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kClosed, kOpened, kClosed}));
}

TEST(frmStartUpdate, PausedOperationLogGetsNoLine) {
  kvtest::OperationLogCapture log;
  kv::objOperationLog().SetPauseWriting(true);
  kv::frmStartUpdate form;
  Prepare(form, true, 0);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"chkOption").Click(L"cmdButton", 1);
    form.ShowModal();
  }
  form.Unload();
  kv::objOperationLog().SetPauseWriting(false);
  EXPECT_EQ(log.Lines(), Lines{});
}

TEST(frmStartUpdate, LoadingSetsTheDefaultPointer) {
  kv::SetScreenMousePointer(kv::vbHourglass);
  kv::frmStartUpdate form;
  form.Load();
  EXPECT_EQ(kv::ScreenMousePointer(), kv::vbDefault);
  form.Unload();
}

TEST(frmStartUpdate, DesignTextsToolTipAndScreenshot) {
  kv::frmStartUpdate form;
  form.Load();
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate")
        .Check([](DialogView& d) {
          EXPECT_EQ(d.Text(L"lblTitle", 1), L"アップデート");
          EXPECT_EQ(d.Text(L"lblMsg"), L"インターネットに接続してバロネルプログラムのアップデートを行います。");
          EXPECT_EQ(d.Text(L"chkOption"), L"すべてのプログラムを再更新(&A)");
          EXPECT_EQ(d.ToolTip(L"chkOption"), L"更新に失敗した場合ﾁｪｯｸしてください");
          EXPECT_EQ(FontWeight(d.Find(L"lblTitle", 0)), FW_BOLD);
          EXPECT_EQ(FontWeight(d.Find(L"lblTitle", 1)), FW_NORMAL);
          EXPECT_TRUE(kvtest::TakeScreenshot(L"frmStartUpdate", d.Window()));
        })
        .Click(L"cmdButton", 1);
    form.ShowModal();
  }
  form.Unload();
}

}  // namespace
