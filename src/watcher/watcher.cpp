#include "watcher/watcher.hpp"

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "tui/fatal.hpp"
#include "utils/worker.hpp"

namespace watcher {

namespace {

using Clock = std::chrono::steady_clock;

// Changes only: opening and reading must not count, or the program's own
// reload would set off the next one.
constexpr std::uint32_t CHANGES = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

class Inotify {
 public:
  Inotify() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~Inotify() {
    if (fd_ >= 0) ::close(fd_);
  }
  Inotify(const Inotify&) = delete;
  Inotify& operator=(const Inotify&) = delete;

  bool ok() const { return fd_ >= 0; }

  // The watched directory and every directory below it. False when it, or
  // one below it that still exists, cannot be watched.
  bool watch_root(const std::string& root) {
    root_ = root;
    return watch_tree(root);
  }

  // Waits up to `timeout` (forever when negative) for events and reads all
  // that are there. False when nothing came in time.
  bool wait_and_read(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      int ms = -1;
      if (timeout.count() >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        ms = static_cast<int>(std::max<std::int64_t>(0, left.count()));
      }
      pollfd p{fd_, POLLIN, 0};
      const int n = ::poll(&p, 1, ms);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw std::system_error(errno, std::generic_category(), "poll");
      if (n == 0) return false;
      read_events();
      return true;
    }
  }

 private:
  bool watch_tree(const std::string& top) {
    std::vector<std::string> pending{top};
    bool first = true;
    while (!pending.empty()) {
      std::string dir = std::move(pending.back());
      pending.pop_back();
      // The top is taken as given (a symbolic link, even a file); below it
      // only real directories, so a link cannot lead round in a circle.
      const std::uint32_t flags = first ? CHANGES : (CHANGES | IN_ONLYDIR | IN_DONT_FOLLOW);
      const int wd = ::inotify_add_watch(fd_, dir.c_str(), flags);
      if (wd < 0) {
        // Gone since it was listed: its own deletion is an event already.
        if (!first && (errno == ENOENT || errno == ENOTDIR)) continue;
        return false;
      }
      first = false;
      list_subdirectories(dir, pending);
      dirs_[wd] = std::move(dir);
    }
    return true;
  }

  static void list_subdirectories(const std::string& dir, std::vector<std::string>& out) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    while (const dirent* e = ::readdir(d)) {
      const std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      std::string path = dir + "/" + e->d_name;
      bool is_dir = e->d_type == DT_DIR;
      if (e->d_type == DT_UNKNOWN) {
        struct stat st {};
        is_dir = ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (is_dir) out.push_back(std::move(path));
    }
    ::closedir(d);
  }

  void read_events() {
    alignas(inotify_event) char buf[64 * 1024];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // drained (EAGAIN)
      for (const char* p = buf; p < buf + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        handle(*e);
        p += sizeof(inotify_event) + e->len;
      }
    }
  }

  void handle(const inotify_event& e) {
    if (e.mask & IN_Q_OVERFLOW) {
      // Directories made while events were lost are not watched yet.
      watch_tree(root_);
      return;
    }
    if (e.mask & IN_IGNORED) {
      dirs_.erase(e.wd);
      return;
    }
    // A directory made or moved in is watched with all it already holds;
    // one that cannot be is simply not watched.
    if ((e.mask & IN_ISDIR) && (e.mask & (IN_CREATE | IN_MOVED_TO)) && e.len > 0) {
      auto it = dirs_.find(e.wd);
      if (it != dirs_.end()) watch_tree(it->second + "/" + e.name);
    }
  }

  int fd_;
  std::string root_;
  std::unordered_map<int, std::string> dirs_;
};

void run(utils::Sender<utils::Signal> changed, const std::string& git_dir) {
  Inotify inotify;
  if (!inotify.ok() || !inotify.watch_root(git_dir)) return;
  for (;;) {
    inotify.wait_and_read(std::chrono::milliseconds(-1));
    while (inotify.wait_and_read(QUIET_PERIOD)) {
    }
    // Nobody will ever listen again once the loop has let go of its end.
    if (!changed.send(utils::Signal{})) return;
  }
}

}  // namespace

utils::Receiver<utils::Signal> watch_git_dir(const std::string& repo_path) {
  auto [sender, receiver] = utils::make_channel<utils::Signal>();
  std::string git_dir = (std::filesystem::path(repo_path) / ".git").string();
  utils::spawn_detached([sender = std::move(sender), git_dir = std::move(git_dir)]() mutable {
    run(std::move(sender), git_dir);
  }, tui::fatal);
  return std::move(receiver);
}

}  // namespace watcher
