#pragma once
// Loads of the log on a worker thread, so that no key waits for one: the
// loop keeps answering keys on the model shown and takes the new model when
// it is ready.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <utility>

#include "repo/repo.hpp"
#include "utils/channel.hpp"

namespace app {

// The commits loaded before the first frame: enough for any screen, so the
// first frame need not wait for the rest of the limit.
inline constexpr std::uint64_t FIRST_SCREEN_COMMITS = 256;

struct FirstScreen {
  repo::Repo repo;    // its limit is the one asked for
  bool rest_to_load;  // the model holds only the first screen's commits
};

// Opens the repository as Repo::open does, with the first screen's commits
// only when the limit asks for more and HEAD's commit is among them;
// otherwise with the whole limit.
std::expected<FirstScreen, repo::OpenFailure> open_first_screen(const std::string& path,
                                                                std::optional<std::uint64_t> limit);

class LogLoader {
 public:
  // A load at the repository's limit. One runs at a time: asked for while
  // one runs, it starts when that one has ended.
  void request(const repo::Repo& repo);

  // Puts the model of a finished load into the repository, unless the load
  // found nothing new, failed, or began before the model was last replaced
  // in place (a command's own reload, which is newer). Then starts the load
  // asked for meanwhile. True when the model was replaced.
  bool take_finished(repo::Repo& repo);

  // Whether a load runs or has a result not yet taken.
  bool busy() const { return running_.has_value(); }

  // Blocks until the running load has ended (tests and benchmarks).
  void wait();

  // A growth of the limit asked for while a load was under way, to be made
  // once the loader is free.
  void defer_growth() { growth_deferred_ = true; }
  bool take_deferred_growth() { return std::exchange(growth_deferred_, false); }

 private:
  void start(const repo::Repo& repo);

  using Result = std::optional<repo::LogModel>;
  struct Running {
    utils::Receiver<Result> result;
    std::uint64_t version = 0;  // the model's version when it began
    // What the load sent, once waited for; an empty outer value when its
    // worker ended without a word.
    std::optional<std::optional<Result>> ended;
  };
  std::optional<Running> running_;
  bool again_ = false;
  bool growth_deferred_ = false;
};

}  // namespace app
