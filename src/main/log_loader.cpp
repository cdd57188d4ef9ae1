#include "main/log_loader.hpp"

#include "tui/fatal.hpp"
#include "utils/worker.hpp"

#include <algorithm>

namespace app {

std::expected<FirstScreen, repo::OpenFailure> open_first_screen(const std::string& path,
                                                                 std::optional<std::uint64_t> limit) {
  const bool all_at_once = limit && *limit <= FIRST_SCREEN_COMMITS;
  auto opened = repo::Repo::open(path, all_at_once ? limit : FIRST_SCREEN_COMMITS);
  if (!opened) return std::unexpected(std::move(opened.error()));
  FirstScreen first{std::move(*opened), false};
  repo::Repo& repo = first.repo;
  repo.limit = limit;
  if (all_at_once || !repo.has_more) return first;
  const repo::Oid head = repo.head_sha();
  first.rest_to_load = std::ranges::any_of(repo.commits, [&](const repo::Commit& c) { return c.id == head; });
  // The selection starts on HEAD's commit, further down than the first screen.
  if (!first.rest_to_load) repo.refresh();
  return first;
}

void LogLoader::request(const repo::Repo& repo) {
  if (running_)
    again_ = true;
  else
    start(repo);
}

void LogLoader::start(const repo::Repo& repo) {
  again_ = false;
  running_ = Running{utils::spawn_worker<Result>([path = repo.path, limit = repo.limit, last = repo.load_key] {
                       return repo::Repo::load_model(path, limit, last);
                     }, tui::fatal),
                     repo.model_version, std::nullopt};
}

void LogLoader::wait() {
  if (running_ && !running_->ended) running_->ended = running_->result.recv();
}

bool LogLoader::take_finished(repo::Repo& repo) {
  if (!running_) return false;
  std::optional<Result> result;
  if (running_->ended) {
    result = std::move(*running_->ended);
  } else {
    const utils::Poll polled = running_->result.try_recv(result);
    if (polled == utils::Poll::Empty) return false;
  }
  const bool current = running_->version == repo.model_version;
  running_.reset();
  bool taken = false;
  if (result && *result && current) {
    // Freeing a long log takes longer than a frame: another thread does it.
    utils::spawn_detached([old = repo.take(std::move(**result))]() mutable { old = {}; }, tui::fatal);
    taken = true;
  }
  // A load overtaken by a reload in place may have held a change that the
  // reload did not look at (one of the branch map alone): load once more.
  if (again_ || !current) start(repo);
  return taken;
}

}  // namespace app
