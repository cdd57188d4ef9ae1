#pragma once
// The log model: commits, branch names, HEAD.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "commit_graph/oid.hpp"

namespace repo {

using commit_graph::Oid;
using commit_graph::OidHash;

struct BranchName {
  std::string name;
  friend bool operator==(const BranchName&, const BranchName&) = default;
};

struct BranchNameHash {
  std::size_t operator()(const BranchName& b) const noexcept { return std::hash<std::string>{}(b.name); }
};

using BranchMap = std::unordered_map<BranchName, Oid, BranchNameHash>;

struct Commit {
  Oid id;
  std::vector<Oid> parent_ids;
  std::string summary;
  std::string author;
  std::int64_t time = 0;

  // The log search: whether the query occurs in the summary, short id,
  // author, date text, a branch name at this commit, or "HEAD" when this is
  // HEAD's commit. Smart case; the empty query matches nothing. A pass over
  // the whole log should use LogSearch (search.hpp), which agrees with it.
  bool matches(std::string_view query, const BranchMap& branches, const Oid& head) const;
};

struct HeadBranch {
  std::string name;
  friend bool operator==(const HeadBranch&, const HeadBranch&) = default;
};

struct HeadDetached {
  Oid id;
  friend bool operator==(const HeadDetached&, const HeadDetached&) = default;
};

// HEAD as a branch's short name or a detached id; the all-zero id stands for
// a HEAD that cannot be read.
using HeadState = std::variant<HeadBranch, HeadDetached>;

}  // namespace repo
