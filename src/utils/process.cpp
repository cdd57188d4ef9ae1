#include "utils/process.hpp"
#include "utils/fd.hpp"

#include "utils/temp_file.hpp"
#include "utils/text.hpp"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace utils {
namespace {

struct Pipe {
  Fd read, write;
  bool open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read.fd = fds[0];
    write.fd = fds[1];
    return true;
  }
};

// A file without a name in the temporary directory, gone once the last
// descriptor of it closes.
int unnamed_file() {
  const std::string dir = temp_directory();
  int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return fd;
  // A file system without O_TMPFILE: a fresh name, removed at once.
  std::string name = dir + "/tarnwick-output-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

// The whole of a file written through another descriptor, from its start.
std::string read_back(int fd) {
  std::string out;
  char buf[65536];
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(fd, buf, sizeof buf, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return out;
    out.append(buf, static_cast<std::size_t>(got));
    at += got;
  }
}

struct FileActions {
  posix_spawn_file_actions_t actions;
  FileActions() { posix_spawn_file_actions_init(&actions); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
};

struct SpawnAttr {
  posix_spawnattr_t attr;
  SpawnAttr() { posix_spawnattr_init(&attr); }
  ~SpawnAttr() { posix_spawnattr_destroy(&attr); }
};

std::vector<std::string> child_environment(const ProcessOptions& options) {
  std::vector<std::string> env;
  auto name_of = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  auto dropped = [&](std::string_view name) {
    return std::ranges::find(options.unset_env, name) != options.unset_env.end() ||
           std::ranges::any_of(options.set_env, [&](const auto& kv) { return kv.first == name; });
  };
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string_view entry(*e);
    if (!dropped(name_of(entry))) env.emplace_back(entry);
  }
  for (const auto& [name, value] : options.set_env) env.push_back(name + "=" + value);
  return env;
}

// Writes to a pipe whose reader may be gone must not raise SIGPIPE in this
// process: block it on this thread and swallow any that became pending.
struct SigpipeGuard {
  sigset_t old;
  bool was_pending = false;
  SigpipeGuard() {
    sigset_t pipe_set, pending;
    sigemptyset(&pipe_set);
    sigaddset(&pipe_set, SIGPIPE);
    sigpending(&pending);
    was_pending = sigismember(&pending, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_set, &old);
  }
  ~SigpipeGuard() {
    if (!was_pending) {
      sigset_t pipe_set, pending;
      sigemptyset(&pipe_set);
      sigaddset(&pipe_set, SIGPIPE);
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE)) {
        timespec zero{0, 0};
        sigtimedwait(&pipe_set, nullptr, &zero);
      }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
  }
};

// Ignores interrupt and quit in this process for as long as it lives, so a
// key typed at the child does not end the program behind it.
struct IgnoreTerminalSignals {
  struct ::sigaction old_int {}, old_quit {};
  IgnoreTerminalSignals() {
    struct ::sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGINT, &ignore, &old_int);
    ::sigaction(SIGQUIT, &ignore, &old_quit);
  }
  ~IgnoreTerminalSignals() {
    ::sigaction(SIGINT, &old_int, nullptr);
    ::sigaction(SIGQUIT, &old_quit, nullptr);
  }
};

struct Argv {
  std::vector<std::string> env, args;
  std::vector<char*> envp, argp;
  Argv(const std::vector<std::string>& argv, const ProcessOptions& options)
      : env(child_environment(options)), args(argv) {
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (auto& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
  }
};

void set_child_signals(SpawnAttr& sa, short extra_flags) {
  sigset_t defaults, empty;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  sigemptyset(&empty);
  posix_spawnattr_setsigdefault(&sa.attr, &defaults);
  posix_spawnattr_setsigmask(&sa.attr, &empty);
  posix_spawnattr_setflags(&sa.attr, static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | extra_flags));
}

std::expected<int, std::string> wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::unexpected(os_error_text(errno));
  }
  return status;
}

void take_status(int status, ProcessResult& result) {
  if (WIFEXITED(status))
    result.exit_code = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    result.signal = WTERMSIG(status);
}

// Starts the child with the file actions given; the working directory,
// environment, signals and session as the options say.
std::expected<pid_t, std::string> spawn(const std::vector<std::string>& argv, const ProcessOptions& options,
                                        FileActions& fa, bool new_session) {
  if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&fa.actions, options.cwd.c_str());
  SpawnAttr sa;
  set_child_signals(sa, new_session ? POSIX_SPAWN_SETSID : 0);
  Argv command(argv, options);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, command.argp[0], &fa.actions, &sa.attr, command.argp.data(),
                              command.envp.data());
  if (rc != 0) return std::unexpected(os_error_text(rc));
  return pid;
}

std::expected<ProcessResult, std::string> wait_for_result(pid_t pid) {
  auto status = wait_for(pid);
  if (!status) return std::unexpected(status.error());
  ProcessResult result;
  take_status(*status, result);
  return result;
}

std::expected<ProcessResult, std::string> run_in_terminal(const std::vector<std::string>& argv,
                                                          const ProcessOptions& options) {
  FileActions fa;
  IgnoreTerminalSignals ignore;
  auto pid = spawn(argv, options, fa, false);
  if (!pid) return std::unexpected(pid.error());
  return wait_for_result(*pid);
}

}  // namespace

std::expected<ProcessResult, std::string> run_process(const std::vector<std::string>& argv,
                                                      const ProcessOptions& options) {
  if (argv.empty()) return std::unexpected(os_error_text(EINVAL));
  if (options.inherit_terminal) return run_in_terminal(argv, options);

  const bool to_files = options.output_to_files && !options.discard_output;
  const bool piped = !options.discard_output && !to_files;
  Pipe out, err, in;
  if (piped && (!out.open() || !err.open())) return std::unexpected(os_error_text(errno));
  Fd out_file, err_file;
  if (to_files) {
    out_file.fd = unnamed_file();
    if (out_file.fd < 0) return std::unexpected(os_error_text(errno));
    err_file.fd = unnamed_file();
    if (err_file.fd < 0) return std::unexpected(os_error_text(errno));
  }
  if (options.input && !in.open()) return std::unexpected(os_error_text(errno));
  Fd devnull;
  if (!options.input || options.discard_output) {
    devnull.fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devnull.fd < 0) return std::unexpected(os_error_text(errno));
  }

  FileActions fa;
  posix_spawn_file_actions_adddup2(&fa.actions, options.input ? in.read.fd : devnull.fd, 0);
  const int out_fd = to_files ? out_file.fd : piped ? out.write.fd : devnull.fd;
  const int err_fd = to_files ? err_file.fd : piped ? err.write.fd : devnull.fd;
  posix_spawn_file_actions_adddup2(&fa.actions, out_fd, 1);
  posix_spawn_file_actions_adddup2(&fa.actions, err_fd, 2);
  auto pid = spawn(argv, options, fa, options.new_session);
  out.write.reset();
  err.write.reset();
  in.read.reset();
  devnull.reset();
  if (!pid) return std::unexpected(pid.error());

  ProcessResult result;
  SigpipeGuard guard;
  std::string_view pending_input = options.input ? std::string_view(*options.input) : std::string_view();
  if (options.input && pending_input.empty()) in.write.reset();
  if (in.write.fd >= 0) ::fcntl(in.write.fd, F_SETFL, ::fcntl(in.write.fd, F_GETFL) | O_NONBLOCK);

  char buf[65536];
  while (out.read.fd >= 0 || err.read.fd >= 0 || (!piped && in.write.fd >= 0)) {
    pollfd fds[3];
    int n = 0;
    int out_i = -1, err_i = -1, in_i = -1;
    if (out.read.fd >= 0) out_i = n, fds[n++] = {out.read.fd, POLLIN, 0};
    if (err.read.fd >= 0) err_i = n, fds[n++] = {err.read.fd, POLLIN, 0};
    if (in.write.fd >= 0) in_i = n, fds[n++] = {in.write.fd, POLLOUT, 0};
    if (::poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    auto drain = [&](int index, Fd& fd, std::string& sink) {
      if (index < 0 || fds[index].revents == 0) return;
      ssize_t got = ::read(fd.fd, buf, sizeof buf);
      if (got > 0)
        sink.append(buf, static_cast<std::size_t>(got));
      else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        fd.reset();
    };
    drain(out_i, out.read, result.out);
    drain(err_i, err.read, result.err);
    if (in_i >= 0 && fds[in_i].revents != 0) {
      ssize_t put = ::write(in.write.fd, pending_input.data(), pending_input.size());
      if (put > 0) pending_input.remove_prefix(static_cast<std::size_t>(put));
      if ((put < 0 && errno != EINTR && errno != EAGAIN) || pending_input.empty()) in.write.reset();
    }
  }
  in.write.reset();

  auto status = wait_for(*pid);
  if (!status) return std::unexpected(status.error());
  take_status(*status, result);
  if (to_files) {
    result.out = read_back(out_file.fd);
    result.err = read_back(err_file.fd);
  }
  return result;
}

std::expected<int, std::string> start_process(const std::vector<std::string>& argv,
                                              const ProcessOptions& options) {
  if (argv.empty()) return std::unexpected(os_error_text(EINVAL));
  Fd devnull(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (devnull.fd < 0) return std::unexpected(os_error_text(errno));
  FileActions fa;
  for (int target = 0; target <= 2; ++target) posix_spawn_file_actions_adddup2(&fa.actions, devnull.fd, target);
  return spawn(argv, options, fa, options.new_session);
}

std::expected<ProcessResult, std::string> wait_process(int pid) { return wait_for_result(pid); }

}  // namespace utils
