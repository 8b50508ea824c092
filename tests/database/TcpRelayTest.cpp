// The relay that the connection tests and the fault suite put between a program and the database
// server: what reaches the server when the relay cuts a connection after some bytes.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "support/TcpRelay.h"
#include "support/WinsockUser.h"

namespace kvtest {
namespace {

// A server on a free port of 127.0.0.1 that takes one connection and counts what it receives
// until the other side ends.
class SinkServer {
 public:
  SinkServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 4);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      char buffer[4096];
      for (int n; (n = recv(client, buffer, sizeof(buffer), 0)) > 0;) received_ += n;
      closesocket(client);
    });
  }
  ~SinkServer() {
    closesocket(listener_);
    thread_.join();
  }
  unsigned short port() const { return port_; }
  // What it received, once the connection ended.
  int Received() {
    thread_.join();
    thread_ = std::thread([] {});
    return received_;
  }

 private:
  WinsockUser winsock_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::atomic<int> received_{0};
  std::thread thread_;
};

// Sends bytes through the relay, then ends its side; false when a send failed.
bool SendThrough(unsigned short port, int bytes) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    closesocket(s);
    return false;
  }
  const std::string data(static_cast<std::size_t>(bytes), 'x');
  bool sent = true;
  for (int done = 0; done < bytes;) {
    const int m = send(s, data.data() + done, std::min(1000, bytes - done), 0);
    if (m <= 0) {
      sent = false;
      break;
    }
    done += m;
  }
  shutdown(s, SD_SEND);
  char buffer[256];
  while (recv(s, buffer, sizeof(buffer), 0) > 0) {
  }
  closesocket(s);
  return sent;
}

struct CutCase {
  const char* name;
  std::size_t cutAfter;
  bool withCallback;
  int received;  // of 20000 bytes sent
  int cuts;
};

TEST(TcpRelay, CutsAConnectionAfterItsBytesOrCallsBackThereAndGoesOn) {
  const CutCase cases[] = {
      {"never cut", 0, false, 20000, 0},
      {"cut after 5000 bytes", 5000, false, 5000, 1},
      {"callback after 5000 bytes", 5000, true, 20000, 1},
      {"cut after more than was sent", 50000, false, 20000, 0},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    SinkServer sink;
    std::atomic<int> called{0};
    std::function<void()> atCut;
    if (c.withCallback) atCut = [&called] { ++called; };
    TcpRelay relay(sink.port(), 0, c.cutAfter, atCut);
    SendThrough(relay.port(), 20000);
    EXPECT_EQ(sink.Received(), c.received);
    EXPECT_EQ(relay.cuts(), c.cuts);
    EXPECT_EQ(relay.connections(), 1);
    EXPECT_EQ(called.load(), c.withCallback ? 1 : 0);
  }
}

}  // namespace
}  // namespace kvtest
