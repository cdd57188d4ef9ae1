// Answers every HTTP request on a loopback port with 401 until it is killed,
// for the end-to-end runs of push and fetch without credentials. Writes the
// port to the file it is given once it listens.
#include "support/auth_wall.hpp"

#include <unistd.h>

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: auth_wall PORT_FILE\n");
    return 2;
  }
  testing_support::AuthWall wall;
  if (wall.port() == 0) return 1;
  {
    const std::string partial = std::string(argv[1]) + ".partial";
    std::ofstream(partial) << wall.port() << "\n";
    std::rename(partial.c_str(), argv[1]);
  }
  for (;;) ::pause();
}
