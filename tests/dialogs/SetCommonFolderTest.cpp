// The update folder dialog as the CD/DVD source shows it, driven by the scripted user, with the
// shell's folder dialog behind "参照".
#include <gtest/gtest.h>

#include <windows.h>

#include "base/Text.h"
#include "dialogs/frmSetCommonFolder.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/Screenshot.h"
#include "support/ShellDialogFolder.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

const wchar_t kCaption[] = L"バロネル アップデート - CD/DVD";
const wchar_t kUnset[] = L"(not set)";

// The caller's part before the modal show.
void Prepare(kv::frmSetCommonFolder& form, const std::wstring& folder) {
  form.strSelectFolder = kUnset;
  form.Load();
  form.SetCaption(kCaption);
  form.lblCaption.SetText(L"更新プログラムのあるフォルダを指定してください。");
  form.txtFolder.SetText(folder);
}

// The caller's part after it: the answer it reads, then the unload it may do.
void Finish(kv::frmSetCommonFolder& form) {
  form.intExitButton = -1;
  form.Unload();
  EXPECT_FALSE(form.Loaded());
}

std::wstring Line(const std::wstring& control, const std::wstring& rest) {
  return std::wstring(L"frmSetCommonFolder,") + kCaption + L"," + control + L"," + rest;
}
const wchar_t kOpened[] =
    L"frmSetCommonFolder,バロネル アップデート - 共有フォルダ指定,,,[バロネル アップデート - 共有フォルダ指定],開く";
const std::wstring kClosed = Line(L"", L",[バロネル アップデート - CD/DVD],閉じる");
const std::wstring kOk = Line(L"cmdOk", L"ボタン,[OK],クリック");
const std::wstring kCancel = Line(L"cmdCancel", L"ボタン,[キャンセル],クリック");
const std::wstring kBrowse = Line(L"cmdBrowse", L"ボタン,[参照],クリック");

TEST(frmSetCommonFolder, OkAcceptsTheTypedFolderWithOneTrailingBackslash) {
  struct Case {
    const wchar_t* typed;
    bool byEnter;
    const wchar_t* accepted;
  } cases[] = {
      {L" D:\\更新", true, L" D:\\更新\\"},  // the leading blank stays
      {L"E:\\", false, L"E:\\"},
      {L"\\\\VARONELSV\\バロネル", true, L"\\\\VARONELSV\\バロネル\\"},
      {L"Q:\\Update\\ ", false, L"Q:\\Update\\ \\"},  // not trimmed: a trailing blank is no backslash
  };
  for (const auto& c : cases) {
    kvtest::OperationLogCapture log;
    kv::frmSetCommonFolder form;
    Prepare(form, L"\\\\VARONELSV\\バロネル\\");
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmSetCommonFolder")
                         .Check([](DialogView& d) {
                           EXPECT_EQ(d.Caption(), kCaption);
                           EXPECT_EQ(d.Text(L"lblCaption"), L"更新プログラムのあるフォルダを指定してください。");
                           EXPECT_EQ(d.Text(L"txtFolder"), L"\\\\VARONELSV\\バロネル\\");
                           EXPECT_EQ(d.Focused(), L"txtFolder");
                           EXPECT_EQ(d.DefaultButton(), L"cmdOk");
                         })
                         .Type(c.typed);  // the whole text was selected on entering: typing replaces it
      if (c.byEnter) {
        dialog.PressEnter();
      } else {
        dialog.Click(L"cmdOk");
      }
      form.ShowModal();
    }
    EXPECT_EQ(form.intExitButton, 1) << kv::ToUtf8(c.typed);
    EXPECT_EQ(form.strSelectFolder, c.accepted) << kv::ToUtf8(c.typed);
    EXPECT_TRUE(form.Loaded());
    Finish(form);
    // Enter leaves the focus in the box until the form hides: the change is logged after "OK".
    const std::wstring changed = Line(L"txtFolder", std::wstring(L"共有フォルダ,[") + c.typed + L"],変更");
    const Lines expected = c.byEnter ? Lines{kOpened, kOk, changed, kClosed} : Lines{kOpened, changed, kOk, kClosed};
    EXPECT_EQ(log.Lines(), expected) << kv::ToUtf8(c.typed);
  }
}

TEST(frmSetCommonFolder, BlankFolderIsRefusedWithAMessageAndTheDialogStaysOpen) {
  kvtest::OperationLogCapture log;
  kv::frmSetCommonFolder form;
  Prepare(form, L"   ");
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmSetCommonFolder")
        .Click(L"cmdOk")
        .Check([&form](DialogView& d) {
          EXPECT_TRUE(IsWindowVisible(d.Window()));
          EXPECT_EQ(form.intExitButton, 0);
        })
        .PressEscape();
    user.Expect(L"frmMsgBox")
        .Check([](DialogView& d) {
          EXPECT_EQ(d.Caption(), kCaption);
          EXPECT_EQ(d.Text(L"txtMsg"), L"共有フォルダーまたはドライブを指定してください");
          EXPECT_TRUE(d.Visible(L"picIcon", 2));  // the exclamation mark
          EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
        })
        .Click(L"cmdButton", 1);
    form.ShowModal();
  }
  EXPECT_EQ(form.intExitButton, -1);
  EXPECT_EQ(form.strSelectFolder, kUnset);
  Finish(form);
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kOk, L"frmMsgBox,メッセージ,txtMsg,テキスト,[共有フォルダーまたはドライブを指定してください]",
                                L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[OK],クリック",
                                std::wstring(L"frmMsgBox,メッセージ,,,[") + kCaption + L"],閉じる", kCancel, kClosed}));
}

TEST(frmSetCommonFolder, CancelByClickOrEscAnswersMinusOne) {
  for (bool byEsc : {false, true}) {
    kvtest::OperationLogCapture log;
    kv::frmSetCommonFolder form;
    Prepare(form, L"D:\\Update\\");
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmSetCommonFolder");
      if (byEsc) {
        dialog.PressEscape();
      } else {
        dialog.Click(L"cmdCancel");
      }
      form.ShowModal();
    }
    EXPECT_EQ(form.intExitButton, -1) << byEsc;
    EXPECT_EQ(form.strSelectFolder, kUnset) << byEsc;
    form.Unload();  // -1 lets the form go
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(log.Lines(), (Lines{kOpened, kCancel, kClosed})) << byEsc;
  }
}

TEST(frmSetCommonFolder, CloseBoxHidesTheFormAndUnloadWaitsForAnAnswer) {
  kvtest::OperationLogCapture log;
  kv::frmSetCommonFolder form;
  Prepare(form, L"D:\\Update\\");
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmSetCommonFolder").CloseFromTitleBar();
    form.ShowModal();
  }
  EXPECT_EQ(form.intExitButton, 0);
  EXPECT_EQ(form.strSelectFolder, kUnset);
  EXPECT_TRUE(form.Loaded());
  EXPECT_FALSE(IsWindowVisible(form.hwnd()));
  form.Unload();  // refused while the answer is 0
  EXPECT_TRUE(form.Loaded());
  Finish(form);
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kClosed}));
}

TEST(frmSetCommonFolder, BrowseTakesTheFolderChosenInTheFolderDialog) {
  kvtest::OperationLogCapture log;
  kv::frmSetCommonFolder form;
  kvtest::ScriptedUser user;
  kvtest::ShellDialogFolder dir;
  const std::wstring folder = dir.Add(L"更新CD");
  Prepare(form, folder + L"\\");  // the folder dialog answers it without the backslash
  user.Expect(L"frmSetCommonFolder")
      .Click(L"cmdBrowse")
      .Check([&folder](DialogView& d) { EXPECT_EQ(kv::LCase(d.Text(L"txtFolder")), kv::LCase(folder)); })
      .Click(L"cmdOk");
  user.ExpectOther(L"folder dialog")
      .WaitUntil(L"the folder is selected", [](DialogView& d) { return kvtest::SelectedFolderName(d.Window()) == L"更新CD"; })
      .Screenshot(L"frmSetCommonFolder-browse")
      .ClickItem(IDOK);
  form.ShowModal();
  EXPECT_EQ(form.intExitButton, 1);
  EXPECT_EQ(kv::LCase(form.strSelectFolder), kv::LCase(folder + L"\\"));
  Finish(form);
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kBrowse, kOk, kClosed}));
}

TEST(frmSetCommonFolder, CancelledFolderDialogLeavesTheText) {
  kv::frmSetCommonFolder form;
  kvtest::ScriptedUser user;
  kvtest::ShellDialogFolder dir;
  Prepare(form, dir.path());
  user.Expect(L"frmSetCommonFolder")
      .Click(L"cmdBrowse")
      .Check([&dir](DialogView& d) { EXPECT_EQ(d.Text(L"txtFolder"), dir.path()); })
      .Click(L"cmdCancel");
  user.ExpectOther(L"folder dialog").ClickItem(IDCANCEL);
  form.ShowModal();
  EXPECT_EQ(form.intExitButton, -1);
  Finish(form);
}

TEST(frmSetCommonFolder, Screenshot) {
  kv::frmSetCommonFolder form;
  Prepare(form, L"\\\\VARONELSV\\バロネル\\");
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmSetCommonFolder").Screenshot(L"frmSetCommonFolder").Click(L"cmdCancel");
    form.ShowModal();
  }
  Finish(form);
}

}  // namespace
