// The program's message box: its layout per style code, and the real box answered by the
// scripted user.
#include <gtest/gtest.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/Screen.h"
#include "dialogs/clsOperationLog.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/Screenshot.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

struct ButtonSet {
  std::int32_t set;
  const wchar_t* captions[3];  // nullptr: hidden
  std::int16_t answers[3];
  int defaultButton;
  int cancelButton;
};

const ButtonSet kSets[] = {
    {0, {nullptr, L"OK", nullptr}, {0, 1, 0}, 1, -1},
    {1, {nullptr, L"OK", L"キャンセル"}, {0, 1, 2}, 1, 2},
    {2, {L"中止(&A)", L"再試行(&R)", L"無視(&I)"}, {3, 4, 5}, -1, -1},
    {3, {L"はい(&Y)", L"いいえ(&N)", L"キャンセル"}, {6, 7, 2}, 0, 2},
    {4, {nullptr, L"はい(&Y)", L"いいえ(&N)"}, {0, 6, 7}, 1, 2},
    {5, {nullptr, L"再試行(&R)", L"キャンセル"}, {0, 4, 2}, 1, 2},
};

TEST(MsgBoxLayout, ButtonSets) {
  for (const auto& s : kSets) {
    for (std::int32_t style : {s.set, s.set + 48, s.set + 256 + 512 + 4096}) {  // other bits do not matter
      const auto layout = kv::GetMsgBoxLayout(style);
      EXPECT_FALSE(layout.designButtons) << style;
      for (int i = 0; i < 3; ++i) {
        const auto& b = layout.buttons[static_cast<std::size_t>(i)];
        EXPECT_EQ(b.visible, s.captions[i] != nullptr) << style << " button " << i;
        if (!b.visible) continue;
        EXPECT_EQ(b.caption, s.captions[i]) << style << " button " << i;
        EXPECT_EQ(b.answer, s.answers[i]) << style << " button " << i;
      }
      EXPECT_EQ(layout.defaultButton, s.defaultButton) << style;
      EXPECT_EQ(layout.cancelButton, s.cancelButton) << style;
      EXPECT_EQ(layout.middleAtRight, s.set == 0) << style;
    }
  }
}

TEST(MsgBoxLayout, UnknownButtonSetsKeepTheDesign) {
  for (std::int32_t style : {6, 7, 15, 32 + 9}) {
    const auto layout = kv::GetMsgBoxLayout(style);
    EXPECT_TRUE(layout.designButtons) << style;
    EXPECT_EQ(layout.defaultButton, -1) << style;
    EXPECT_EQ(layout.cancelButton, -1) << style;
  }
}

TEST(MsgBoxLayout, IconsAndBeeps) {
  const struct {
    std::int32_t style;
    std::int32_t icon;
    UINT beep;
  } cases[] = {{16, 0, MB_ICONHAND},        {32, 1, MB_ICONQUESTION},    {48, 2, MB_ICONEXCLAMATION},
               {64, 3, MB_ICONASTERISK},    {0, 2, MB_ICONEXCLAMATION},  {80, 2, MB_ICONEXCLAMATION},
               {112, 2, MB_ICONEXCLAMATION}, {240, 2, MB_ICONEXCLAMATION}, {292, 1, MB_ICONQUESTION},
               {16 + 4, 0, MB_ICONHAND},    {64 + 256, 3, MB_ICONASTERISK}};
  for (const auto& c : cases) {
    const auto layout = kv::GetMsgBoxLayout(c.style);
    EXPECT_EQ(layout.icon, c.icon) << c.style;
    EXPECT_EQ(layout.beep, c.beep) << c.style;
  }
  const auto defaultBits = kv::GetMsgBoxLayout(292);  // 256 + 36: the default-button bits are ignored
  EXPECT_EQ(defaultBits.defaultButton, 1);
  EXPECT_EQ(defaultBits.buttons[1].caption, L"はい(&Y)");
}

TEST(frmMsgBox, ButtonValuesHaveFourPlaces) {
  kv::frmMsgBox form;
  EXPECT_EQ(form.intInputkey, -1);
  for (std::int16_t index : {0, 3}) EXPECT_NO_THROW(form.SetButtonValue(index, 1)) << index;
  for (std::int16_t index : {-1, 4}) {
    try {
      form.SetButtonValue(index, 1);
      ADD_FAILURE() << index;
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), kv::err::SubscriptOutOfRange);
    }
  }
}

// The visible buttons, the default button and the icon in front, as the user sees them.
void CheckLayout(DialogView& d, const ButtonSet& s, int icon) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.Visible(L"cmdButton", i), s.captions[i] != nullptr) << "set " << s.set << " button " << i;
    if (s.captions[i]) {
      EXPECT_EQ(d.Text(L"cmdButton", i), s.captions[i]) << "set " << s.set << " button " << i;
    }
  }
  EXPECT_EQ(d.DefaultButton(), s.defaultButton < 0 ? L"" : L"cmdButton(" + std::to_wstring(s.defaultButton) + L")")
      << "set " << s.set;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d.Visible(L"picIcon", i), i == icon) << "set " << s.set << " icon " << i;
  EXPECT_FALSE(d.Visible(L"chkNeverShow"));
  if (s.set == 0) {
    EXPECT_EQ(d.Bounds(L"cmdButton", 1).left, d.Bounds(L"cmdButton", 2).left);
  }
}

TEST(ShowMsgBox, EachButtonOfEachSetAnswersByClick) {
  kvtest::OperationLogCapture log;
  for (const auto& s : kSets) {
    for (int i = 0; i < 3; ++i) {
      if (!s.captions[i]) continue;
      kvtest::ScriptedUser user;
      user.Expect(L"frmMsgBox")
          .Check([&s](DialogView& d) {
            EXPECT_EQ(d.Caption(), L"題名");
            EXPECT_EQ(d.Text(L"rtxtMsg"), L"本文");
            EXPECT_EQ(d.Text(L"txtMsg"), L"本文");
            CheckLayout(d, s, 1);
          })
          .Click(L"cmdButton", i);
      EXPECT_EQ(kv::ShowMsgBox(L"本文", 32 + s.set, L"題名"), s.answers[i]) << "set " << s.set << " button " << i;
    }
  }
}

TEST(ShowMsgBox, EnterPressesTheDefaultOrTheFocusedButton) {
  const std::int16_t answers[] = {1, 1, 3, 6, 6, 4};  // set 2 has no default: Enter presses the focused 中止
  for (const auto& s : kSets) {
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox").PressEnter();
    EXPECT_EQ(kv::ShowMsgBox(L"本文", s.set, L"題名"), answers[s.set]) << "set " << s.set;
  }
}

TEST(ShowMsgBox, EscPressesTheCancelButtonOnly) {
  for (const auto& s : kSets) {
    kvtest::ScriptedUser user;
    auto& dialog = user.Expect(L"frmMsgBox").PressEscape();
    std::int16_t expected = s.cancelButton < 0 ? -1 : s.answers[s.cancelButton];
    if (s.cancelButton < 0) {
      // Nothing happens; the box waits for a button.
      dialog.Check([](DialogView& d) { EXPECT_TRUE(IsWindowVisible(d.Window())); }).Click(L"cmdButton", 1);
      expected = s.answers[1];
    }
    EXPECT_EQ(kv::ShowMsgBox(L"本文", 16 + s.set, L"題名"), expected) << "set " << s.set;
  }
}

TEST(ShowMsgBox, ClosedFromTheTitleBarAnswersMinusOne) {
  kvtest::OperationLogCapture log;
  for (std::int32_t style : {0, 1, 2, 3, 4, 5, 6}) {
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox").CloseFromTitleBar();
    EXPECT_EQ(kv::ShowMsgBox(L"本文", style, L"題名"), -1) << style;
  }
  EXPECT_EQ(log.Lines().size(), 14u);  // the message and the closing, nothing else
  EXPECT_EQ(log.Lines().back(), L"frmMsgBox,メッセージ,,,[題名],閉じる");
}

TEST(ShowMsgBox, UnknownButtonSetShowsTheDesignButtonsAnsweringZero) {
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox")
      .Check([](DialogView& d) {
        for (int i = 0; i < 3; ++i) EXPECT_EQ(d.Text(L"cmdButton", i), std::to_wstring(i));
        EXPECT_EQ(d.DefaultButton(), L"");
      })
      .Click(L"cmdButton", 2);
  EXPECT_EQ(kv::ShowMsgBox(L"本文", 7, L"題名"), 0);
}

TEST(ShowMsgBox, OperationLogRecordsMessageButtonAndClosingEvenWhilePaused) {
  kvtest::OperationLogCapture log;
  kv::objOperationLog().SetPauseWriting(true);
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Click(L"cmdButton", 1);
  EXPECT_EQ(kv::ShowMsgBox(L"一行目\r\n二行目", 292, L"確認"), kv::vbYes);
  kv::objOperationLog().SetPauseWriting(false);
  EXPECT_EQ(log.Lines(), (Lines{L"frmMsgBox,メッセージ,txtMsg,テキスト,[一行目\\n二行目]",
                                L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[はい(&Y)],クリック",
                                L"frmMsgBox,メッセージ,,,[確認],閉じる"}));
}

TEST(ShowMsgBox, EmptyMessageIsLoggedAsNoMessage) {
  kvtest::OperationLogCapture log;
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox")
      .Check([](DialogView& d) {
        EXPECT_EQ(d.Text(L"rtxtMsg"), L"");
        EXPECT_EQ(d.Text(L"txtMsg"), L"");
      })
      .PressEnter();
  EXPECT_EQ(kv::ShowMsgBox(L"", 0, L""), kv::vbOK);
  EXPECT_EQ(log.Lines(), (Lines{L"frmMsgBox,メッセージ,txtMsg,テキスト,[(メッセージなし)]",
                                L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[OK],クリック",
                                L"frmMsgBox,メッセージ,,,,閉じる"}));
}

TEST(ShowMsgBox, BlankMessageReachesBothBoxesButIsLoggedAsNoMessage) {
  kvtest::OperationLogCapture log;
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Check([](DialogView& d) { EXPECT_EQ(d.Text(L"txtMsg"), L"   "); }).PressEnter();
  kv::ShowMsgBox(L"   ", 0, L"題名");
  EXPECT_EQ(log.Lines().front(), L"frmMsgBox,メッセージ,txtMsg,テキスト,[(メッセージなし)]");
}

TEST(ShowMsgBox, LeavesTheDefaultMousePointer) {
  kv::SetScreenMousePointer(kv::vbHourglass);
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Check([](DialogView&) { EXPECT_EQ(kv::ScreenMousePointer(), kv::vbDefault); }).PressEnter();
  kv::ShowMsgBox(L"本文", 64, L"題名");
  EXPECT_EQ(kv::ScreenMousePointer(), kv::vbDefault);
}

TEST(ShowMsgBox, ScreenshotOfEachIcon) {
  const struct {
    std::int32_t style;
    const wchar_t* name;
    int icon;
  } cases[] = {{16, L"frmMsgBox-16-stop", 0},
               {32 + 4, L"frmMsgBox-36-question", 1},
               {48 + 1, L"frmMsgBox-49-exclamation", 2},
               {64 + 2, L"frmMsgBox-66-information", 3}};
  for (const auto& c : cases) {
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&c](DialogView& d) {
          EXPECT_TRUE(d.Visible(L"picIcon", c.icon));
          EXPECT_TRUE(kvtest::TakeScreenshot(c.name, d.Window())) << kv::ToUtf8(c.name);
        })
        .CloseFromTitleBar();
    kv::ShowMsgBox(L"プログラムの更新が完了しました。\r\nバロネルを起動します。", c.style, L"バロネル アップデート");
  }
}

}  // namespace
