#pragma once
// A TCP relay on 127.0.0.1 and a free port to a port of 127.0.0.1 that counts the connections it
// accepts and drops the first ones at once (a server that refuses a login attempt). It can also
// cut each connection once a number of bytes went through it, both directions counted (a server
// gone in the middle of a transfer): the relay ends both sides there, or, given a callback, calls
// it at that point and then goes on relaying (the callback ends the server itself).
#include <cstddef>
#include <functional>
#include <memory>

namespace kvtest {

class TcpRelay {
 public:
  TcpRelay(unsigned short targetPort, int dropFirst, std::size_t cutAfter = 0, std::function<void()> atCut = {});
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  unsigned short port() const;
  int connections() const;
  // Connections cut so far.
  int cuts() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kvtest
