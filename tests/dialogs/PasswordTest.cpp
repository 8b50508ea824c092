// The maintenance password dialog driven by the scripted user. The tests cannot know the
// maintenance password, so most of them use a form whose stored digest is that of "PASS123".
#include <gtest/gtest.h>

#include <windows.h>
#include <imm.h>

#include "base/Text.h"
#include "dialogs/frmPassword.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/Screenshot.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

class frmPasswordKnown : public kv::frmPassword {
 protected:
  std::wstring StoredDigest() const override { return L"bac363ad53ee1c18f64a192698c4c114"; }  // MD5("PASS123")
};

const wchar_t kOpened[] = L"frmPassword,パスワード,,,[パスワード],開く";
const wchar_t kClosed[] = L"frmPassword,パスワード,,,[パスワード],閉じる";
const wchar_t kOk[] = L"frmPassword,パスワード,cmdOk,ボタン,[OK],クリック";
std::wstring Changed(const std::wstring& typed) {
  return L"frmPassword,パスワード,txtPassword,実行パスワードを入力してください,[" + typed + L"],変更";
}
const Lines kRefusedBox = {L"frmMsgBox,メッセージ,txtMsg,テキスト,[パスワードが違います]",
                           L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[OK],クリック",
                           L"frmMsgBox,メッセージ,,,[パスワード],閉じる"};

// The wrong-password message: critical, titled as the dialog, only "OK".
void AnswerRefusal(kvtest::ScriptedUser& user) {
  user.Expect(L"frmMsgBox")
      .Check([](DialogView& d) {
        EXPECT_EQ(d.Caption(), L"パスワード");
        EXPECT_EQ(d.Text(L"txtMsg"), L"パスワードが違います");
        EXPECT_TRUE(d.Visible(L"picIcon", 0));  // the stop sign
        EXPECT_FALSE(d.Visible(L"cmdButton", 2));
      })
      .PressEnter();
}

TEST(frmPassword, TypedTextIsUpperCasedBeforeTheDigest) {
  for (const wchar_t* typed : {L"PASS123", L"pass123", L"Pass123"}) {
    kvtest::OperationLogCapture log;
    frmPasswordKnown form;
    {
      kvtest::ScriptedUser user;
      user.Expect(L"frmPassword")
          .Check([](DialogView& d) {
            EXPECT_EQ(d.Caption(), L"パスワード");
            EXPECT_EQ(d.Text(L"Label1"), L"実行パスワードを入力してください");
            EXPECT_EQ(d.Focused(), L"txtPassword");
            EXPECT_EQ(d.DefaultButton(), L"cmdOk");
          })
          .Type(typed)
          .PressEnter();
      form.ShowModal();
    }
    EXPECT_TRUE(form.PassOk()) << kv::ToUtf8(typed);
    // Hidden, still loaded: nobody unloads it.
    EXPECT_TRUE(form.Loaded());
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    // The focus stays in the box until the form hides, so the change comes after "OK".
    EXPECT_EQ(log.Lines(), (Lines{kOpened, kOk, Changed(typed)})) << kv::ToUtf8(typed);
  }
}

TEST(frmPassword, ThreeWrongTriesThenTheRightOne) {
  kvtest::OperationLogCapture log;
  frmPasswordKnown form;
  {
    kvtest::ScriptedUser user;
    auto& dialog = user.Expect(L"frmPassword");
    for (const wchar_t* wrong : {L"PASS12", L"PASS1234", L"ＰＡＳＳ１２３"}) {
      dialog.Type(L"txtPassword", -1, wrong).Click(L"cmdOk").Check([&form](DialogView& d) {
        EXPECT_EQ(d.Text(L"txtPassword"), L"");  // emptied for the next try
        EXPECT_TRUE(IsWindowVisible(d.Window()));
        EXPECT_FALSE(form.PassOk());
      });
      AnswerRefusal(user);
    }
    dialog.Type(L"txtPassword", -1, L"pass123").Click(L"cmdOk");
    form.ShowModal();
  }
  EXPECT_TRUE(form.PassOk());
  Lines expected{kOpened};
  for (const wchar_t* wrong : {L"PASS12", L"PASS1234", L"ＰＡＳＳ１２３"}) {
    expected.push_back(Changed(wrong));
    expected.push_back(kOk);
    expected.insert(expected.end(), kRefusedBox.begin(), kRefusedBox.end());
  }
  expected.push_back(Changed(L"pass123"));
  expected.push_back(kOk);
  EXPECT_EQ(log.Lines(), expected);
}

TEST(frmPassword, EmptyPasswordIsRefusedAndTheCloseBoxGivesUp) {
  // The program's own digest: the empty text is not the maintenance password.
  kvtest::OperationLogCapture log;
  kv::frmPassword form;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmPassword")
        .PressEnter()
        .PressEscape()  // no cancel button: nothing happens
        .Check([](DialogView& d) { EXPECT_TRUE(IsWindowVisible(d.Window())); })
        .CloseFromTitleBar();
    AnswerRefusal(user);
    form.ShowModal();
  }
  EXPECT_FALSE(form.PassOk());
  EXPECT_FALSE(form.Loaded());
  Lines expected{kOpened, kOk};
  expected.insert(expected.end(), kRefusedBox.begin(), kRefusedBox.end());
  expected.push_back(kClosed);
  EXPECT_EQ(log.Lines(), expected);
}

TEST(frmPassword, BoxMasksTheTextAndTakesNoInputMethod) {
  frmPasswordKnown form;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmPassword")
        .Type(L"secret")
        .Check([](DialogView& d) {
          const HWND box = d.Find(L"txtPassword");
          EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
          const HIMC context = ImmGetContext(box);
          EXPECT_EQ(context, nullptr);
          if (context) ImmReleaseContext(box, context);
        })
        .Screenshot(L"frmPassword")
        .CloseFromTitleBar();
    form.ShowModal();
  }
  EXPECT_FALSE(form.PassOk());
}

TEST(frmPassword, PassOkStartsFalseOnEveryLoad) {
  frmPasswordKnown form;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmPassword").Type(L"PASS123").PressEnter();
    form.ShowModal();
  }
  ASSERT_TRUE(form.PassOk());
  form.Unload();
  form.Load();
  EXPECT_FALSE(form.PassOk());
}

}  // namespace
