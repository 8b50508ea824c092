#pragma once
// A small HTTP/1.1 server on 127.0.0.1 and a free port, for tests of the programs' downloads.
// Each connection gets one response and is closed.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kvtest {

struct HttpRequest {
  std::string method;
  std::string target;                          // path and query as sent
  std::map<std::string, std::string> headers;  // names in lower case
};

struct HttpResponse {
  int status = 200;
  std::string reason = "OK";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // besides Content-Length and Connection
  bool sendContentLength = true;
  // Fault injection
  int delayBeforeMs = 0;           // wait before answering (time-outs)
  long long dropAfterBytes = -1;   // close the connection after this many body bytes
  std::size_t pieceSize = 0;       // send the body in pieces of this size...
  int pauseBetweenPiecesMs = 0;    // ...with a pause between them (short reads mid-body)
  bool closeWithoutAnswer = false; // accept, read the request, close
};

class LocalHttpServer {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;

  explicit LocalHttpServer(Handler handler);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  unsigned short port() const;
  // "http://127.0.0.1:<port>" followed by path (which should begin with "/").
  std::wstring Url(const std::wstring& path = L"/") const;
  std::vector<HttpRequest> requests() const;
  // Some request so far carried an Authorization header.
  bool SawAuthorization() const;

  // A port on 127.0.0.1 where nothing listens (connection refused).
  static unsigned short UnusedPort();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// The value of an Authorization header for user and password (Basic).
std::string BasicAuthorization(const std::string& user, const std::string& password);

// As a real server does: granted when the request carries user and password (Basic), otherwise
// 401 with a Basic challenge and the body "denied". Clients like WinINet send credentials only
// after such a challenge.
HttpResponse BasicGuard(const HttpRequest& request, const std::string& user, const std::string& password,
                        HttpResponse granted);

}  // namespace kvtest
