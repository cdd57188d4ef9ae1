#pragma once
// Stand-in programs first on PATH, for the tests of the commands that run
// outside programs (git, tmux, the clipboard and the browser's openers).

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"

namespace testing_support {

// Scripts in a directory of their own first on PATH. Alone on it, no real
// program of the same name can be found (nor git: set the repository up
// first). Each script sets a PATH of its own for the tools it uses.
class FakePrograms {
 public:
  enum Search { Alone, BeforeSystem };
  explicit FakePrograms(Search search = Alone)
      : path_{{"PATH", search == Alone ? dir_.path() : dir_.path() + ":/usr/bin:/bin"}} {}

  // `body` runs under /bin/sh; $LOG names this program's record file.
  void add(const std::string& name, const std::string& body) {
    const std::string script = dir_.path() + "/" + name;
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nLOG='" << log_path(name) << "'\n"
                          << body << "\n";
    ::chmod(script.c_str(), 0755);
  }
  // A program that records its arguments and its input, then exits so.
  void add_recorder(const std::string& name, int status) {
    add(name, "echo \"$@\" > \"$LOG.args\"; cat > \"$LOG\"; exit " + std::to_string(status));
  }
  std::string log_path(const std::string& name) const { return dir_.path() + "/" + name + ".log"; }
  bool ran(const std::string& name) const { return std::filesystem::exists(log_path(name)); }
  // Empty while the program has not run.
  std::string log(const std::string& name) const { return read_file(log_path(name)); }
  std::string args(const std::string& name) const { return read_file(log_path(name) + ".args"); }
  const std::string& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  EnvGuard path_;
};

// git first on PATH, writing each run's arguments (and, when asked, the
// GIT_EDITOR it was given) to its log before it hands over to the real git.
// The reloads' listing of the log is not written: the tests look at the
// commands.
struct RecordedGit {
  enum Record { Arguments, ArgumentsAndEditor };
  explicit RecordedGit(Record record = Arguments) {
    const std::string line =
        record == Arguments ? "printf '%s\\n' \"$*\"" : "printf '%s [%s]\\n' \"$*\" \"${GIT_EDITOR-unset}\"";
    programs.add("git", "case \"$1 $2\" in '--no-replace-objects rev-list') ;;\n*) " + line +
                            " >> \"$LOG\" ;;\nesac\nexec git \"$@\"");
  }
  std::string calls() const { return programs.log("git"); }

  FakePrograms programs{FakePrograms::BeforeSystem};
};

}  // namespace testing_support
