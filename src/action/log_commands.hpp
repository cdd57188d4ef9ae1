#pragma once
// The log view's commands that open no prompt: the staging view (Tab) and
// the amend view (a) over the work tree, and the ones that reach outside
// the program on the selected commit: its id to the clipboard (y), its page
// in the browser (o), and a fetch of every remote (f).

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// Tab: the staging view over the work tree's changes; a status message when
// there are none or they cannot be read.
void open_staging_view(state::State& state, const repo::Repo& repo);
// a: the staging view over HEAD's own changes, to amend it, when HEAD is
// selected and has exactly one parent.
void open_amend_view(state::State& state, const repo::Repo& repo);
// y: the selected commit's id to the clipboard.
void copy_commit_id(state::State& state, const repo::Repo& repo);
// o: the selected commit's page on the service hosting "origin".
void open_commit_page(state::State& state, const repo::Repo& repo);
// f: fetches every remote in the background, one fetch at a time.
void start_fetch(state::State& state, const repo::Repo& repo);

}  // namespace action
