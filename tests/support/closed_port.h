// A TCP port on 127.0.0.1 that is bound but not listening: connecting to it is refused at
// once, as to a stopped server, and no other program can start listening on it while the
// test holds it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace duza::testing {

class ClosedPort {
 public:
  ClosedPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "cannot reserve a port";
    }
    port_ = ntohs(address.sin_port);
  }
  ~ClosedPort() {
    if (fd_ >= 0) close(fd_);
  }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  int port() const { return port_; }
  std::u16string Text() const { return Utf16FromUtf8(std::to_string(port_)); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace duza::testing
