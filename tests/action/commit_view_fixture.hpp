#pragma once
// The staging view over a real temporary repository, driven by keys.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "action/commit_view_lists.hpp"
#include "log_fixture.hpp"
#include "support/text.hpp"

namespace app_testing {

// path as base on main, then theirs on the branch side and ours on main;
// merging side stops on the conflict.
inline void stop_merge_on_conflict(testing_support::TempRepo& t, const std::string& path,
                                   const std::string& base, const std::string& ours,
                                   const std::string& theirs) {
  t.write(path, base).commit("base");
  t.git({"checkout", "-q", "-b", "side"});
  t.write(path, theirs).commit("side");
  t.git({"checkout", "-q", "main"});
  t.write(path, ours).commit("main");
  ASSERT_FALSE(t.git_result({"merge", "side"}).success());
}

// A repository and a session over it; open() loads the repository afresh
// and opens the staging view on it.
struct ViewRun {
  testing_support::TempRepo t;
  std::unique_ptr<testing_support::Session> s;

  void load(const std::string& path = {}) {
    auto opened = repo::Repo::open(path.empty() ? t.path() : path, 2000);
    ASSERT_TRUE(opened) << opened.error().message;
    s = std::make_unique<testing_support::Session>(std::move(*opened));
  }
  void open(const std::string& path = {}) {
    load(path);
    ASSERT_TRUE(action::open_commit_view(s->state, s->repo));
  }
  state::CommitViewState& view() { return *s->state.commit_view; }
  bool press(std::string_view keys) { return s->press(keys); }
  std::string message() const { return s->state.status_message ? s->state.status_message->text : ""; }
  std::string index_text(const std::string& path) { return t.git({"show", ":" + path}); }
};

}  // namespace app_testing
