#include "support/TcpRelay.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/WinsockUser.h"

namespace kvtest {
namespace {

// Copies from one socket to the other until either side ends, then ends both directions.
void Pump(SOCKET from, SOCKET to) {
  char buffer[65536];
  for (;;) {
    const int n = recv(from, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    int sent = 0;
    while (sent < n) {
      const int m = send(to, buffer + sent, n - sent, 0);
      if (m <= 0) break;
      sent += m;
    }
    if (sent < n) break;
  }
  shutdown(to, SD_SEND);
  shutdown(from, SD_RECEIVE);
}

}  // namespace

struct TcpRelay::State {
  WinsockUser winsock;
  SOCKET listener = INVALID_SOCKET;
  unsigned short port = 0;
  unsigned short target = 0;
  int dropFirst = 0;
  std::atomic<int> accepted{0};
  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::vector<SOCKET> sockets;
  std::vector<std::thread> pumps;
  std::thread acceptor;
};

TcpRelay::TcpRelay(unsigned short targetPort, int dropFirst) : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.target = targetPort;
  s.dropFirst = dropFirst;
  s.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (s.listener == INVALID_SOCKET || bind(s.listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(s.listener, 16) != 0 || getsockname(s.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (s.listener != INVALID_SOCKET) closesocket(s.listener);
    throw std::runtime_error("relay: cannot listen");
  }
  s.port = ntohs(address.sin_port);
  s.acceptor = std::thread([state = state_] {
    for (;;) {
      SOCKET client = accept(state->listener, nullptr, nullptr);
      if (client == INVALID_SOCKET || state->stopping) {
        if (client != INVALID_SOCKET) closesocket(client);
        return;
      }
      if (++state->accepted <= state->dropFirst) {
        closesocket(client);
        continue;
      }
      SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      sockaddr_in target{};
      target.sin_family = AF_INET;
      target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      target.sin_port = htons(state->target);
      if (connect(server, reinterpret_cast<sockaddr*>(&target), sizeof(target)) != 0) {
        closesocket(server);
        closesocket(client);
        continue;
      }
      std::lock_guard<std::mutex> lock(state->mutex);
      state->sockets.push_back(client);
      state->sockets.push_back(server);
      state->pumps.emplace_back(Pump, client, server);
      state->pumps.emplace_back(Pump, server, client);
    }
  });
}

TcpRelay::~TcpRelay() {
  State& s = *state_;
  s.stopping = true;
  closesocket(s.listener);
  s.acceptor.join();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (SOCKET socket : s.sockets) shutdown(socket, SD_BOTH);
  for (std::thread& pump : s.pumps) pump.join();
  for (SOCKET socket : s.sockets) closesocket(socket);
}

unsigned short TcpRelay::port() const { return state_->port; }
int TcpRelay::connections() const { return state_->accepted; }

}  // namespace kvtest
