#include "repo/log_walk.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <queue>
#include <thread>
#include <unordered_set>

#include "repo/git_cli.hpp"
#include "repo/git_handle.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

using ReferenceIteratorPtr = GitPtr<git_reference_iterator, git_reference_iterator_free>;

// A list this long is read by several threads, each with its own handle.
constexpr std::size_t kParallelReadFrom = 20'000;
// More readers than this only wait for one another inside the library.
constexpr unsigned kMaxReaders = 2;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string prefix_of(std::string_view refname) {
  return refname.starts_with("refs/remotes/") ? "Failed to push remotes: " : "Failed to push branches: ";
}

std::expected<void, std::string> add_tips(git_repository* repo, const char* glob, const char* prefix,
                                          std::vector<std::pair<std::string, Oid>>& tips) {
  git_reference_iterator* raw = nullptr;
  if (git_reference_iterator_glob_new(&raw, repo, glob) != 0)
    return std::unexpected(prefix + last_git_error());
  ReferenceIteratorPtr iter(raw);
  for (;;) {
    git_reference* ref_raw = nullptr;
    const int rc = git_reference_next(&ref_raw, iter.get());
    if (rc == GIT_ITEROVER) break;
    if (rc != 0) return std::unexpected(prefix + last_git_error());
    ReferencePtr ref(ref_raw);
    const std::string name = git_reference_name(ref.get());
    if (git_reference_type(ref.get()) == GIT_REFERENCE_DIRECT) {
      tips.emplace_back(name, to_oid(git_reference_target(ref.get())));
      continue;
    }
    git_reference* resolved_raw = nullptr;
    const int resolved = git_reference_resolve(&resolved_raw, ref.get());
    ReferencePtr target(resolved_raw);
    // A remote HEAD left behind when its branch was pruned points nowhere;
    // git passes over it without a word, and so does the log.
    if (resolved == GIT_ENOTFOUND) continue;
    if (resolved != 0) return std::unexpected(prefix + last_git_error());
    tips.emplace_back(name, to_oid(git_reference_target(target.get())));
  }
  return {};
}

// One id a line, nothing else.
std::optional<std::vector<git_oid>> parse_ids(std::string_view out, std::uint64_t wanted) {
  std::vector<git_oid> ids;
  while (!out.empty() && ids.size() < wanted) {
    const std::size_t lf = out.find('\n');
    const std::string_view line = out.substr(0, lf);
    git_oid id;
    if (line.size() != GIT_OID_HEXSZ || git_oid_fromstrn(&id, line.data(), line.size()) != 0)
      return std::nullopt;
    ids.push_back(id);
    if (lf == std::string_view::npos) break;
    out.remove_prefix(lf + 1);
  }
  return ids;
}

bool read_range(git_repository* repo, const std::vector<git_oid>& ids, std::size_t from, std::size_t to,
                std::vector<Commit>& out) {
  for (std::size_t i = from; i < to; ++i) {
    git_commit* raw = nullptr;
    if (git_commit_lookup(&raw, repo, &ids[i]) != 0) return false;
    CommitPtr commit(raw);
    out[i] = commit_record(commit.get());
  }
  return true;
}

// What the walk knows of one commit it has read.
struct Node {
  Commit commit;
  std::size_t first_edge = 0;  // its parents that were read, in `edges`
  std::uint32_t edge_count = 0;
  std::uint32_t children = 0;  // edges from read commits not yet emitted
};

// Ready commits come out newest commit time first; among equal times, the
// one that became ready first.
struct Ready {
  std::int64_t time;
  std::uint64_t order;
  std::uint32_t node;
  bool operator<(const Ready& o) const { return time != o.time ? time < o.time : order > o.order; }
};

// The node number of every id read so far: open addressing with linear
// probing, at most half full, so a long history costs no allocation per
// commit.
class NodeNumbers {
 public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  explicit NodeNumbers(const std::deque<Node>& nodes) : nodes_(nodes), slots_(1u << 12, kNone) {}

  std::uint32_t find(const Oid& id) const {
    for (std::size_t s = slot_of(id);; s = (s + 1) & (slots_.size() - 1)) {
      const std::uint32_t n = slots_[s];
      if (n == kNone || nodes_[n].commit.id == id) return n;
    }
  }

  // The node must already be in the list.
  void add(std::uint32_t n) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place(n);
    ++count_;
  }

 private:
  std::size_t slot_of(const Oid& id) const {
    std::uint64_t h;
    std::memcpy(&h, id.bytes.data() + 4, sizeof h);
    return static_cast<std::size_t>(h * 0x9E3779B97F4A7C15ull >> 20) & (slots_.size() - 1);
  }
  void place(std::uint32_t n) {
    std::size_t s = slot_of(nodes_[n].commit.id);
    while (slots_[s] != kNone) s = (s + 1) & (slots_.size() - 1);
    slots_[s] = n;
  }
  void grow() {
    std::vector<std::uint32_t> old(slots_.size() * 2, kNone);
    old.swap(slots_);
    for (std::uint32_t n : old)
      if (n != kNone) place(n);
  }

  const std::deque<Node>& nodes_;
  std::vector<std::uint32_t> slots_;
  std::size_t count_ = 0;
};

std::unordered_set<Oid, OidHash> shallow_boundary(const std::string& shallow) {
  std::unordered_set<Oid, OidHash> out;
  std::string_view rest(shallow);
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    if (auto id = Oid::from_hex(utils::trim_ascii_space(rest.substr(0, lf)))) out.insert(*id);
    if (lf == std::string_view::npos) break;
    rest.remove_prefix(lf + 1);
  }
  return out;
}

}  // namespace

Commit commit_record(const git_commit* commit) {
  Commit c;
  c.id = to_oid(git_commit_id(commit));
  const unsigned parents = git_commit_parentcount(commit);
  c.parent_ids.reserve(parents);
  for (unsigned i = 0; i < parents; ++i) c.parent_ids.push_back(to_oid(git_commit_parent_id(commit, i)));
  // The summary is computed once and kept by the commit object, which is
  // why the object cannot be const here.
  c.summary = utils::utf8_or_empty(git_commit_summary(const_cast<git_commit*>(commit)));
  const git_signature* author = git_commit_author(commit);
  c.author = utils::utf8_or_empty(author ? author->name : nullptr);
  c.time = static_cast<std::int64_t>(git_commit_time(commit));
  return c;
}

std::expected<LoadKey, std::string> read_load_key(git_repository* repo, std::optional<std::uint64_t> limit) {
  LoadKey key;
  key.limit = limit;
  if (auto added = add_tips(repo, "refs/heads/*", "Failed to push branches: ", key.tips); !added)
    return std::unexpected(added.error());
  if (auto added = add_tips(repo, "refs/remotes/*", "Failed to push remotes: ", key.tips); !added)
    return std::unexpected(added.error());
  std::sort(key.tips.begin(), key.tips.end());
  key.head = Repo::get_head(repo);
  const std::string common = git_repository_commondir(repo);
  key.shallow = read_file(common + "shallow");
  key.grafts = read_file(common + "info/grafts");
  return key;
}

bool has_commit_graph(git_repository* repo) {
  GitBuf objects;
  if (git_repository_item_path(&objects.buf, repo, GIT_REPOSITORY_ITEM_OBJECTS) != 0) return false;
  const std::string dir(objects.view());
  std::error_code ec;
  return std::filesystem::exists(dir + "info/commit-graph", ec) ||
         std::filesystem::exists(dir + "info/commit-graphs/commit-graph-chain", ec);
}

std::optional<Oid> detached_head_tip(const LoadKey& key) {
  const auto* detached = std::get_if<HeadDetached>(&key.head);
  // The all-zero id stands for a HEAD that cannot be read.
  if (!detached || detached->id == Oid::zero()) return std::nullopt;
  return detached->id;
}

std::optional<std::vector<git_oid>> list_with_git(git_repository* repo, const LoadKey& key,
                                                  std::uint64_t wanted) {
  // Branches and remotes by kind, never by name: a short name that is also
  // a tag would stand for the tag. Without replace objects and grafts git
  // sees the parents the library sees.
  std::vector<std::string> args{"--no-replace-objects", "rev-list", "--date-order", "--branches",
                                "--remotes"};
  // HEAD by the id the key holds, not by name: HEAD may have moved since.
  if (auto head = detached_head_tip(key)) args.push_back(head->hex());
  // -n is read as a C int; above that git would print nothing at all.
  if (wanted <= static_cast<std::uint64_t>(INT_MAX)) args.push_back("-n" + std::to_string(wanted));
  const char* dir = git_repository_path(repo);
  auto out = run_git_output(args, dir, {{"GIT_GRAFT_FILE", "/dev/null"}});
  if (!out) return std::nullopt;
  return parse_ids(*out, wanted);
}

std::optional<std::vector<Commit>> read_commits(git_repository* repo, const std::vector<git_oid>& ids) {
  std::vector<Commit> out(ids.size());
  const unsigned readers =
      ids.size() < kParallelReadFrom ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, kMaxReaders);
  if (readers == 1) {
    if (!read_range(repo, ids, 0, ids.size(), out)) return std::nullopt;
    return out;
  }
  const std::string path = git_repository_path(repo);
  std::vector<char> done(readers, 0);
  std::vector<std::thread> threads;
  const std::size_t share = (ids.size() + readers - 1) / readers;
  try {
    for (unsigned t = 1; t < readers; ++t) {
      threads.emplace_back([&, t] {
        auto own = open_repository(path);
        const std::size_t from = std::min(ids.size(), t * share);
        done[t] = own && read_range(own->get(), ids, from, std::min(ids.size(), from + share), out);
      });
    }
  } catch (const std::system_error&) {
    // No thread to spare: this one reads what the missing ones would have.
    for (unsigned t = static_cast<unsigned>(threads.size()) + 1; t < readers; ++t) {
      const std::size_t from = std::min(ids.size(), t * share);
      done[t] = read_range(repo, ids, from, std::min(ids.size(), from + share), out);
    }
  }
  done[0] = read_range(repo, ids, 0, std::min(ids.size(), share), out);
  for (std::thread& thread : threads) thread.join();
  if (std::find(done.begin(), done.end(), 0) != done.end()) return std::nullopt;
  return out;
}

std::expected<LogLoad, std::string> walk_log(git_repository* repo, const LoadKey& key, std::uint64_t wanted) {
  const std::unordered_set<Oid, OidHash> boundary = shallow_boundary(key.shallow);
  std::deque<Node> nodes;  // grows without moving what it holds
  NodeNumbers numbers(nodes);
  std::vector<std::uint32_t> edges;
  std::optional<Oid> unreadable;
  std::vector<std::uint32_t> pending;  // read, parents not yet looked at

  auto add = [&](git_commit* raw) {
    CommitPtr commit(raw);
    const auto n = static_cast<std::uint32_t>(nodes.size());
    nodes.push_back(Node{commit_record(commit.get())});
    numbers.add(n);
    pending.push_back(n);
  };

  // Adds the commit a tip names; false when the tip's object cannot be read.
  auto add_tip = [&](const Oid& id) {
    if (numbers.find(id) != NodeNumbers::kNone) return true;
    const git_oid oid = to_git_oid(id);
    git_object* object_raw = nullptr;
    if (git_object_lookup(&object_raw, repo, &oid, GIT_OBJECT_ANY) != 0) return false;
    ObjectPtr object(object_raw);
    git_object* peeled = nullptr;
    // A tip that names no commit (a tree, say) adds nothing to the log.
    if (git_object_peel(&peeled, object.get(), GIT_OBJECT_COMMIT) != 0) return true;
    if (numbers.find(to_oid(git_object_id(peeled))) != NodeNumbers::kNone)
      git_object_free(peeled);
    else
      add(reinterpret_cast<git_commit*>(peeled));
    return true;
  };
  for (const auto& [name, id] : key.tips)
    if (!add_tip(id)) return std::unexpected(prefix_of(name) + last_git_error());
  // A detached HEAD whose commit is gone still leaves the branches' history
  // to show.
  if (auto head = detached_head_tip(key); head && !add_tip(*head)) unreadable = *head;

  while (!pending.empty()) {
    const std::uint32_t n = pending.back();
    pending.pop_back();
    nodes[n].first_edge = edges.size();
    if (boundary.contains(nodes[n].commit.id)) continue;
    for (const Oid& parent : nodes[n].commit.parent_ids) {
      std::uint32_t m = numbers.find(parent);
      if (m == NodeNumbers::kNone) {
        const git_oid oid = to_git_oid(parent);
        git_commit* raw = nullptr;
        if (git_commit_lookup(&raw, repo, &oid) != 0) {
          if (!unreadable) unreadable = parent;
          continue;
        }
        m = static_cast<std::uint32_t>(nodes.size());
        add(raw);
      }
      edges.push_back(m);
      ++nodes[n].edge_count;
      ++nodes[m].children;
    }
  }

  std::priority_queue<Ready> ready;
  std::uint64_t order = 0;
  for (std::uint32_t n = 0; n < nodes.size(); ++n)
    if (nodes[n].children == 0) ready.push({nodes[n].commit.time, order++, n});

  LogLoad load;
  load.commits.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, nodes.size())));
  while (!ready.empty() && load.commits.size() < wanted) {
    const std::uint32_t n = ready.top().node;
    ready.pop();
    for (std::size_t e = nodes[n].first_edge; e < nodes[n].first_edge + nodes[n].edge_count; ++e) {
      const std::uint32_t m = edges[e];
      if (--nodes[m].children == 0) ready.push({nodes[m].commit.time, order++, m});
    }
    load.commits.push_back(std::move(nodes[n].commit));
  }
  if (unreadable) load.cut_short = "history cut short: commit " + unreadable->short_hex() + " cannot be read";
  return load;
}

}  // namespace repo
