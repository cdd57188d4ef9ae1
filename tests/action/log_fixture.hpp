#pragma once
// A log in memory, with no repository behind it, for the sessions of the
// key handlers' tests.

#include <cstddef>
#include <cstdint>
#include <string>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/session.hpp"
#include "support/temp_repo.hpp"

namespace app_testing {

// Commits "commit 0" (top) to "commit n-1", HEAD detached on the given row.
inline repo::Repo memory_log(std::size_t n, std::size_t head_row = 0) {
  repo::Repo r;
  for (std::size_t i = 0; i < n; ++i) {
    repo::Commit c;
    c.id.bytes[0] = static_cast<unsigned char>(i + 1);
    c.id.bytes[1] = static_cast<unsigned char>((i + 1) >> 8);
    c.summary = "commit " + std::to_string(i);
    c.author = "Ann";
    c.time = 1700000000 - static_cast<std::int64_t>(i) * 60;
    r.commits.push_back(c);
  }
  r.head = repo::HeadDetached{n ? r.commits[head_row].id : repo::Oid::zero()};
  return r;
}

}  // namespace app_testing
