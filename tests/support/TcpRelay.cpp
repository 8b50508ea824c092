#include "support/TcpRelay.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/WinsockUser.h"

namespace kvtest {
namespace {

// One relayed connection: its two sockets and the bytes that went through it so far.
struct Link {
  SOCKET client = INVALID_SOCKET;
  SOCKET server = INVALID_SOCKET;
  std::size_t cutAfter = 0;  // 0: never cut
  std::function<void()> atCut;
  std::atomic<int>* cuts = nullptr;
  std::mutex mutex;
  std::size_t relayed = 0;
  bool cut = false;

  // How many of n bytes may still go through; at the cut point the callback runs (the other
  // direction waits for it), or both sides are ended.
  std::size_t Allow(std::size_t n) {
    if (cutAfter == 0) return n;
    std::lock_guard<std::mutex> lock(mutex);
    if (cut) return atCut ? n : 0;
    const std::size_t allowed = std::min(n, cutAfter - relayed);
    relayed += allowed;
    if (relayed == cutAfter) {
      cut = true;
      ++*cuts;
      if (atCut) {
        atCut();
        return n;
      }
    }
    return allowed;
  }
  bool Severed() {
    if (cutAfter == 0 || atCut) return false;
    std::lock_guard<std::mutex> lock(mutex);
    return cut;
  }
};

bool SendAll(SOCKET to, const char* data, int n) {
  int sent = 0;
  while (sent < n) {
    const int m = send(to, data + sent, n - sent, 0);
    if (m <= 0) return false;
    sent += m;
  }
  return true;
}

// Copies from one socket to the other until either side ends (or the link is cut), then ends
// both directions.
void Pump(std::shared_ptr<Link> link, SOCKET from, SOCKET to) {
  char buffer[65536];
  for (;;) {
    const int n = recv(from, buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    const int allowed = static_cast<int>(link->Allow(static_cast<std::size_t>(n)));
    if (!SendAll(to, buffer, allowed)) break;
    if (allowed < n || link->Severed()) {
      // Cut: neither side hears from the other any more.
      shutdown(link->client, SD_BOTH);
      shutdown(link->server, SD_BOTH);
      return;
    }
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
  std::size_t cutAfter = 0;
  std::function<void()> atCut;
  std::atomic<int> accepted{0};
  std::atomic<int> cuts{0};
  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::vector<SOCKET> sockets;
  std::vector<std::thread> pumps;
  std::thread acceptor;
};

TcpRelay::TcpRelay(unsigned short targetPort, int dropFirst, std::size_t cutAfter, std::function<void()> atCut)
    : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.target = targetPort;
  s.dropFirst = dropFirst;
  s.cutAfter = cutAfter;
  s.atCut = std::move(atCut);
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
      auto link = std::make_shared<Link>();
      link->client = client;
      link->server = server;
      link->cutAfter = state->cutAfter;
      link->atCut = state->atCut;
      link->cuts = &state->cuts;
      state->pumps.emplace_back(Pump, link, client, server);
      state->pumps.emplace_back(Pump, link, server, client);
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
int TcpRelay::cuts() const { return state_->cuts; }

}  // namespace kvtest
