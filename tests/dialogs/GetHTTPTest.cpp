// GetHTTP of the splash window against a real HTTP server on 127.0.0.1: the saved file, the
// progress bar and text, the credentials, and the failures that end the process.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/ProcessExit.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "settings/Common.h"
#include "support/ExclusiveLock.h"
#include "support/LocalHttpServer.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/TempDir.h"

namespace {

using kvtest::HttpRequest;
using kvtest::HttpResponse;
using kvtest::LocalHttpServer;
using Lines = std::vector<std::wstring>;

const wchar_t kFailureText[] =
    L"ダウンロードに失敗しました。\r\nウイルス対策ソフトの保護機能を一時停止してから再度実行してください。";

// Bytes that show a piece out of place.
std::string Body(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return body;
}

LocalHttpServer::Handler Always(HttpResponse response) {
  return [response](const HttpRequest&) { return response; };
}

HttpResponse Answer(std::string body) {
  HttpResponse response;
  response.body = std::move(body);
  return response;
}

// A clock that moves on by stepMs every time it is read (the download reads it once a piece).
class SteppingHost : public kvtest::FakeHost {
 public:
  int stepMs = 0;

  SYSTEMTIME LocalTime() const override {
    const SYSTEMTIME now = Current();
    elapsedMs_ += stepMs;
    return now;
  }
  SYSTEMTIME Current() const {
    const SYSTEMTIME start{2024, 3, 2, 5, 10, 20, 30, 0};
    FILETIME file{};
    SystemTimeToFileTime(&start, &file);
    ULARGE_INTEGER t{{file.dwLowDateTime, file.dwHighDateTime}};
    t.QuadPart += static_cast<ULONGLONG>(elapsedMs_) * 10000;
    file = {t.LowPart, t.HighPart};
    SYSTEMTIME now{};
    FileTimeToSystemTime(&file, &now);
    return now;
  }

 private:
  mutable long long elapsedMs_ = 0;
};

// A splash window with the operation log of the test and a folder for the downloads.
struct Splash {
  Splash() {
    host.productName = log.ProductTitle();
    host.programFolder = folder.path();
  }
  std::wstring Target(const std::wstring& name = L"a.cab") const { return folder / name; }

  kvtest::OperationLogCapture log;
  SteppingHost host;
  kv::ScopedHost scoped{host};
  kvtest::TempDir folder;
  kv::frmSplash form;
};

TEST(GetHTTP, SavesTheBodyAdvancesTheBarAndWritesTheFinalCount) {
  struct Case {
    const char* what;
    std::size_t size;
    int status;
    std::int32_t fileSize;
    std::int32_t max;
    std::int32_t valueBefore;
    std::int32_t valueAfter;
    const wchar_t* label;
  } cases[] = {
      {"2500 bytes: two full pieces, the last of 452 does not move the bar", 2500, 200, 2500, 100000, 0, 2048,
       L"Kanvolo.cab 2k / 2k"},
      {"2048 bytes end with an empty piece: no final count", 2048, 200, 2048, 100000, 0, 2048, L"Kanvolo.cab"},
      {"an empty body", 0, 200, 0, 100000, 0, 0, L"Kanvolo.cab"},
      {"a bar near its maximum is advanced only while it can take 1024", 2500, 200, 2500, 3000, 1500, 2524,
       L"Kanvolo.cab 2k / 2k"},
      {"counts against the expected size", 5000, 200, 2097152, 100000, 0, 4096, L"Kanvolo.cab 4k / 2048k"},
      {"a 404 page is saved as delivered", 300, 404, 2500, 100000, 0, 0, L"Kanvolo.cab 0k / 2k"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HttpResponse response = Answer(Body(c.size));
    response.status = c.status;
    response.reason = c.status == 200 ? "OK" : "Not Found";
    LocalHttpServer server(Always(response));
    Splash splash;
    auto& form = splash.form;
    form.lblHospital.SetText(L"Kanvolo.cab");
    form.ProgressBar.SetMax(c.max);
    form.ProgressBar.SetValue(c.valueBefore);
    form.SetFileSize(c.fileSize);
    EXPECT_EQ(form.GetHTTP(server.Url(L"/kanvolo.cab?ID=1&NAME=x"), splash.Target(), L"", L"", 30), 0);
    EXPECT_TRUE(kvtest::ReadBytes(splash.Target()) == Body(c.size));
    EXPECT_EQ(form.ProgressBar.Value(), c.valueAfter);
    EXPECT_EQ(form.lblHospital.Text(), c.label);
    EXPECT_EQ(form.FileSize(), c.fileSize);
    EXPECT_EQ(form.Inet1.RequestTimeout(), 30);
  }
}

// Every text written into lblHospital, with the clock's time at that moment.
struct LabelWrites {
  static inline std::vector<std::pair<std::wstring, SYSTEMTIME>>* writes = nullptr;
  static inline const SteppingHost* clock = nullptr;
  static inline WNDPROC original = nullptr;

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) writes->emplace_back(reinterpret_cast<const wchar_t*>(lParam), clock->Current());
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
  }
};

long long WholeSeconds(const SYSTEMTIME& t) { return ((t.wHour * 60LL) + t.wMinute) * 60 + t.wSecond; }

TEST(GetHTTP, TheProgressTextChangesAtMostOnceASecond) {
  LocalHttpServer server(Always(Answer(Body(64 * 1024 + 10))));
  Splash splash;
  splash.host.stepMs = 250;
  auto& form = splash.form;
  form.lblHospital.SetText(L"Kanvolo.cab");
  form.SetFileSize(64 * 1024 + 10);
  std::vector<std::pair<std::wstring, SYSTEMTIME>> writes;
  LabelWrites::writes = &writes;
  LabelWrites::clock = &splash.host;
  const HWND label = form.lblHospital.Window();
  LabelWrites::original =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelWrites::Proc)));
  const auto started = splash.host.Current();
  EXPECT_EQ(form.GetHTTP(server.Url(L"/kanvolo.cab"), splash.Target(), L"", L""), 0);
  SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelWrites::original));

  // 65 pieces at a quarter of a second each: a count about every four pieces, then the final one.
  ASSERT_GE(writes.size(), 10u);
  EXPECT_EQ(writes.back().first, L"Kanvolo.cab 64k / 64k");
  long long previous = WholeSeconds(started);
  int previousKilobytes = -1;
  for (std::size_t i = 0; i + 1 < writes.size(); ++i) {
    const auto& [text, at] = writes[i];
    SCOPED_TRACE(kv::ToUtf8(text));
    EXPECT_GE(WholeSeconds(at) - previous, 1) << "a second count within the same second";
    previous = WholeSeconds(at);
    ASSERT_TRUE(kv::StartsWith(text, L"Kanvolo.cab ") && kv::EndsWith(text, L"k / 64k"));
    const int kilobytes = std::stoi(text.substr(12));
    EXPECT_GT(kilobytes, previousKilobytes);
    previousKilobytes = kilobytes;
  }
  EXPECT_EQ(form.Inet1.RequestTimeout(), 300) << "the default time-out";
}

int g_timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_timerTicks; }

TEST(GetHTTP, WindowMessagesGoOnWhileTheBodyArrives) {
  // The head comes at once, the body in ten pieces half a second in all.
  HttpResponse slow = Answer(Body(10 * 1024));
  slow.pieceSize = 1024;
  slow.pauseBetweenPiecesMs = 50;
  LocalHttpServer server(Always(slow));
  Splash splash;
  g_timerTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, CountTick);
  EXPECT_EQ(splash.form.GetHTTP(server.Url(L"/a.cab"), splash.Target(), L"", L""), 0);
  KillTimer(nullptr, timer);
  EXPECT_GE(g_timerTicks, 5);
  EXPECT_TRUE(kvtest::ReadBytes(splash.Target()) == Body(10 * 1024));
}

TEST(GetHTTP, AnExistingFileIsReplacedByAShorterBody) {
  LocalHttpServer server(Always(Answer("new cabinet")));
  Splash splash;
  kvtest::WriteBytes(splash.Target(), std::string(10000, 'o'));
  EXPECT_EQ(splash.form.GetHTTP(server.Url(L"/a.cab"), splash.Target(), L"", L""), 0);
  EXPECT_EQ(kvtest::ReadBytes(splash.Target()), "new cabinet");
}

HttpResponse Guarded(const HttpRequest& request) {
  return kvtest::BasicGuard(request, "kanri", "p@ss:word", Answer("cabinet"));
}

TEST(GetHTTP, CredentialsAreTakenOnlyFromANonBlankUser) {
  Splash splash;
  auto& form = splash.form;
  struct Step {
    const char* what;
    const wchar_t* user;
    const wchar_t* password;
    const char* body;
    bool sent;
    const wchar_t* userAfter;
  } steps[] = {
      {"a user of blanks sets nothing", L"   ", L"p@ss:word", "denied", false, L""},
      {"a user is taken with the password", L"kanri", L"p@ss:word", "cabinet", true, L"kanri"},
      {"an empty user keeps the last one", L"", L"", "cabinet", true, L"kanri"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    // A server of its own per step: WinINet keeps credentials that worked for a server.
    LocalHttpServer server(Guarded);
    EXPECT_EQ(form.GetHTTP(server.Url(L"/a.cab"), splash.Target(), s.user, s.password), 0);
    EXPECT_EQ(kvtest::ReadBytes(splash.Target()), s.body);
    EXPECT_EQ(server.SawAuthorization(), s.sent);
    EXPECT_EQ(form.Inet1.UserName(), s.userAfter);
  }
}

struct ProcessEnded {};

TEST(GetHTTP, AFailedDownloadShowsTheLoggedMessageAndEndsTheProcess) {
  const std::string body = Body(5000);
  struct Case {
    const char* what;
    std::function<HttpResponse()> response;  // null: nothing listens
    std::size_t leftOnDisk;
  } cases[] = {
      {"connection refused", nullptr, 0},
      {"dropped after 2500 bytes of 5000",
       [&] {
         HttpResponse r = Answer(body);
         r.dropAfterBytes = 2500;
         return r;
       },
       2048},
      {"no answer within the time-out",
       [&] {
         HttpResponse r = Answer(body);
         r.delayBeforeMs = 4000;
         return r;
       },
       0},
      {"silent mid-body longer than the time-out",
       [&] {
         HttpResponse r = Answer(body);
         r.pieceSize = 2500;
         r.pauseBetweenPiecesMs = 4000;
         return r;
       },
       2048},
  };
  kvtest::ExclusiveLock data(kvtest::kUserDataLock);
  const std::wstring updateLog = kv::GetUserDataFolder() + L"\\Update.log";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(updateLog.c_str());
    std::optional<LocalHttpServer> server;
    if (c.response) server.emplace(Always(c.response()));
    const std::wstring url = server ? server->Url(L"/a.cab")
                                    : L"http://127.0.0.1:" + std::to_wstring(LocalHttpServer::UnusedPort()) + L"/a.cab";
    Splash splash;
    {
      kvtest::ScriptedUser user;
      user.Expect(L"frmMsgBox")
          .Check([&](kvtest::DialogView& d) {
            EXPECT_EQ(d.Caption(), splash.log.ProductTitle());
            EXPECT_EQ(d.Text(L"txtMsg"), kFailureText);
            EXPECT_TRUE(d.Visible(L"picIcon", 0)) << "the critical icon";
            EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
          })
          .PressEnter();
      kv::ScopedEndProcessHandler exit([](unsigned) { throw ProcessEnded{}; });
      EXPECT_THROW(splash.form.GetHTTP(url, splash.Target(), L"", L"", 1), ProcessEnded);
    }
    // The partly written file is left, closed.
    EXPECT_TRUE(kvtest::ReadBytes(splash.Target()) == body.substr(0, c.leftOnDisk));
    EXPECT_TRUE(DeleteFileW(splash.Target().c_str()));
    const Lines logged = kvtest::ReadAnsiLines(updateLog);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_TRUE(kv::EndsWith(logged[0], L" ダウンロードに失敗しました。")) << kv::ToUtf8(logged[0]);
    EXPECT_EQ(logged[1], L"ウイルス対策ソフトの保護機能を一時停止してから再度実行してください。");
  }
  DeleteFileW(updateLog.c_str());
}

TEST(GetHTTP, ItsOwnFailingStepsAreReturnedWithoutAMessage) {
  LocalHttpServer server(Always(Answer("cabinet")));
  Splash splash;
  kvtest::ScriptedUser user;  // expects no dialog at all
  struct Case {
    const char* what;
    std::wstring url;
    std::wstring target;
    std::int16_t timeOut;
    std::int32_t result;  // 0: any failure but 0
  } cases[] = {
      {"the target folder is missing", server.Url(L"/a.cab"), splash.folder / L"missing\\a.cab", 300, 76},
      {"a negative time-out", server.Url(L"/a.cab"), splash.Target(), -1, 5},
      {"a URL the control cannot start", L"ftp://127.0.0.1/a.cab", splash.Target(), 300, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int32_t result = splash.form.GetHTTP(c.url, c.target, L"", L"", c.timeOut);
    if (c.result != 0) {
      EXPECT_EQ(result, c.result);
    } else {
      EXPECT_NE(result, 0);
    }
    // The file is not held open.
    DeleteFileW(c.target.c_str());
    EXPECT_FALSE(kv::FileExist(c.target));
  }
  // The window downloads as before.
  EXPECT_EQ(splash.form.GetHTTP(server.Url(L"/a.cab"), splash.Target(), L"", L""), 0);
  EXPECT_EQ(kvtest::ReadBytes(splash.Target()), "cabinet");
}

}  // namespace
