#pragma once
// The test's side of a pseudo-terminal.

#include <poll.h>
#include <unistd.h>

#include <string>

namespace testing_support {

// Everything written to the terminal side so far: reads until nothing more
// arrives for 50 ms.
inline std::string drain_pty(int master) {
  std::string out;
  pollfd p{master, POLLIN, 0};
  while (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
    char buf[512];
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace testing_support
