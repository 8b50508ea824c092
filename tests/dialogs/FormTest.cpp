// The form frame as the dialogs use it, on a form of the tests' own, driven by the scripted user.
#include <gtest/gtest.h>

#include "dialogs/Form.h"
#include "dialogs/LocalDialog.h"
#include "frmFrameTest.rh"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

class frmFrameTest : public kv::Form {
 public:
  frmFrameTest() : Form(L"frmFrameTest", L"FRMFRAMETEST") {
    cmdOk.OnClick = [this] { Answer(cmdOk, 1); };
    cmdCancel.OnClick = [this] { Answer(cmdCancel, 2); };
    chkAll.OnClick = [this] {
      LogAction(chkAll, 0);
      question = kv::ShowMsgBox(L"すべて選びますか？", 4, Caption());
    };
    TrackTextBox(txtName, lblName);
    TrackTextBox(txtNote, L"備考");
    SetDefaultButton(&cmdOk);
    SetCancelButton(&cmdCancel);
  }

  int answer = 0;
  int question = 0;
  int activations = 0;
  int unloads = 0;
  bool keepLoaded = false;

  Control lblName{*this, L"lblName", IDC_FRAMETEST_LBLNAME};
  Control txtName{*this, L"txtName", IDC_FRAMETEST_TXTNAME};
  Control txtNote{*this, L"txtNote", IDC_FRAMETEST_TXTNOTE};
  Control chkAll{*this, L"chkAll", IDC_FRAMETEST_CHKALL};
  Control cmdOk{*this, L"cmdOk", IDC_FRAMETEST_CMDOK};
  Control cmdCancel{*this, L"cmdCancel", IDC_FRAMETEST_CMDCANCEL};

 protected:
  void Form_Load() override { answer = 0; }
  void Form_Activate() override { ++activations; }
  bool Form_QueryUnload() override {
    if (!keepLoaded) return true;
    Hide();
    return false;
  }
  void Form_Unload() override { ++unloads; }

 private:
  void Answer(Control& button, int value) {
    LogAction(button, 0);
    answer = value;
    Hide();
  }
};

const wchar_t kOpened[] = L"frmFrameTest,枠のテスト,,,[枠のテスト],開く";
const wchar_t kClosed[] = L"frmFrameTest,枠のテスト,,,[枠のテスト],閉じる";
const wchar_t kOkClicked[] = L"frmFrameTest,枠のテスト,cmdOk,ボタン,[OK],クリック";
const wchar_t kCancelClicked[] = L"frmFrameTest,枠のテスト,cmdCancel,ボタン,[キャンセル],クリック";

TEST(Form, ButtonsEnterAndEscAnswerTheModalShow) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> act;
    int answer;
    const wchar_t* clicked;
  } cases[] = {
      {"click OK", [](auto& d) { d.Click(L"cmdOk"); }, 1, kOkClicked},
      {"click キャンセル", [](auto& d) { d.Click(L"cmdCancel"); }, 2, kCancelClicked},
      {"Enter in the text box", [](auto& d) { d.PressEnter(); }, 1, kOkClicked},
      {"Esc", [](auto& d) { d.PressEscape(); }, 2, kCancelClicked},
  };
  for (const auto& c : cases) {
    kvtest::OperationLogCapture log;
    frmFrameTest form;
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmFrameTest").Check([](DialogView& d) {
        EXPECT_EQ(d.Caption(), L"枠のテスト");
        EXPECT_EQ(d.Focused(), L"txtName");  // the first tab stop
        EXPECT_EQ(d.DefaultButton(), L"cmdOk");
      });
      c.act(dialog);
      form.ShowModal();
    }
    EXPECT_EQ(form.answer, c.answer) << c.what;
    EXPECT_TRUE(form.Loaded()) << c.what;  // hidden, still loaded: the caller reads and unloads
    EXPECT_FALSE(IsWindowVisible(form.hwnd())) << c.what;
    form.Unload();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(log.Lines(), (Lines{kOpened, c.clicked, kClosed})) << c.what;
  }
}

TEST(Form, TitleBarCloseUnloadsTheForm) {
  kvtest::OperationLogCapture log;
  frmFrameTest form;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmFrameTest").CloseFromTitleBar();
    form.ShowModal();
  }
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.answer, 0);
  EXPECT_EQ(form.unloads, 1);
  form.Unload();  // unloading an unloaded form does nothing
  EXPECT_EQ(form.unloads, 1);
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kClosed}));
}

TEST(Form, RefusedUnloadHidesAndKeepsTheForm) {
  kvtest::OperationLogCapture log;
  frmFrameTest form;
  form.keepLoaded = true;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmFrameTest").CloseFromTitleBar();
    form.ShowModal();  // the modal show ends: the form is hidden
  }
  EXPECT_TRUE(form.Loaded());
  EXPECT_FALSE(IsWindowVisible(form.hwnd()));
  form.Unload();
  EXPECT_TRUE(form.Loaded());
  form.keepLoaded = false;
  form.Unload();
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(form.unloads, 1);
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kClosed}));
}

TEST(Form, TextBoxChangesAreLoggedOncePerVisit) {
  kvtest::OperationLogCapture log;
  frmFrameTest form;
  form.txtName.SetText(L"既定");  // touching a control loads the form
  EXPECT_TRUE(form.Loaded());
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmFrameTest")
        .Check([](DialogView& d) {
          // Entering the box selected its whole text, so typing replaces it.
          DWORD start = 0, end = 0;
          SendMessageW(d.Find(L"txtName"), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
          EXPECT_EQ(start, 0u);
          EXPECT_EQ(end, 2u);
        })
        .Type(L"山田")
        .Focus(L"txtNote")  // leaving after a change: one line
        .Focus(L"txtName")  // a visit without a change: no line
        .Focus(L"txtNote")
        .Type(L"a,b")
        .Click(L"cmdOk");  // the click takes the focus: the change is logged first
    form.ShowModal();
  }
  EXPECT_EQ(form.txtName.Text(), L"山田");
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, L"frmFrameTest,枠のテスト,txtName,名前(&N),[山田],変更",
                                L"frmFrameTest,枠のテスト,txtNote,備考,[a,b],変更", kOkClicked, kClosed}));
}

TEST(Form, MessageBoxOverAFormIsAnsweredFirst) {
  kvtest::OperationLogCapture log;
  frmFrameTest form;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmFrameTest").Click(L"chkAll").Check([](DialogView& d) {
      EXPECT_EQ(d.Checked(L"chkAll"), 1);
      EXPECT_TRUE(IsWindowEnabled(d.Window()));  // enabled again once the box is gone
    }).Click(L"cmdOk");
    user.Expect(L"frmMsgBox").Check([&form](DialogView& d) {
      EXPECT_EQ(d.Caption(), L"枠のテスト");
      EXPECT_FALSE(IsWindowEnabled(form.hwnd()));  // modal: the form below takes no input
    }).Click(L"cmdButton", 1);
    form.ShowModal();
  }
  EXPECT_EQ(form.question, kv::vbYes);
  EXPECT_EQ(form.answer, 1);
  EXPECT_EQ(form.activations, 2);  // when shown, and again when the message box went
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, L"frmFrameTest,枠のテスト,chkAll,チェック,[すべて(&A)],チェック(オン)",
                                L"frmMsgBox,メッセージ,txtMsg,テキスト,[すべて選びますか？]",
                                L"frmMsgBox,メッセージ,cmdButton(1),ボタン,[はい(&Y)],クリック",
                                L"frmMsgBox,メッセージ,,,[枠のテスト],閉じる", kOkClicked, kClosed}));
}

TEST(Form, WindowIsAPlainDialogWithoutTheEnterAndEscIds) {
  frmFrameTest form;
  form.Load();
  wchar_t cls[64] = L"";
  GetClassNameW(form.hwnd(), cls, 64);
  EXPECT_STREQ(cls, L"#32770");
  EXPECT_EQ(GetDlgItem(form.hwnd(), IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(form.hwnd(), IDCANCEL), nullptr);
  EXPECT_EQ(kv::Form::FromWindow(form.hwnd()), &form);
  EXPECT_EQ(form.FindControl(L"txtNote"), &form.txtNote);
  EXPECT_EQ(form.FindControl(L"txtNote", 0), nullptr);
}

}  // namespace
