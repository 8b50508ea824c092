// The transfer control against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "components/InternetTransferControl.h"
#include "support/LocalHttpServer.h"

namespace {

using kv::InternetTransferControl;
using kvtest::BasicAuthorization;
using kvtest::HttpRequest;
using kvtest::HttpResponse;
using kvtest::LocalHttpServer;
namespace InetState = kv::InetState;

// What one GET gave, read the way the splash window reads it: pieces of 1024 on the response.
struct Download {
  std::vector<std::int16_t> states;
  bool stillExecutingAtEvent = false;
  std::vector<std::size_t> pieces;  // sizes of the non-empty pieces
  std::string body;
  std::optional<kv::RuntimeError> failure;  // raised by GetChunk
};

Download Get(InternetTransferControl& inet, const std::wstring& url) {
  Download d;
  inet.SetStateChangedHandler([&](std::int16_t state) {
    d.states.push_back(state);
    d.stillExecutingAtEvent = inet.StillExecuting();
    if (state != InetState::ResponseReceived) return;
    // Read on past a short piece: the next one must be empty.
    d.failure = kv::SkipOnError([&] {
      for (;;) {
        const auto piece = inet.GetChunk(1024);
        if (piece.empty()) return;
        d.pieces.push_back(piece.size());
        d.body.append(piece.begin(), piece.end());
      }
    });
  });
  inet.Execute(url, L"GET");
  return d;
}

// Bytes that show a piece out of place.
std::string Body(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return body;
}

std::vector<std::size_t> PiecesOf(std::size_t size) {
  std::vector<std::size_t> pieces(size / 1024, 1024);
  if (size % 1024) pieces.push_back(size % 1024);
  return pieces;
}

bool AllFull(const std::vector<std::size_t>& pieces) {
  for (auto p : pieces)
    if (p != 1024) return false;
  return true;
}

bool HasHeader(const HttpRequest& request, const std::string& name) { return request.headers.count(name) > 0; }

// A server that gives every request the same answer.
LocalHttpServer::Handler Always(HttpResponse response) {
  return [response](const HttpRequest&) { return response; };
}

HttpResponse Answer(std::string body, int delayBeforeMs = 0) {
  HttpResponse response;
  response.body = std::move(body);
  response.delayBeforeMs = delayBeforeMs;
  return response;
}

TEST(InternetTransferControl, BodyComesInPiecesOf1024ExceptTheLast) {
  struct Case {
    const char* name;
    std::size_t size;
    std::size_t networkPiece;  // the server sends in pieces this large...
    int pauseMs;               // ...with pauses, so reads come back short mid-body
  } cases[] = {
      {"2500", 2500, 0, 0},
      {"2048", 2048, 0, 0},
      {"0", 0, 0, 0},
      {"1023", 1023, 0, 0},
      {"beyond one network read", 700 * 1024 + 300, 0, 0},
      {"sent in pieces of 100", 2500, 100, 5},
      {"sent in pieces across the 1024 edges", 5000, 1000, 30},
      {"sent in pieces of 7", 1100, 7, 1},
  };
  LocalHttpServer server([&](const HttpRequest& request) {
    const auto& c = cases[std::stoi(request.target.substr(1))];
    HttpResponse response;
    response.body = Body(c.size);
    response.pieceSize = c.networkPiece;
    response.pauseBetweenPiecesMs = c.pauseMs;
    return response;
  });
  InternetTransferControl inet;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    const Download d = Get(inet, server.Url(L"/" + std::to_wstring(i)));
    EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::ResponseReceived});
    EXPECT_FALSE(d.stillExecutingAtEvent);
    EXPECT_FALSE(d.failure) << kv::ToUtf8(d.failure->Description());
    EXPECT_EQ(d.pieces, PiecesOf(c.size));
    EXPECT_TRUE(d.body == Body(c.size));
  }
}

TEST(InternetTransferControl, TheBodyIsDeliveredWhateverTheStatus) {
  struct Case {
    int status;
    const char* reason;
  } cases[] = {{404, "Not Found"}, {500, "Internal Server Error"}, {403, "Forbidden"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    const std::string page = "<html>" + std::to_string(c.status) + " page</html>";
    HttpResponse response = Answer(page);
    response.status = c.status;
    response.reason = c.reason;
    LocalHttpServer server(Always(response));
    InternetTransferControl inet;
    const Download d = Get(inet, server.Url(L"/missing.cab"));
    EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::ResponseReceived});
    EXPECT_EQ(d.body, page);
  }
}

HttpResponse Guarded(const HttpRequest& request) {
  HttpResponse granted;
  granted.body = "cabinet";
  return kvtest::BasicGuard(request, "kanri", "p@ss:word", granted);
}

TEST(InternetTransferControl, CredentialsGoOnlyWithAUserName) {
  struct Case {
    const wchar_t* user;
    const wchar_t* password;
    const char* body;
    bool authorizationSent;
  } cases[] = {
      {L"kanri", L"p@ss:word", "cabinet", true},
      {L"kanri", L"wrong", "denied", true},
      {L"", L"p@ss:word", "denied", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kv::ToUtf8(std::wstring(c.user) + L"/" + c.password));
    // A server of its own per case: WinINet keeps credentials that worked for a server for the
    // rest of the process and then sends them unasked.
    LocalHttpServer server(Guarded);
    InternetTransferControl inet;
    inet.SetUserName(c.user);
    inet.SetPassword(c.password);
    const Download d = Get(inet, server.Url(L"/a.cab"));
    EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::ResponseReceived});
    EXPECT_EQ(d.body, c.body);
    EXPECT_EQ(server.SawAuthorization(), c.authorizationSent);
  }
}

TEST(InternetTransferControl, AFailedRequestRaisesTheErrorState) {
  LocalHttpServer silent(Always(Answer("late", 5000)));
  HttpResponse hangUp;
  hangUp.closeWithoutAnswer = true;
  LocalHttpServer hangsUp(Always(hangUp));
  struct Case {
    const char* name;
    std::wstring url;
  } cases[] = {
      {"connection refused", L"http://127.0.0.1:" + std::to_wstring(LocalHttpServer::UnusedPort()) + L"/a.cab"},
      {"no answer within the time-out", silent.Url(L"/a.cab")},
      {"closed without an answer", hangsUp.Url(L"/a.cab")},
      {"unknown host", L"http://update.kanvolo.invalid/a.cab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InternetTransferControl inet;
    inet.SetRequestTimeout(1);
    const Download d = Get(inet, c.url);
    EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::Error});
    EXPECT_FALSE(d.stillExecutingAtEvent);
    EXPECT_THROW(inet.GetChunk(1024), kv::RuntimeError);
  }
}

TEST(InternetTransferControl, ABodyCutShortRaisesInsteadOfEndingQuietly) {
  const std::string body = Body(5000);
  struct Case {
    const char* name;
    HttpResponse response;
  } cases[] = {
      {"connection reset", [&] {
         HttpResponse r;
         r.body = body;
         r.dropAfterBytes = 2500;
         return r;
       }()},
      {"closed before the announced length", [&] {
         HttpResponse r;
         r.body = body.substr(0, 2500);
         r.sendContentLength = false;
         r.headers = {{"Content-Length", "5000"}};
         return r;
       }()},
      {"silent longer than the time-out", [&] {
         HttpResponse r;
         r.body = body;
         r.pieceSize = 2500;
         r.pauseBetweenPiecesMs = 5000;
         return r;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LocalHttpServer server(Always(c.response));
    InternetTransferControl inet;
    inet.SetRequestTimeout(1);
    const Download d = Get(inet, server.Url(L"/a.cab"));
    EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::ResponseReceived});
    EXPECT_TRUE(d.failure);
    EXPECT_LT(d.body.size(), body.size());
    EXPECT_TRUE(AllFull(d.pieces)) << "a short piece would pass for the end of the body";
  }
}

TEST(InternetTransferControl, NothingComesFromACache) {
  int served = 0;
  LocalHttpServer server([&](const HttpRequest&) {
    HttpResponse response;
    response.body = "version " + std::to_string(++served);
    response.headers = {{"Cache-Control", "public, max-age=86400"},
                        {"Expires", "Thu, 01 Jan 2099 00:00:00 GMT"},
                        {"Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT"},
                        {"ETag", "\"same\""}};
    return response;
  });
  InternetTransferControl inet;
  EXPECT_EQ(Get(inet, server.Url(L"/a.cab")).body, "version 1");
  EXPECT_EQ(Get(inet, server.Url(L"/a.cab")).body, "version 2");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    // Caches on the way are told not to answer, and nothing is asked that a 304 could answer.
    EXPECT_EQ(request.headers.count("pragma") ? request.headers.at("pragma") : "", "no-cache");
    EXPECT_FALSE(HasHeader(request, "if-none-match"));
    EXPECT_FALSE(HasHeader(request, "if-modified-since"));
  }
}

TEST(InternetTransferControl, ANamedProxyGetsTheWholeUrl) {
  LocalHttpServer proxy(Always(Answer("from the proxy")));
  InternetTransferControl inet;
  inet.SetAccessType(kv::InetAccessType::NamedProxy);
  inet.SetProxy(L"127.0.0.1:" + std::to_wstring(proxy.port()));
  const Download d = Get(inet, L"http://update.kanvolo.invalid/upd/a.cab?ID=12&NAME=x");
  EXPECT_EQ(d.body, "from the proxy");
  const auto requests = proxy.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target.rfind("http://update.kanvolo.invalid", 0), 0u) << requests[0].target;
  EXPECT_TRUE(kv::EndsWith(kv::FromUtf8(requests[0].target), L"/upd/a.cab?ID=12&NAME=x")) << requests[0].target;
}

// Names and the hospital query go out as CP932 bytes, neither percent-encoded nor UTF-8, as the
// product's Windows hosts find their files by them; also through a named proxy.
TEST(InternetTransferControl, PathAndQueryGoOutAsAnsiBytes) {
  // "予" and "表" end in the byte of "\" (0x5C), which must not end a segment.
  const std::wstring paths[] = {
      L"/upd/予約受付.dll.cab?ID=12&NAME=さくら病院",
      L"/upd/音声データ/表示設定.ini.cab",
      L"/upd/ﾊﾞﾛﾈﾙ①.cab?ID=0&NAME=",
      L"/upd/a%41.cab?NAME=%E3%81%95",  // escapes stay as they are
  };
  LocalHttpServer server(Always(Answer("cabinet")));
  LocalHttpServer proxy(Always(Answer("from the proxy")));
  for (const bool viaProxy : {false, true}) {
    for (const auto& path : paths) {
      SCOPED_TRACE(kv::ToUtf8(path) + (viaProxy ? " via the proxy" : ""));
      InternetTransferControl inet;
      std::wstring url = server.Url(path);
      if (viaProxy) {
        inet.SetAccessType(kv::InetAccessType::NamedProxy);
        inet.SetProxy(L"127.0.0.1:" + std::to_wstring(proxy.port()));
        url = L"http://update.kanvolo.invalid" + path;
      }
      LocalHttpServer& host = viaProxy ? proxy : server;
      const std::size_t before = host.requests().size();
      const Download d = Get(inet, url);
      EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::ResponseReceived});
      const auto requests = host.requests();
      ASSERT_EQ(requests.size(), before + 1);
      std::string sent = requests.back().target;
      if (viaProxy) {
        // The proxy gets the absolute form (Wine names the port 80).
        EXPECT_EQ(sent.rfind("http://update.kanvolo.invalid", 0), 0u) << sent;
        sent.erase(0, sent.find('/', std::strlen("http://")));
      }
      EXPECT_EQ(sent, kv::ToAnsi(path));  // the tests run with CP932, the first case pins it below
    }
  }
  // The first one byte by byte.
  EXPECT_EQ(server.requests().front().target,
            "/upd/\x97\x5C\x96\xF1\x8E\xF3\x95\x74.dll.cab?ID=12&NAME=\x82\xB3\x82\xAD\x82\xE7\x95\x61\x89\x40");
}

// Accepts one connection and keeps the first bytes the client sends.
class RawListener {
 public:
  RawListener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 1);
    int size = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      char buffer[16];
      const int n = recv(client, buffer, sizeof(buffer), 0);
      if (n > 0) first_.assign(buffer, static_cast<std::size_t>(n));
      closesocket(client);
    });
  }
  ~RawListener() {
    closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    WSACleanup();
  }
  unsigned short port() const { return port_; }
  // Once the client has gone.
  std::string first() {
    if (thread_.joinable()) thread_.join();
    return first_;
  }

 private:
  SOCKET listener_;
  unsigned short port_ = 0;
  std::string first_;
  std::thread thread_;
};

TEST(InternetTransferControl, HttpsOpensWithATlsHandshake) {
  RawListener listener;
  InternetTransferControl inet;
  inet.SetRequestTimeout(2);
  const Download d = Get(inet, L"https://127.0.0.1:" + std::to_wstring(listener.port()) + L"/a.cab");
  // The listener hangs up on the handshake, so the request fails.
  EXPECT_EQ(d.states, std::vector<std::int16_t>{InetState::Error});
  const std::string first = listener.first();
  ASSERT_GE(first.size(), 2u);
  EXPECT_EQ(first[0], '\x16') << "not a TLS handshake record";
  EXPECT_EQ(first[1], '\x03');
}

std::atomic<int> timerTicks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

TEST(InternetTransferControl, WindowMessagesGoOnWhileTheResponseIsAwaited) {
  LocalHttpServer server(Always(Answer("ok", 400)));
  timerTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, CountTick);
  InternetTransferControl inet;
  int ticksAtEvent = -1;
  inet.SetStateChangedHandler([&](std::int16_t) { ticksAtEvent = timerTicks; });
  inet.Execute(server.Url(L"/a.cab"), L"GET");
  KillTimer(nullptr, timer);
  EXPECT_GT(ticksAtEvent, 0);
}

TEST(InternetTransferControl, AHandlerThatThrowsUnwindsOutOfExecute) {
  struct ProcessEnded {};
  LocalHttpServer server(Always(Answer(Body(3000))));
  InternetTransferControl inet;
  inet.SetStateChangedHandler([&](std::int16_t) {
    inet.GetChunk(1024);
    throw ProcessEnded{};
  });
  EXPECT_THROW(inet.Execute(server.Url(L"/a.cab"), L"GET"), ProcessEnded);
  EXPECT_FALSE(inet.StillExecuting());
  // The control is usable again.
  EXPECT_EQ(Get(inet, server.Url(L"/a.cab")).body, Body(3000));
}

TEST(InternetTransferControl, ExecuteRefusesWhatItCannotStart) {
  struct Case {
    const char* name;
    std::wstring url;
    std::wstring operation;
    kv::InetAccessType access = kv::InetAccessType::UseDefault;
  } cases[] = {
      {"not a URL", L"update server", L"GET"},
      {"not HTTP", L"ftp://127.0.0.1/a.cab", L"GET"},
      {"no host", L"http:///a.cab", L"GET"},
      {"another operation", L"http://127.0.0.1:1/a.cab", L"PUT"},
      {"a named proxy without a proxy", L"http://127.0.0.1:1/a.cab", L"GET", kv::InetAccessType::NamedProxy},
      // The code page would put another character or a "?" in its place.
      {"a name beyond the ANSI code page", L"http://127.0.0.1:1/한국.cab", L"GET"},
      {"a query beyond the ANSI code page", L"http://127.0.0.1:1/a.cab?NAME=café", L"GET"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InternetTransferControl inet;
    inet.SetAccessType(c.access);
    int events = 0;
    inet.SetStateChangedHandler([&](std::int16_t) { ++events; });
    EXPECT_THROW(inet.Execute(c.url, c.operation), kv::RuntimeError);
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(inet.StillExecuting());
  }
  InternetTransferControl inet;
  EXPECT_THROW(inet.SetRequestTimeout(-1), kv::RuntimeError);
  EXPECT_EQ(inet.RequestTimeout(), 60);
}

TEST(InternetTransferControl, AnUnreadBodyIsDroppedByCancelOrTheNextRequest) {
  LocalHttpServer server([](const HttpRequest& request) {
    return Answer(request.target == "/first.cab" ? Body(5000) : "second");
  });
  InternetTransferControl inet;
  inet.SetStateChangedHandler([&](std::int16_t) { inet.GetChunk(1024); });
  inet.Execute(server.Url(L"/first.cab"), L"GET");
  EXPECT_EQ(Get(inet, server.Url(L"/second.cab")).body, "second");

  inet.SetStateChangedHandler([&](std::int16_t) { inet.GetChunk(1024); });
  inet.Execute(server.Url(L"/first.cab"), L"GET");
  inet.Cancel();
  EXPECT_THROW(inet.GetChunk(1024), kv::RuntimeError);
}

}  // namespace
