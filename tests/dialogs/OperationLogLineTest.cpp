// The operation log's line rules, without windows.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "dialogs/OperationLogLine.h"

namespace {

using kv::OperationLogRequest;
using kv::OperationLogSubject;

OperationLogSubject Named(std::wstring name, std::wstring text = {}, std::wstring tag = {}) {
  OperationLogSubject s;
  s.name = std::move(name);
  s.text = std::move(text);
  s.tag = std::move(tag);
  return s;
}

OperationLogSubject Element(std::wstring name, std::int16_t index, std::wstring text = {}) {
  OperationLogSubject s = Named(std::move(name), std::move(text));
  s.index = index;
  return s;
}

OperationLogSubject Check(std::int32_t value) {
  OperationLogSubject s = Named(L"chkOption", L"すべてのプログラムを再更新(&A)");
  s.value = value;
  return s;
}

OperationLogSubject List(std::wstring name, std::int32_t selected, std::vector<std::wstring> entries) {
  OperationLogSubject s = Named(std::move(name));
  s.listIndex = selected;
  s.entries = std::move(entries);
  return s;
}

OperationLogSubject CheckList(std::vector<bool> selected) {
  OperationLogSubject s = List(L"lstFiles", 0, {L"a", L"b"});
  s.listCheckBoxes = true;
  s.entrySelected = std::move(selected);
  return s;
}

OperationLogSubject Date() {
  OperationLogSubject s = Named(L"dtpFrom");
  s.date = SYSTEMTIME{2024, 3, 2, 5, 13, 4, 5, 6};
  return s;
}

OperationLogSubject Tree(std::wstring node) {
  OperationLogSubject s = Named(L"trvFolders");
  s.selectedNodeText = std::move(node);
  return s;
}

OperationLogRequest Action(std::int32_t action, std::wstring memo = {}, std::int16_t itemNo = -1) {
  return {action, std::move(memo), itemNo, L"", L""};
}

OperationLogRequest Alt(std::int32_t action, std::wstring label, std::wstring caption) {
  return {action, L"", -1, std::move(label), std::move(caption)};
}

const OperationLogSubject kStart = Named(L"frmStartUpdate", L"バロネル アップデート");
const OperationLogSubject kMsgBox = Named(L"frmMsgBox", L" ", L"メッセージ");

struct Case {
  const char* what;
  OperationLogSubject form;
  OperationLogSubject control;
  OperationLogRequest request;
  const wchar_t* line;  // after "T,"
};

TEST(OperationLogLine, Table) {
  const Case cases[] = {
      {"button click", kStart, Element(L"cmdButton", 1, L"OK"), Action(0),
       L"frmStartUpdate,バロネル アップデート,cmdButton(1),ボタン,[OK],クリック"},
      {"form opened", kStart, kStart, Action(5), L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],開く"},
      {"form closed", kStart, kStart, Action(6), L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],閉じる"},
      {"no word, no memo: the line ends with the value", kMsgBox, Named(L"txtMsg", L"本文"), Action(4),
       L"frmMsgBox,メッセージ,txtMsg,テキスト,[本文]"},
      {"no word, no memo, no value: ends with a comma", kMsgBox, Named(L"rtxtMsg", L"本文"), Action(4),
       L"frmMsgBox,メッセージ,rtxtMsg,,"},
      {"memo without a word", kMsgBox, Named(L"txtMsg", L"本文"), Action(4, L"メモ"),
       L"frmMsgBox,メッセージ,txtMsg,テキスト,[本文],,メモ"},
      {"line breaks in value and memo", kMsgBox, Named(L"txtMsg", L"A\r\nB\r\n"), Action(4, L"x\r\ny"),
       L"frmMsgBox,メッセージ,txtMsg,テキスト,[A\\nB\\n],,x\\ny"},
      {"a lone LF stays", kMsgBox, Named(L"txtMsg", L"A\nB"), Action(4), L"frmMsgBox,メッセージ,txtMsg,テキスト,[A\nB]"},
      {"form tag 1, no caption", Named(L"frmX", L"", L"1"), Named(L"frmX"), Action(5), L"frmX,フォーム,,,,開く"},
      {"form without tag and caption", Named(L"frmX"), Element(L"cmdButton", 0, L"0"), Action(0),
       L"frmX,フォーム,cmdButton(0),ボタン,[0],クリック"},
      {"form tag wins over caption", Named(L"frmX", L"題", L"タグ"), Named(L"frmX", L"題", L"タグ"), Action(6),
       L"frmX,タグ,,,[題],閉じる"},
      {"changed text box (Tag 1) is described by its prefix", kStart, Named(L"txtFolder", L"D:\\", L"1"), Action(3),
       L"frmStartUpdate,バロネル アップデート,txtFolder,テキスト,[D:\\],変更"},
      {"control tag describes it", kStart, Named(L"txtFolder", L"D:\\", L"共有"), Action(3),
       L"frmStartUpdate,バロネル アップデート,txtFolder,共有,[D:\\],変更"},
      {"empty text box has no value", kStart, Named(L"txtFolder"), Action(3),
       L"frmStartUpdate,バロネル アップデート,txtFolder,テキスト,,変更"},
      {"text box value untrimmed, comma kept", kStart, Named(L"txtFolder", L" a,b "), Action(3),
       L"frmStartUpdate,バロネル アップデート,txtFolder,テキスト,[ a,b ],変更"},
      {"caption of blanks", kStart, Named(L"cmdOk", L"   "), Action(0),
       L"frmStartUpdate,バロネル アップデート,cmdOk,ボタン,[],クリック"},
      {"caption trimmed", kStart, Named(L"lblTitle", L" 見出し "), Action(0),
       L"frmStartUpdate,バロネル アップデート,lblTitle,,[見出し],クリック"},
      {"prefix is case-insensitive", kStart, Named(L"CmdOk", L"OK"), Action(0),
       L"frmStartUpdate,バロネル アップデート,CmdOk,ボタン,[OK],クリック"},
      {"unknown prefix: no description, no value", kMsgBox, Element(L"picIcon", 2), Action(0),
       L"frmMsgBox,メッセージ,picIcon(2),,,クリック"},
      {"alternative label without colons", kStart, Named(L"txtDBServer", L"srv", L"説明"),
       Alt(3, L"サーバー名/IPアドレス(&S)：", L""),
       L"frmStartUpdate,バロネル アップデート,txtDBServer,サーバー名/IPアドレス(&S),[srv],変更"},
      {"half-width colons too", kStart, Named(L"txtA"), Alt(3, L"A:B:", L""), L"frmStartUpdate,バロネル アップデート,txtA,AB,,変更"},
      {"alternative caption trimmed", kMsgBox, Named(L"rtxtMsg"), Alt(4, L"", L"  本文  "),
       L"frmMsgBox,メッセージ,rtxtMsg,,[本文]"},
      {"alternative caption of blanks", kMsgBox, Named(L"txtMsg", L"本文"), Alt(4, L"", L"   "),
       L"frmMsgBox,メッセージ,txtMsg,テキスト,[]"},
      {"check box off", kStart, Check(0), Action(0),
       L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック(オフ)"},
      {"check box on", kStart, Check(1), Action(0),
       L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック(オン)"},
      {"check box grayed", kStart, Check(2), Action(0),
       L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック(無効)"},
      {"check box other value", kStart, Check(3), Action(0),
       L"frmStartUpdate,バロネル アップデート,chkOption,チェック,[すべてのプログラムを再更新(&A)],チェック"},
      {"option button", kStart, Element(L"optNinsyou", 1, L"SQL Server認証を使用"), Action(0),
       L"frmStartUpdate,バロネル アップデート,optNinsyou(1),オプション,[SQL Server認証を使用],選択"},
      {"list view: no value", kStart, Named(L"lsvUpdate", L""), Action(0),
       L"frmStartUpdate,バロネル アップデート,lsvUpdate,,,選択"},
      {"list entry trimmed", kStart, List(L"lstFiles", 1, {L"一", L" 二 "}), Action(0),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,[二],選択"},
      {"list without selection", kStart, List(L"lstFiles", -1, {L"一"}), Action(0),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,,選択"},
      {"list selection past the end", kStart, List(L"lstFiles", 1, {L"一"}), Action(0),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,,選択"},
      {"combo entry", kStart, List(L"cboPort", 1, {L"(既定のポート)", L"1433"}), Action(3),
       L"frmStartUpdate,バロネル アップデート,cboPort,ドロップダウン,[1433],変更"},
      {"date picker", kStart, Date(), Action(3), L"frmStartUpdate,バロネル アップデート,dtpFrom,日付選択,[2024/03/05],変更"},
      {"tab: index and caption of the selected tab", kStart, List(L"tabPages", 1, {L"一般", L" 詳細 "}), Action(0),
       L"frmStartUpdate,バロネル アップデート,tabPages(1),タブ,[詳細],選択"},
      {"spreadsheet row", kStart, List(L"sprList", 3, {}), Action(1),
       L"frmStartUpdate,バロネル アップデート,sprList,一覧表,[3行目],ダブルクリック"},
      {"tree node trimmed", kStart, Tree(L" ノード "), Action(0), L"frmStartUpdate,バロネル アップデート,trvFolders,ツリー,[ノード],クリック"},
      {"tree without selection", kStart, Tree(L""), Action(0), L"frmStartUpdate,バロネル アップデート,trvFolders,ツリー,,クリック"},
      {"menu", kStart, Named(L"mnuFile", L"ファイル"), Action(0),
       L"frmStartUpdate,バロネル アップデート,mnuFile,メニュー,[ファイル],選択"},
      {"check list entry on", kStart, CheckList({false, true}), Action(7, L"", 1),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,[a],チェック(オン)"},
      {"check list entry off", kStart, CheckList({false, true}), Action(7, L"", 0),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,[a],チェック(オフ)"},
      {"check list entry out of range", kStart, CheckList({false, true}), Action(7, L"", 2),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,[a],チェック"},
      {"plain list checked", kStart, List(L"lstFiles", 0, {L"a"}), Action(7, L"", 0),
       L"frmStartUpdate,バロネル アップデート,lstFiles,リスト,[a],チェック"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kv::FormatOperationLogLine(L"T", c.form, c.control, c.request), std::wstring(L"T,") + c.line) << c.what;
  }
}

TEST(OperationLogLine, ActionWords) {
  const struct {
    std::int32_t action;
    const wchar_t* word;
  } cases[] = {{0, L"クリック"}, {1, L"ダブルクリック"}, {2, L"右クリック"}, {3, L"変更"},   {4, L""},
               {5, L"開く"},     {6, L"閉じる"},       {7, L"チェック"},   {8, L"移動"},   {9, L"印刷"},
               {10, L"選択"},    {11, L"キー入力"},    {12, L"キーアップ"}, {13, L"起動"},  {14, L"その他"},
               {15, L""},        {-1, L""}};
  for (const auto& c : cases) {
    const std::wstring word = c.word;
    const std::wstring expected = L"T,frmX,フォーム,cmdGo,ボタン,[実行]" + (word.empty() ? L"" : L"," + word);
    EXPECT_EQ(kv::FormatOperationLogLine(L"T", Named(L"frmX"), Named(L"cmdGo", L"実行"), Action(c.action)), expected)
        << c.action;
  }
}

}  // namespace
