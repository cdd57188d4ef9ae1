#pragma once
// The log search prepared once for a pass over the whole log.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repo/commit.hpp"

namespace repo {

// One query made ready for a pass over many commits: matching a commit with
// it gives exactly Commit::matches with the same query, branch map and HEAD,
// but the query's case, the branch names it finds and whether any date text
// could hold it are settled once, not for every commit, so a pass over a
// long log stays well under a frame.
class LogSearch {
 public:
  LogSearch(std::string_view query, const BranchMap& branches, const Oid& head);

  bool matches(const Commit& commit) const;

 private:
  bool found(std::string_view field) const;
  bool year_could_hold(std::int64_t time) const;

  std::string needle_;  // lower-cased unless the query is mixed case
  bool exact_ = false;
  bool empty_ = true;
  bool date_possible_ = false;   // some date text could hold the query
  bool year_only_ = false;       // only the year could
  std::vector<Oid> named_tips_;  // sorted tips of the branches whose name holds the query
};

}  // namespace repo
