#pragma once
// A TCP relay on 127.0.0.1 and a free port to a port of 127.0.0.1 that counts the connections it
// accepts and drops the first ones at once (a server that refuses a login attempt).
#include <memory>

namespace kvtest {

class TcpRelay {
 public:
  TcpRelay(unsigned short targetPort, int dropFirst);
  ~TcpRelay();
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  unsigned short port() const;
  int connections() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace kvtest
