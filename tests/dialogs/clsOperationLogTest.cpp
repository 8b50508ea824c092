// The operation log's file, pauses, stop and one-shot replacements, and its clean-up.
#include <gtest/gtest.h>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "dialogs/clsOperationLog.h"
#include "frmFrameTest.rh"
#include "settings/Common.h"
#include "support/OperationLogCapture.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::wstring>;

class frmLogTest : public kv::Form {
 public:
  frmLogTest() : Form(L"frmLogTest", L"FRMFRAMETEST", L"", {.logsOpening = false}) {}
  Control txtName{*this, L"txtName", IDC_FRAMETEST_TXTNAME};
  Control cmdOk{*this, L"cmdOk", IDC_FRAMETEST_CMDOK};
};

const wchar_t kClick[] = L"frmLogTest,枠のテスト,cmdOk,ボタン,[OK],クリック";

struct LogTest : ::testing::Test {
  LogTest() {
    log.host.localTime = SYSTEMTIME{2024, 3, 2, 5, 10, 20, 30, 456};
    form.Load();
  }
  void Click(bool force = false) { kv::objOperationLog().WriteLog(form, form.cmdOk, 0, L"", -1, force); }

  kvtest::OperationLogCapture log;
  frmLogTest form;
  kv::clsOperationLog& oplog = kv::objOperationLog();
};

TEST_F(LogTest, OneFileADayNamedByTheProductTitle) {
  Click();
  log.host.localTime = SYSTEMTIME{2024, 3, 2, 5, 23, 59, 59, 999};
  Click();
  log.host.localTime = SYSTEMTIME{2024, 3, 3, 6, 0, 0, 0, 0};
  Click();
  const std::wstring folder = kv::GetUserDataFolder() + L"\\操作ログ\\" + log.ProductTitle();
  EXPECT_EQ(log.Files(), (Lines{folder + L"_20240305.LOG", folder + L"_20240306.LOG"}));
  EXPECT_EQ(kvtest::ReadAnsiLines(log.Files()[0]),
            (Lines{std::wstring(L"2024-03-05 10:20:30.456,") + kClick, std::wstring(L"2024-03-05 23:59:59.999,") + kClick}));
  EXPECT_EQ(kvtest::ReadAnsiLines(log.Files()[1]), Lines{std::wstring(L"2024-03-06 00:00:00.000,") + kClick});
}

TEST_F(LogTest, PausesNestAndLetOnlyForcedLinesThrough) {
  oplog.SetPauseWriting(true);
  oplog.SetPauseWriting(true);
  EXPECT_TRUE(oplog.PauseWriting());
  Click();                   // dropped
  Click(true);               // forced: written
  oplog.SetPauseWriting(false);
  EXPECT_TRUE(oplog.PauseWriting());
  Click();                   // still paused
  oplog.SetPauseWriting(false);
  EXPECT_FALSE(oplog.PauseWriting());
  Click();                   // written
  oplog.SetPauseWriting(false);  // never below 0
  oplog.SetPauseWriting(true);
  EXPECT_TRUE(oplog.PauseWriting());
  oplog.ClearCounter();
  EXPECT_FALSE(oplog.PauseWriting());
  Click();
  EXPECT_EQ(log.Lines(), (Lines{kClick, kClick, kClick}));
}

TEST_F(LogTest, PauseCountOverflows) {
  for (int i = 0; i < 32767; ++i) oplog.SetPauseWriting(true);
  try {
    oplog.SetPauseWriting(true);
    ADD_FAILURE() << "no overflow";
  } catch (const kv::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kv::err::Overflow);
  }
  oplog.ClearCounter();
}

TEST_F(LogTest, StoppedWritesNothingAndStillUsesUpTheReplacements) {
  oplog.SetStopWriting(true);
  oplog.SetAltCaption(L"代わり");
  oplog.SetAltLabel(L"説明");
  Click(true);
  oplog.SetStopWriting(false);
  Click();
  EXPECT_EQ(log.Lines(), Lines{kClick});
}

TEST_F(LogTest, ReplacementsHoldForOneLine) {
  oplog.SetAltCaption(L" 代わり ");
  oplog.SetAltLabel(L"説明：");
  Click();
  Click();
  // Writing the form itself uses them up too, so they never reach a later control.
  oplog.SetAltLabel(L"説明");
  oplog.SetAltCaption(L"代わり");
  oplog.WriteLog(form, form, 5);
  Click();
  // The member replacements win over the caller's.
  oplog.SetAltLabel(L"メンバー");
  oplog.WriteLog(form, form.cmdOk, 0, L"", -1, false, L"引数", L"値");
  EXPECT_EQ(log.Lines(), (Lines{L"frmLogTest,枠のテスト,cmdOk,説明,[代わり],クリック", kClick,
                                L"frmLogTest,枠のテスト,,,[代わり],開く", kClick,
                                L"frmLogTest,枠のテスト,cmdOk,メンバー,[値],クリック"}));
}

TEST_F(LogTest, TextBoxChangeMarkLivesInTheTag) {
  form.txtName.SetText(L"秘密");
  oplog.TextBoxLostFocus(form, form.txtName, L"名前");  // no change mark: nothing
  oplog.TextBoxChange(form.txtName);
  EXPECT_EQ(form.txtName.Tag(), L"1");
  oplog.TextBoxGotFocus(form.txtName);  // entering clears the mark
  EXPECT_EQ(form.txtName.Tag(), L"");
  oplog.TextBoxChange(form.txtName);
  oplog.TextBoxLostFocus(form, form.txtName, L"名前:");
  EXPECT_EQ(form.txtName.Tag(), L"");
  oplog.TextBoxLostFocus(form, form.txtName, L"名前");  // logged once
  EXPECT_EQ(log.Lines(), Lines{L"frmLogTest,枠のテスト,txtName,名前,[秘密],変更"});
}

TEST_F(LogTest, RemoveLogDeletesUpToTheDayAndSkipsWhatItCannotDelete) {
  const std::wstring folder = kv::GetUserDataFolder() + L"\\操作ログ\\";
  const std::wstring title = log.ProductTitle();
  for (const wchar_t* day : {L"20240228", L"20240301", L"20240302", L"20240303", L"20240304", L"20240305"}) {
    kvtest::WriteBytes(folder + title + L"_" + day + L".LOG", "x\r\n");
  }
  kvtest::WriteBytes(folder + title + L"2_20240101.LOG", "another product\r\n");
  kv::UniqueFile held(CreateFileW((folder + title + L"_20240301.LOG").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);

  oplog.RemoveLog(3);  // today is 2024-03-05: up to and including 2024-03-02

  held.reset();
  EXPECT_EQ(log.Files(), (Lines{folder + title + L"_20240301.LOG", folder + title + L"_20240303.LOG",
                                folder + title + L"_20240304.LOG", folder + title + L"_20240305.LOG"}));
  EXPECT_TRUE(kv::FileExist(folder + title + L"2_20240101.LOG"));
  DeleteFileW((folder + title + L"2_20240101.LOG").c_str());
}

}  // namespace
