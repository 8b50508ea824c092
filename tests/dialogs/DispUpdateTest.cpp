// The update contents dialog, filled as the internet update fills it and driven by the scripted
// user; the pages it opens are recorded instead of started.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <span>

#include "base/SkipOnError.h"
#include "dialogs/ListView.h"
#include "dialogs/frmDispUpdate.h"
#include "support/FakeProcessStarter.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/Screenshot.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

// The dialog with a starter that records the command lines instead of starting them.
struct RecordingDialog {
  kvtest::FakeHost host;
  kvtest::FakeProcessStarter starter{host};
  kv::frmDispUpdate form{starter};
};

// The URL handler cannot be started.
struct FailingStarter : kv::ProcessStarter {
  kv::UniqueHandle Start(const std::wstring&, kv::StartWindow) const override { kv::Raise(kv::err::FileNotFound); }
};

struct HistoryRow {
  const wchar_t* id;
  const wchar_t* version;
  const wchar_t* title;
  const wchar_t* date;
};
struct FileRow {
  const wchar_t* name;
  const wchar_t* version;
  const wchar_t* size;
};

const HistoryRow kHistory[] = {
    {L"NEW12", L"5.2.1", L"予約の一括変更に対応しました", L"2024/05/10 09:00:00"},
    {L"1234", L"5.2.0", L"予約一覧の印刷で止まる問題を修正しました", L"2024/04/02 10:30:00"},
    {L"new7", L"5.1.9", L"音声ガイダンスの音量を修正しました", L"2024/03/15 08:00:00"},
    {L"1234", L"5.1.8", L"同じ番号の履歴", L"2024/03/01 08:00:00"},  // refused: the key is used
    {L"", L"5.1.7", L"番号のない履歴", L"2024/02/20 08:00:00"},
};
const FileRow kFiles[] = {
    {L"Kanvolo.exe", L"2024/05/10 09:00:00", L"1532KB"},
    {L"KanvoloPrint.dll (※ﾊﾞｰｼﾞｮﾝﾀﾞｳﾝ)", L"2024/04/02 10:30:00", L"1KB"},
};
const wchar_t kTotal[] = L"2個の更新ファイル（1533KB）をダウンロードします。";

// The way the internet update fills the dialog: a refused history row is left out.
void Fill(kv::frmDispUpdate& form, std::span<const HistoryRow> history, std::span<const FileRow> files) {
  form.Load();
  form.lsvUpdate.Clear();
  for (const auto& h : history) {
    kv::SkipOnError([&] {
      const int row = form.lsvUpdate.Add(h.id, h.version);
      form.lsvUpdate.SetSubItem(row, 1, h.title);
      form.lsvUpdate.SetSubItem(row, 2, h.date);
    });
  }
  for (const auto& f : files) {
    const int row = form.lsvFiles.Add(L"", f.name);
    form.lsvFiles.SetSubItem(row, 1, f.version);
    form.lsvFiles.SetSubItem(row, 2, f.size);
  }
  form.lblTotal.SetText(kTotal);
  if (form.lsvUpdate.Count() == 0) {
    const int row = form.lsvUpdate.Add(L"", L"");
    form.lsvUpdate.SetSubItem(row, 1, L"更新情報はありません。");
  }
}

HWND HeaderOf(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }
int ColumnCount(HWND list) { return static_cast<int>(SendMessageW(HeaderOf(list), HDM_GETITEMCOUNT, 0, 0)); }

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

// A row as the list view shows it, its cells joined by "|".
std::wstring ShownRow(HWND list, int row) {
  std::wstring shown;
  for (int column = 0; column < ColumnCount(list); ++column) shown += (column ? L"|" : L"") + Cell(list, row, column);
  return shown;
}

Lines ShownRows(HWND list) {
  Lines rows;
  const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) rows.push_back(ShownRow(list, row));
  return rows;
}

Lines ColumnCaptions(HWND list) {
  Lines captions;
  const HWND header = HeaderOf(list);
  for (int i = 0; i < ColumnCount(list); ++i) {
    wchar_t text[64] = L"";
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    captions.emplace_back(text);
  }
  return captions;
}

const wchar_t kOpened[] = L"frmDispUpdate,バロネル アップデート - 更新内容,,,[バロネル アップデート - 更新内容],開く";
const wchar_t kClosed[] = L"frmDispUpdate,バロネル アップデート - 更新内容,,,[バロネル アップデート - 更新内容],閉じる";
const wchar_t kOk[] = L"frmDispUpdate,バロネル アップデート - 更新内容,cmdButton(1),ボタン,[OK],クリック";
const wchar_t kCancel[] = L"frmDispUpdate,バロネル アップデート - 更新内容,cmdButton(2),ボタン,[キャンセル],クリック";
const wchar_t kRowClicked[] = L"frmDispUpdate,バロネル アップデート - 更新内容,lsvUpdate,,,選択";
const std::wstring kIssueCommand = L"rundll32.exe url.dll,FileProtocolHandler https://www.kestrova.co.jp/BugList.asp?ID=";

TEST(frmDispUpdate, ShowsTheRowsAsFilled) {
  RecordingDialog dialog;
  auto& form = dialog.form;
  Fill(form, kHistory, kFiles);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate")
        .Check([](DialogView& d) {
          EXPECT_EQ(d.Caption(), L"バロネル アップデート - 更新内容");
          EXPECT_EQ(d.Text(L"lblMessage"), L"バロネルのプログラムを更新します。");
          EXPECT_EQ(d.Text(L"lblCaption", 0), L"更新内容：");
          EXPECT_EQ(d.Text(L"lblCaption", 1), L"更新ファイル：");
          EXPECT_EQ(d.Text(L"lblTotal"), kTotal);
          EXPECT_EQ(d.Text(L"lblLink"), L"https://www.kestrova.co.jp/support.asp");
          EXPECT_EQ(d.DefaultButton(), L"cmdButton(1)");
          EXPECT_TRUE(d.Style(L"lsvUpdate") & LVS_REPORT);
          EXPECT_EQ(ColumnCaptions(d.Find(L"lsvUpdate")), (Lines{L"バージョン", L"修正内容", L"更新日付"}));
          EXPECT_EQ(ColumnCaptions(d.Find(L"lsvFiles")), (Lines{L"ファイル", L"更新日付", L"ダウンロードサイズ"}));
          EXPECT_EQ(ShownRows(d.Find(L"lsvUpdate")),
                    (Lines{L"5.2.1|予約の一括変更に対応しました|2024/05/10 09:00:00",
                           L"5.2.0|予約一覧の印刷で止まる問題を修正しました|2024/04/02 10:30:00",
                           L"5.1.9|音声ガイダンスの音量を修正しました|2024/03/15 08:00:00",
                           L"5.1.7|番号のない履歴|2024/02/20 08:00:00"}));
          EXPECT_EQ(ShownRows(d.Find(L"lsvFiles")),
                    (Lines{L"Kanvolo.exe|2024/05/10 09:00:00|1532KB",
                           L"KanvoloPrint.dll (※ﾊﾞｰｼﾞｮﾝﾀﾞｳﾝ)|2024/04/02 10:30:00|1KB"}));
          EXPECT_TRUE(kvtest::TakeScreenshot(L"frmDispUpdate", d.Window()));
        })
        .Click(L"cmdButton", 1);
    form.ShowModal();
  }
  EXPECT_EQ(form.lsvUpdate.Key(3), L"");
  form.Unload();
}

TEST(frmDispUpdate, ButtonsEnterEscAndTheCloseBox) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> act;
    std::int32_t answer;
    Lines lines;
  } cases[] = {
      {"OK", [](auto& d) { d.Click(L"cmdButton", 1); }, 1, {kOpened, kOk, kClosed}},
      {"キャンセル", [](auto& d) { d.Click(L"cmdButton", 2); }, 2, {kOpened, kCancel, kClosed}},
      {"Enter", [](auto& d) { d.PressEnter(); }, 1, {kOpened, kOk, kClosed}},
      {"Esc", [](auto& d) { d.PressEscape(); }, 2, {kOpened, kCancel, kClosed}},
      {"Enter after a row click", [](auto& d) { d.ClickListRow(L"lsvUpdate", -1, 0).PressEnter(); }, 1,
       {kOpened, kRowClicked, kOk, kClosed}},
      {"close box", [](auto& d) { d.CloseFromTitleBar(); }, 0, {kOpened, kClosed}},
  };
  for (const auto& c : cases) {
    kvtest::OperationLogCapture log;
    RecordingDialog dialog;
    auto& form = dialog.form;
    Fill(form, kHistory, kFiles);
    EXPECT_EQ(form.Answer(), 0) << c.what;
    {
      kvtest::ScriptedUser user;
      c.act(user.Expect(L"frmDispUpdate"));
      form.ShowModal();
    }
    EXPECT_EQ(form.Answer(), c.answer) << c.what;
    EXPECT_EQ(form.Loaded(), c.answer != 0) << c.what;  // the close box unloads at once
    form.Unload();
    EXPECT_EQ(log.Lines(), c.lines) << c.what;
    EXPECT_EQ(dialog.starter.CommandLines(), Lines{}) << c.what;  // "NEW12" opens nothing
  }
}

TEST(frmDispUpdate, HistoryRowsOpenTheirIssuePageUnlessTheKeyBeginsWithNEW) {
  kvtest::OperationLogCapture log;
  RecordingDialog dialog;
  auto& form = dialog.form;
  Fill(form, kHistory, kFiles);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate")
        .ClickListRow(L"lsvUpdate", -1, 0)  // NEW12
        .ClickListRow(L"lsvUpdate", -1, 1)  // 1234
        .ClickListRow(L"lsvUpdate", -1, 1)  // the same row again
        .ClickListRow(L"lsvUpdate", -1, 2)  // new7: only upper-case NEW has no page
        .ClickListRow(L"lsvUpdate", -1, 3)  // no key
        .ClickListRow(L"lsvFiles", -1, 0)   // the file rows open nothing and are not logged
        .Screenshot(L"frmDispUpdate-visited")
        .Click(L"cmdButton", 2);
    form.ShowModal();
  }
  EXPECT_EQ(dialog.starter.CommandLines(),
            (Lines{kIssueCommand + L"1234", kIssueCommand + L"1234", kIssueCommand + L"new7", kIssueCommand}));
  const COLORREF unvisited = GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_EQ(form.lsvUpdate.ForeColor(0), unvisited);
  for (int row : {1, 2, 3}) EXPECT_EQ(form.lsvUpdate.ForeColor(row), kv::kVisitedLinkColor) << row;
  EXPECT_EQ(form.lsvFiles.ForeColor(0), unvisited);
  EXPECT_EQ(form.Answer(), 2);
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kRowClicked, kRowClicked, kRowClicked, kRowClicked, kRowClicked, kCancel,
                                kClosed}));
}

TEST(frmDispUpdate, PlaceholderRowWithoutHistoryOpensTheIssueListWithAnEmptyId) {
  RecordingDialog dialog;
  auto& form = dialog.form;
  Fill(form, {}, kFiles);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate")
        .Check([](DialogView& d) { EXPECT_EQ(ShownRows(d.Find(L"lsvUpdate")), (Lines{L"|更新情報はありません。|"})); })
        .ClickListRow(L"lsvUpdate", -1, 0)
        .Click(L"cmdButton", 1);
    form.ShowModal();
  }
  EXPECT_EQ(dialog.starter.CommandLines(), Lines{kIssueCommand});
  form.Unload();
}

TEST(frmDispUpdate, SupportLinkOpensTheSupportPageWithoutALogLine) {
  kvtest::OperationLogCapture log;
  RecordingDialog dialog;
  auto& form = dialog.form;
  Fill(form, kHistory, kFiles);
  EXPECT_EQ(form.LinkForeColor(), kv::kLinkColor);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate")
        .Check([](DialogView& d) {
          // Over the link the pointer is the hand.
          SendMessageW(d.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(d.Find(L"lblLink")),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
          EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
        })
        .Click(L"lblLink")
        .Click(L"cmdButton", 1);
    form.ShowModal();
  }
  EXPECT_EQ(dialog.starter.CommandLines(), Lines{L"rundll32.exe url.dll,FileProtocolHandler https://www.kestrova.co.jp/support.asp"});
  EXPECT_EQ(form.LinkForeColor(), kv::kVisitedLinkColor);
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kOk, kClosed}));

  form.Load();  // a new show starts unvisited
  EXPECT_EQ(form.LinkForeColor(), kv::kLinkColor);
  form.Unload();
}

TEST(frmDispUpdate, UrlHandlerThatDoesNotStartShowsNothing) {
  kvtest::OperationLogCapture log;
  FailingStarter starter;
  kv::frmDispUpdate form(starter);
  Fill(form, kHistory, kFiles);
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate").ClickListRow(L"lsvUpdate", -1, 1).Click(L"lblLink").PressEnter();
    form.ShowModal();
  }
  EXPECT_EQ(form.Answer(), 1);
  EXPECT_EQ(form.lsvUpdate.ForeColor(1), kv::kVisitedLinkColor);
  EXPECT_EQ(form.LinkForeColor(), kv::kVisitedLinkColor);
  form.Unload();
  EXPECT_EQ(log.Lines(), (Lines{kOpened, kRowClicked, kOk, kClosed}));
}

TEST(ListView, KeysAreRefusedOnlyWhenAlreadyUsed) {
  RecordingDialog dialog;
  auto& form = dialog.form;
  auto& list = form.lsvUpdate;
  EXPECT_EQ(list.Add(L"", L"a"), 0);
  EXPECT_EQ(list.Add(L"", L"b"), 1);  // any number of rows without a key
  EXPECT_EQ(list.Add(L"42", L"c"), 2);  // digits only
  EXPECT_EQ(list.Add(L"NEW1", L"d"), 3);
  try {
    list.Add(L"42", L"e");
    ADD_FAILURE() << "a used key was taken";
  } catch (const kv::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kv::kListKeyNotUnique);
  }
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Key(2), L"42");
  EXPECT_EQ(list.ItemText(3), L"d");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Add(L"42", L"again"), 0);  // cleared keys are free again
  form.Unload();
  form.Load();
  EXPECT_EQ(list.Count(), 0);  // a reloaded form has no rows
  EXPECT_EQ(list.Add(L"42", L"new window"), 0);
  form.Unload();
}

TEST(ListView, RowsOutsideTheListRaiseTheIndexFailure) {
  RecordingDialog dialog;
  auto& form = dialog.form;
  form.lsvFiles.Add(L"", L"a");
  const std::function<void()> calls[] = {
      [&] { form.lsvFiles.SetSubItem(1, 1, L"x"); },
      [&] { form.lsvFiles.Key(-1); },
      [&] { form.lsvFiles.ForeColor(1); },
      [&] { form.lsvFiles.SetForeColor(5, 0); },
  };
  for (const auto& call : calls) {
    const auto failure = kv::SkipOnError(call);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Number(), kv::err::SubscriptOutOfRange);
  }
  form.Unload();
}

}  // namespace
