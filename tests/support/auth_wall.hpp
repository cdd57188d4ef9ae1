#pragma once
// A loopback HTTP server that answers every request with 401, so that git
// wants a user name for it. Serves on a thread of its own until destroyed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace testing_support {

class AuthWall {
 public:
  AuthWall() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~AuthWall() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  AuthWall(const AuthWall&) = delete;
  AuthWall& operator=(const AuthWall&) = delete;

  // 0 when the server could not listen.
  int port() const { return port_; }
  int requests() const { return requests_; }
  std::string url(const std::string& path = "/r.git") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::string request;
      char buf[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 2000) <= 0) break;
        ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
      }
      ++requests_;
      const std::string reply =
          "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"t\"\r\n"
          "Content-Length: 0\r\nConnection: close\r\n\r\n";
      [[maybe_unused]] ssize_t w = ::write(c, reply.data(), reply.size());
      ::close(c);
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace testing_support
