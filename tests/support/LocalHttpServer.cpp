#include "support/LocalHttpServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "support/WinsockUser.h"

namespace kvtest {
namespace {

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

bool SendAll(SOCKET s, const char* data, std::size_t size) {
  while (size > 0) {
    const int chunk = static_cast<int>(size > (1 << 20) ? (1 << 20) : size);
    const int sent = send(s, data, chunk, 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReadRequest(SOCKET s, HttpRequest& request) {
  std::string raw;
  char buffer[4096];
  while (raw.find("\r\n\r\n") == std::string::npos) {
    const int n = recv(s, buffer, sizeof(buffer), 0);
    if (n <= 0) return false;
    raw.append(buffer, static_cast<std::size_t>(n));
    if (raw.size() > (1 << 20)) return false;
  }
  const auto headEnd = raw.find("\r\n\r\n");
  auto lineEnd = raw.find("\r\n");
  const std::string first = raw.substr(0, lineEnd);
  const auto sp1 = first.find(' ');
  const auto sp2 = first.find(' ', sp1 + 1);
  request.method = first.substr(0, sp1);
  request.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
  std::size_t pos = lineEnd + 2;
  while (pos < headEnd) {
    const auto end = raw.find("\r\n", pos);
    const std::string line = raw.substr(pos, end - pos);
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
      std::string value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.erase(0, 1);
      request.headers[Lower(line.substr(0, colon))] = value;
    }
    pos = end + 2;
  }
  return true;
}

}  // namespace

struct LocalHttpServer::State {
  WinsockUser winsock;
  Handler handler;
  SOCKET listener = INVALID_SOCKET;
  unsigned short port = 0;
  std::atomic<bool> stopping{false};
  mutable std::mutex mutex;
  std::vector<HttpRequest> requests;
  std::vector<std::thread> connections;
  std::thread acceptor;

  // Ends early when the server stops, so a test that gave up waiting does not wait here.
  void Pause(int milliseconds) const {
    for (int left = milliseconds; left > 0 && !stopping; left -= 10) Sleep(static_cast<DWORD>(left < 10 ? left : 10));
  }

  void Serve(SOCKET client) {
    HttpRequest request;
    if (!ReadRequest(client, request)) {
      closesocket(client);
      return;
    }
    {
      std::lock_guard lock(mutex);
      requests.push_back(request);
    }
    const HttpResponse response = handler(request);
    Pause(response.delayBeforeMs);
    if (!response.closeWithoutAnswer) {
      std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
      if (response.sendContentLength) head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
      for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
      head += "Connection: close\r\n\r\n";
      bool ok = SendAll(client, head.data(), head.size());
      std::size_t limit = response.body.size();
      if (response.dropAfterBytes >= 0 && static_cast<std::size_t>(response.dropAfterBytes) < limit) {
        limit = static_cast<std::size_t>(response.dropAfterBytes);
      }
      const std::size_t piece = response.pieceSize ? response.pieceSize : limit;
      for (std::size_t sent = 0; ok && sent < limit && !stopping; sent += piece) {
        const std::size_t n = limit - sent < piece ? limit - sent : piece;
        ok = SendAll(client, response.body.data() + sent, n);
        if (sent + n < limit) Pause(response.pauseBetweenPiecesMs);
      }
      if (response.dropAfterBytes >= 0) {
        // An abortive close, so the client sees the connection drop rather than a clean end.
        linger hard{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
      } else {
        shutdown(client, SD_SEND);
        char drain[256];
        while (recv(client, drain, sizeof(drain), 0) > 0) {
        }
      }
    }
    closesocket(client);
  }
};

LocalHttpServer::LocalHttpServer(Handler handler) : state_(std::make_shared<State>()) {
  state_->handler = std::move(handler);
  state_->listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (state_->listener == INVALID_SOCKET ||
      bind(state_->listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(state_->listener, 16) != 0) {
    if (state_->listener != INVALID_SOCKET) closesocket(state_->listener);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  int size = sizeof(address);
  getsockname(state_->listener, reinterpret_cast<sockaddr*>(&address), &size);
  state_->port = ntohs(address.sin_port);

  state_->acceptor = std::thread([state = state_.get()] {
    for (;;) {
      SOCKET client = accept(state->listener, nullptr, nullptr);
      if (client == INVALID_SOCKET || state->stopping) {
        if (client != INVALID_SOCKET) closesocket(client);
        return;
      }
      std::lock_guard lock(state->mutex);
      state->connections.emplace_back([state, client] { state->Serve(client); });
    }
  });
}

LocalHttpServer::~LocalHttpServer() {
  state_->stopping = true;
  closesocket(state_->listener);
  state_->acceptor.join();
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(state_->mutex);
    connections.swap(state_->connections);
  }
  for (auto& t : connections) t.join();
}

unsigned short LocalHttpServer::port() const { return state_->port; }

std::wstring LocalHttpServer::Url(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(state_->port) + path;
}

std::vector<HttpRequest> LocalHttpServer::requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

bool LocalHttpServer::SawAuthorization() const {
  for (const auto& request : requests()) {
    if (request.headers.count("authorization")) return true;
  }
  return false;
}

unsigned short LocalHttpServer::UnusedPort() {
  WinsockUser winsock;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int size = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  closesocket(s);  // bound but never listened: connecting is refused
  return ntohs(address.sin_port);
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string in = user + ":" + password;
  std::string out = "Basic ";
  for (std::size_t i = 0; i < in.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
    if (i + 2 < in.size()) v |= static_cast<unsigned char>(in[i + 2]);
    out += table[(v >> 18) & 63];
    out += table[(v >> 12) & 63];
    out += i + 1 < in.size() ? table[(v >> 6) & 63] : '=';
    out += i + 2 < in.size() ? table[v & 63] : '=';
  }
  return out;
}

HttpResponse BasicGuard(const HttpRequest& request, const std::string& user, const std::string& password,
                        HttpResponse granted) {
  const auto given = request.headers.find("authorization");
  if (given != request.headers.end() && given->second == BasicAuthorization(user, password)) return granted;
  HttpResponse refusal;
  refusal.status = 401;
  refusal.reason = "Unauthorized";
  refusal.headers = {{"WWW-Authenticate", "Basic realm=\"update\""}};
  refusal.body = "denied";
  return refusal;
}

}  // namespace kvtest
