#pragma once
// Winsock started for the life of the object (the test servers and relays).
#include <winsock2.h>

namespace kvtest {

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
  WinsockUser(const WinsockUser&) = delete;
  WinsockUser& operator=(const WinsockUser&) = delete;
};

}  // namespace kvtest
