// The database server settings dialog as the server database source shows it, driven by the
// scripted user, on a settings object of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "base/Text.h"
#include "database/frmInitDBServer.h"
#include "settings/clsParamUpdate.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::DialogView;
using Lines = std::vector<std::wstring>;

const wchar_t kCaption[] = L"バロネル - データベースサーバーの指定";

struct Settings {
  std::int16_t driver = 1;
  std::wstring user, password, server, instance, port;
};

// The settings the dialog starts from; the three it never touches hold markers.
void Fill(kv::clsParamUpdate& params, const Settings& s) {
  params.SetDBDriver(s.driver);
  params.SetDBUser(s.user);
  params.SetDBPassword(s.password);
  params.SetDBServer(s.server);
  params.SetDBInstance(s.instance);
  params.SetDBPort(s.port);
  params.SetDBdataBase(L"db-marker");
  params.SetDBPath(L"path-marker");
  params.SetDBOption(L"option-marker");
}

Settings Read(const kv::clsParamUpdate& params) {
  return {params.DBDriver(), params.DBUser(), params.DBPassword(), params.DBServer(), params.DBInstance(),
          params.DBPort()};
}

bool operator==(const Settings& a, const Settings& b) {
  return a.driver == b.driver && a.user == b.user && a.password == b.password && a.server == b.server &&
         a.instance == b.instance && a.port == b.port;
}

std::ostream& operator<<(std::ostream& out, const Settings& s) {
  return out << s.driver << ",[" << kv::ToUtf8(s.user) << "],[" << kv::ToUtf8(s.password) << "],["
             << kv::ToUtf8(s.server) << "],[" << kv::ToUtf8(s.instance) << "],[" << kv::ToUtf8(s.port) << "]";
}

void ExpectUntouchedMarkers(const kv::clsParamUpdate& params) {
  EXPECT_EQ(params.DBdataBase(), L"db-marker");
  EXPECT_EQ(params.DBPath(), L"path-marker");
  EXPECT_EQ(params.DBOption(), L"option-marker");
}

std::wstring Line(const std::wstring& rest) { return std::wstring(L"frmInitDBServer,") + kCaption + L"," + rest; }
const std::wstring kOpened = Line(L",,[" + std::wstring(kCaption) + L"],開く");
const std::wstring kClosed = Line(L",,[" + std::wstring(kCaption) + L"],閉じる");
const std::wstring kOk = Line(L"cmdOk,ボタン,[OK],クリック");
const std::wstring kCancel = Line(L"cmdCancel,ボタン,[キャンセル],クリック");
const std::wstring kWindowsChosen = Line(L"optNinsyou(0),オプション,[Windows認証を使用],選択");
const std::wstring kSqlChosen = Line(L"optNinsyou(1),オプション,[SQL Server認証を使用],選択");
const std::wstring kPasswordChosen = Line(L"optNinsyou(1),オプション,[パスワード認証を使用],選択");
std::wstring PortChanged(const std::wstring& shown) { return Line(L"cboPort,ドロップダウン," + shown + L",変更"); }

// The system colour whose brush the dialog answers to the colour message a box sends (an
// enabled text part WM_CTLCOLOREDIT, a disabled one WM_CTLCOLORSTATIC), or -1 for another brush.
int BackColor(DialogView& d, const std::wstring& name) {
  const HWND control = d.Find(name);
  if (!control) return -1;
  HWND part = FindWindowExW(control, nullptr, L"Edit", nullptr);  // a combo box's text part
  if (!part) part = control;
  const UINT message = IsWindowEnabled(part) ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
  const HDC dc = GetDC(part);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(d.Window(), message, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(part)));
  const COLORREF background = GetBkColor(dc);
  ReleaseDC(part, dc);
  for (int color : {COLOR_WINDOW, COLOR_BTNFACE}) {
    if (brush == GetSysColorBrush(color) && background == GetSysColor(color)) return color;
  }
  return -1;
}

// Runs the dialog once with the scripted user's steps; answers what OkClicked said.
bool RunDialog(kv::clsParamUpdate& params, const std::function<void(kvtest::ScriptedUser&)>& script) {
  kv::frmInitDBServer form(params);
  {
    kvtest::ScriptedUser user;
    script(user);
    form.ShowModal();
  }
  const bool ok = form.OkClicked();
  form.Unload();
  return ok;
}

TEST(frmInitDBServer, LoadingFillsTheBoxesFromTheSettings) {
  struct Case {
    const char* what;
    Settings settings;
    const wchar_t* server;
    const wchar_t* instance;
    const wchar_t* port;
    int option;
    const wchar_t* user;
    const wchar_t* password;
    std::wstring chosenLine;
    std::wstring portLogged;  // a list entry is named, a typed text is not
  } cases[] = {
      {"nothing set", {1, L"", L"", L"", L"", L""}, L"VARONELSV", L"(既定のインスタンス)", L"(既定のポート)", 0, L"", L"",
       kWindowsChosen, L"[(既定のポート)]"},
      {"user and password",
       {1, L"sa2", L"p@ss", L"DBSV01", L"SQLExpress", L"1433"},
       L"DBSV01", L"SQLExpress", L"1433", 1, L"sa2", L"p@ss", kSqlChosen, L"[1433]"},
      // The "sa" the click proposes is replaced by the settings' empty user.
      {"password without user",
       {1, L"", L"secret", L"10.0.0.5", L"MYINST", L"5433"},
       L"10.0.0.5",
       L"MYINST",
       L"5433",
       1,
       L"",
       L"secret",
       kSqlChosen,
       L""},
      {"user without password, code 4",
       {4, L"postgres", L"", L"pgsv", L"", L""},
       L"pgsv",
       L"(既定のインスタンス)",
       L"(既定のポート)",
       1,
       L"postgres",
       L"",
       kPasswordChosen,
       L"[(既定のポート)]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kvtest::OperationLogCapture log;
    kv::clsParamUpdate params;
    Fill(params, c.settings);
    const bool ok = RunDialog(params, [&](kvtest::ScriptedUser& user) {
      user.Expect(L"frmInitDBServer")
          .Check([&](DialogView& d) {
            EXPECT_EQ(d.Caption(), kCaption);
            EXPECT_EQ(d.Text(L"txtDBServer"), c.server);
            EXPECT_EQ(d.Text(L"cboInstance"), c.instance);
            EXPECT_EQ(d.Text(L"cboPort"), c.port);
            EXPECT_EQ(d.Checked(L"optNinsyou", 0), c.option == 0 ? BST_CHECKED : BST_UNCHECKED);
            EXPECT_EQ(d.Checked(L"optNinsyou", 1), c.option == 1 ? BST_CHECKED : BST_UNCHECKED);
            EXPECT_EQ(d.Text(L"txtDBUser"), c.user);
            EXPECT_EQ(d.Text(L"txtDBPassword"), c.password);
            const bool boxes = c.option == 1;
            EXPECT_EQ(d.Enabled(L"txtDBUser"), boxes);
            EXPECT_EQ(d.Enabled(L"txtDBPassword"), boxes);
            EXPECT_EQ(BackColor(d, L"txtDBUser"), boxes ? COLOR_WINDOW : COLOR_BTNFACE);
            EXPECT_EQ(BackColor(d, L"txtDBPassword"), boxes ? COLOR_WINDOW : COLOR_BTNFACE);
            EXPECT_EQ(d.Focused(), L"txtDBServer");
          })
          .Click(L"cmdCancel");
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(Read(params), c.settings);
    EXPECT_EQ(log.Lines(), (Lines{kOpened, PortChanged(c.portLogged), c.chosenLine, kCancel, kClosed}));
  }
}

TEST(frmInitDBServer, DriverCodeDecidesInstanceAndAuthentication) {
  for (std::int16_t driver : {1, 4}) {
    SCOPED_TRACE(driver);
    kvtest::OperationLogCapture log;
    kv::clsParamUpdate params;
    Fill(params, {driver, L"", L"", L"SV", L"", L""});
    RunDialog(params, [&](kvtest::ScriptedUser& user) {
      user.Expect(L"frmInitDBServer")
          .Check([&](DialogView& d) {
            const bool sqlServer = driver == 1;
            EXPECT_EQ(d.Enabled(L"cboInstance"), sqlServer);
            EXPECT_EQ(BackColor(d, L"cboInstance"), sqlServer ? COLOR_WINDOW : COLOR_BTNFACE);
            EXPECT_EQ(d.Enabled(L"optNinsyou", 0), sqlServer);
            EXPECT_EQ(d.Text(L"optNinsyou", 1), sqlServer ? L"SQL Server認証を使用" : L"パスワード認証を使用");
            EXPECT_TRUE(d.Enabled(L"cboPort"));
            EXPECT_EQ(d.Text(L"lblCaption"), L"データベースサーバーが設定されていません。サーバー接続設定を入力してください。");
            EXPECT_EQ(d.Text(L"lblParam"), L"サーバー名/IPアドレス(&S)：");
            EXPECT_EQ(d.Text(L"lblOption", 64), L"インスタンス名：");
            EXPECT_EQ(d.Text(L"lblOption", 139), L"ポート：");
            EXPECT_EQ(d.Text(L"lblOption", 0), L"ユーザー名(&U)：");
            EXPECT_EQ(d.Text(L"lblOption", 1), L"パスワード(&P)：");
            EXPECT_EQ(d.Text(L"fraOption"), L"データベース接続");
            EXPECT_EQ(d.Text(L"optNinsyou", 0), L"Windows認証を使用");
            EXPECT_EQ(d.ToolTip(L"cboInstance"),
                      L"名前付きインスタンスを使用する場合は入力してください。通常は（既定のインスタンス）にしてください。");
            EXPECT_EQ(d.ToolTip(L"cboPort"),
                      L"ポート番号を入力してください。名前付きインスタンスを使用しない場合は（既定のポート）にしてください。");
            EXPECT_EQ(SendMessageW(d.Find(L"txtDBPassword"), EM_GETPASSWORDCHAR, 0, 0), L'*');
            EXPECT_EQ(d.DefaultButton(), L"cmdOk");
            EXPECT_TRUE(GetWindowLongW(d.Window(), GWL_STYLE) & WS_SYSMENU);
          })
          // The port can be typed into with every driver; Windows authentication is left.
          .Type(L"cboPort", -1, L"5433")
          .Click(L"optNinsyou", 1)
          .Check([](DialogView& d) {
            EXPECT_EQ(d.Text(L"txtDBUser"), L"sa");
            EXPECT_TRUE(d.Enabled(L"txtDBUser"));
            EXPECT_EQ(BackColor(d, L"txtDBUser"), COLOR_WINDOW);
            EXPECT_EQ(BackColor(d, L"txtDBPassword"), COLOR_WINDOW);
          })
          .Type(L"txtDBPassword", -1, L"pw")
          .Screenshot(driver == 1 ? L"frmInitDBServer-sqlserver" : L"frmInitDBServer-otherdriver")
          .Click(L"cmdOk");
    });
    EXPECT_EQ(Read(params), (Settings{driver, L"sa", L"pw", L"SV", L"", L"5433"}));
    ExpectUntouchedMarkers(params);
  }
}

TEST(frmInitDBServer, OkStoresTheTypedValuesUntrimmed) {
  struct Case {
    const char* what;
    Settings before;
    std::function<void(kvtest::ExpectedDialog&)> act;
    Settings after;
  } cases[] = {
      {"proposed server, Windows authentication",
       {1, L"", L"", L"", L"", L""},
       [](auto& d) { d.Click(L"cmdOk"); },
       {1, L"", L"", L"VARONELSV", L"", L""}},
      {"blanks around the server kept, Enter",
       {1, L"", L"", L"old", L"", L""},
       [](auto& d) { d.Type(L"txtDBServer", -1, L"  DBSV  ").PressEnter(); },
       {1, L"", L"", L"  DBSV  ", L"", L""}},
      {"default texts typed by hand store empty settings",
       {1, L"", L"", L"SV", L"MSSQLSERVER", L"1433"},
       [](auto& d) { d.Type(L"cboInstance", -1, L"(既定のインスタンス)").Type(L"cboPort", -1, L"(既定のポート)").Click(L"cmdOk"); },
       {1, L"", L"", L"SV", L"", L""}},
      {"an instance of the list typed is stored as typed",
       {1, L"", L"", L"SV", L"", L""},
       [](auto& d) { d.Type(L"cboInstance", -1, L"mssqlserver").Click(L"cmdOk"); },
       {1, L"", L"", L"SV", L"mssqlserver", L""}},
      {"picks from the lists",
       {1, L"", L"", L"SV", L"SQLExpress", L"1433"},
       [](auto& d) { d.PickFromList(L"cboInstance", -1, 0).PickFromList(L"cboPort", -1, 0).Click(L"cmdOk"); },
       {1, L"", L"", L"SV", L"", L""}},
      {"Windows authentication chosen drops user and password",
       {1, L"sa", L"pw", L"SV", L"", L""},
       [](auto& d) { d.Click(L"optNinsyou", 0).Click(L"cmdOk"); },
       {1, L"", L"", L"SV", L"", L""}},
      {"user and password typed",
       {1, L"", L"", L"SV", L"", L""},
       [](auto& d) {
         d.Click(L"optNinsyou", 1)
             .Type(L"txtDBUser", -1, L" 受付 ")
             .Type(L"txtDBPassword", -1, L"パス word")
             .Click(L"cmdOk");
       },
       {1, L" 受付 ", L"パス word", L"SV", L"", L""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kvtest::OperationLogCapture log;
    kv::clsParamUpdate params;
    Fill(params, c.before);
    const bool ok = RunDialog(params, [&](kvtest::ScriptedUser& user) { c.act(user.Expect(L"frmInitDBServer")); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(Read(params), c.after);
    ExpectUntouchedMarkers(params);
  }
}

TEST(frmInitDBServer, CancelEscAndCloseBoxLeaveTheSettingsAsTheyWere) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> answer;
    Lines last;
  } cases[] = {
      // The click takes the focus from the port box first; Esc leaves it there until the form hides.
      {"キャンセル", [](auto& d) { d.Click(L"cmdCancel"); }, {PortChanged(L""), kCancel, kClosed}},
      {"Esc", [](auto& d) { d.PressEscape(); }, {kCancel, PortChanged(L""), kClosed}},
      // The close box: the typed change, then no click line.
      {"close box", [](auto& d) { d.CloseFromTitleBar(); }, {PortChanged(L""), kClosed}},
  };
  const Settings before{1, L"sa", L"pw", L"SV", L"SQLExpress", L"1433"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kvtest::OperationLogCapture log;
    kv::clsParamUpdate params;
    Fill(params, before);
    const bool ok = RunDialog(params, [&](kvtest::ScriptedUser& user) {
      auto& dialog = user.Expect(L"frmInitDBServer")
                         .Type(L"txtDBServer", -1, L"other")
                         .Click(L"optNinsyou", 0)
                         .Type(L"cboInstance", -1, L"X")
                         .Type(L"cboPort", -1, L"1");
      c.answer(dialog);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(Read(params), before);
    ExpectUntouchedMarkers(params);
    const Lines lines = log.Lines();
    ASSERT_GE(lines.size(), c.last.size());
    EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(c.last.size()), lines.end()), c.last);
  }
}

TEST(frmInitDBServer, InputChecksKeepTheDialogOpenAndStoreNothing) {
  struct Case {
    const char* what;
    Settings before;
    std::function<void(kvtest::ExpectedDialog&)> edit;
    const wchar_t* message;
  } cases[] = {
      {"blank server", {1, L"", L"", L"SV", L"", L""}, [](auto& d) { d.Type(L"txtDBServer", -1, L"   "); },
       L"サーバー名を入力してください。"},
      {"blank user with password authentication, code 4",
       {4, L"u", L"pw", L"SV", L"", L""},
       [](auto& d) { d.Type(L"txtDBUser", -1, L" "); },
       L"ユーザー名を入力してください。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kvtest::OperationLogCapture log;
    kv::clsParamUpdate params;
    Fill(params, c.before);
    const bool ok = RunDialog(params, [&](kvtest::ScriptedUser& user) {
      auto& dialog = user.Expect(L"frmInitDBServer");
      c.edit(dialog);
      dialog.Click(L"cmdOk")
          .Check([](DialogView& d) { EXPECT_TRUE(IsWindowVisible(d.Window())); })
          .Click(L"cmdCancel");
      user.Expect(L"frmMsgBox")
          .Check([&](DialogView& d) {
            EXPECT_EQ(d.Caption(), kCaption);
            EXPECT_EQ(d.Text(L"txtMsg"), c.message);
            EXPECT_TRUE(d.Visible(L"picIcon", 2));  // the exclamation mark
            EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
            EXPECT_FALSE(d.Visible(L"cmdButton", 2));
          })
          .Click(L"cmdButton", 1);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(Read(params), c.before);
  }
}

TEST(frmInitDBServer, PortLogsEveryTypedChangeAndInstanceOnlyOnLeaving) {
  kvtest::OperationLogCapture log;
  kv::clsParamUpdate params;
  Fill(params, {1, L"", L"", L"SV", L"", L""});
  RunDialog(params, [](kvtest::ScriptedUser& user) {
    user.Expect(L"frmInitDBServer")
        .Type(L"cboPort", -1, L"5433")
        .Type(L"cboInstance", -1, L"INST")
        // Entering and leaving without typing writes nothing.
        .Focus(L"cboPort")
        .Focus(L"txtDBServer")
        .PickFromList(L"cboPort", -1, 1)  // a pick is no change
        .Click(L"cmdCancel");
  });
  const Lines lines = log.Lines();
  EXPECT_EQ(lines, (Lines{kOpened, PortChanged(L"[(既定のポート)]"), kWindowsChosen, PortChanged(L""), PortChanged(L""),
                          PortChanged(L""), PortChanged(L""), PortChanged(L""),
                          Line(L"cboInstance,ドロップダウン,,変更"), kCancel, kClosed}));
}

TEST(frmInitDBServer, TypedTextBoxesAreLoggedOnLeavingWithTheirLabels) {
  kvtest::OperationLogCapture log;
  kv::clsParamUpdate params;
  Fill(params, {1, L"", L"", L"SV", L"", L""});
  RunDialog(params, [](kvtest::ScriptedUser& user) {
    user.Expect(L"frmInitDBServer")
        .Type(L"txtDBServer", -1, L"DBSV")
        .Click(L"optNinsyou", 1)
        .Type(L"txtDBUser", -1, L"admin")
        .Type(L"txtDBPassword", -1, L"pw")
        .Click(L"cmdOk");
  });
  EXPECT_EQ(log.Lines(), (Lines{kOpened, PortChanged(L"[(既定のポート)]"), kWindowsChosen,
                                Line(L"txtDBServer,サーバー名/IPアドレス(&S),[DBSV],変更"), kSqlChosen,
                                Line(L"txtDBUser,ユーザー名(&U),[admin],変更"), Line(L"txtDBPassword,パスワード(&P),[pw],変更"),
                                kOk, kClosed}));
}

}  // namespace
