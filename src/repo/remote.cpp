#include <string_view>
#include <unordered_set>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

struct RemoteAddress {
  std::string host;
  std::string path;
};

// Host and path of the two URL forms understood, "git@host:path" and
// "https://host/path". A user name or token before the host never leaves
// here: the page address goes to a browser, and a token's own name (such
// as "gitlab-ci-token") must not decide the service.
std::optional<RemoteAddress> split_url(std::string_view url) {
  if (url.size() < 4) return std::nullopt;
  std::string_view host, path;
  if (url.starts_with("git@")) {
    const std::string_view rest = url.substr(4);
    const auto colon = rest.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, colon);
    path = rest.substr(colon + 1);
  } else if (url.size() >= 8 && url.starts_with("https://")) {
    const std::string_view rest = url.substr(8);
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, slash);
    path = rest.substr(slash + 1);
  } else {
    return std::nullopt;
  }
  if (const auto at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
  return RemoteAddress{std::string(host), std::string(path)};
}

// What the queries need of "origin", read from the configuration as
// git_remote_lookup reads it. The lookup itself is not used: libgit2 1.5
// leaks a match buffer of its regular-expression engine for every
// configuration entry the lookup scans, and the hotkey panel asks on every
// frame.
struct Origin {
  bool exists = false;
  std::optional<std::string> url;  // with url.<base>.insteadOf applied
};

std::optional<std::string> config_value(git_config* config, const char* name) {
  git_config_entry* entry = nullptr;
  if (git_config_get_entry(&entry, config, name) != 0) return std::nullopt;
  std::optional<std::string> value;
  if (entry->value != nullptr) value = entry->value;
  git_config_entry_free(entry);
  return value;
}

// The longest url.<base>.insteadOf value that begins the URL is replaced by
// its base.
std::string apply_instead_of(git_config* config, const std::string& url) {
  git_config_iterator* raw = nullptr;
  if (git_config_iterator_new(&raw, config) != 0) return url;
  GitPtr<git_config_iterator, git_config_iterator_free> iter(raw);
  constexpr std::string_view prefix = "url.", suffix = ".insteadof";
  std::size_t matched = 0;
  std::string base;
  git_config_entry* entry = nullptr;
  while (git_config_next(&entry, iter.get()) == 0) {
    const std::string_view name(entry->name);
    if (entry->value == nullptr || name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
      continue;
    const std::string_view value(entry->value);
    if (value.size() <= matched || !std::string_view(url).starts_with(value)) continue;
    matched = value.size();
    base = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  }
  return matched == 0 ? url : base + url.substr(matched);
}

Origin read_origin(const std::string& repo_path) {
  Origin origin;
  auto repo = open_repository(repo_path);
  if (!repo) return origin;
  git_config* raw = nullptr;
  if (git_repository_config_snapshot(&raw, repo->get()) != 0) return origin;
  ConfigPtr config(raw);
  const auto url = config_value(config.get(), "remote.origin.url");
  origin.exists = url || config_value(config.get(), "remote.origin.pushurl");
  if (url && !url->empty()) origin.url = apply_instead_of(config.get(), *url);
  return origin;
}

std::optional<RemoteAddress> origin_address(const std::string& repo_path) {
  const Origin origin = read_origin(repo_path);
  if (!origin.url || !utils::is_valid_utf8(*origin.url)) return std::nullopt;
  return split_url(*origin.url);
}

}  // namespace

bool Repo::has_remote() const { return read_origin(path).exists; }

std::optional<std::string> Repo::commit_url(const Oid& id) const {
  auto address = origin_address(path);
  if (!address) return std::nullopt;
  std::string_view project = address->path;
  if (project.size() >= 4 && project.ends_with(".git")) project.remove_suffix(4);
  const std::string& host = address->host;
  const char* suffix = host.find("gitlab") != std::string::npos      ? "/-/commit/"
                       : host.find("bitbucket") != std::string::npos ? "/commits/"
                                                                     : "/commit/";
  return "https://" + host + "/" + std::string(project) + suffix + id.hex();
}

std::optional<std::string> Repo::remote_host_name() const {
  auto address = origin_address(path);
  if (!address) return std::nullopt;
  if (address->host.find("gitlab") != std::string::npos) return "gitlab";
  if (address->host.find("bitbucket") != std::string::npos) return "bitbucket";
  return "github";
}

bool Repo::is_ancestor_of_head(const Oid& id) const {
  const Oid head_id = head_sha();
  // An unreadable HEAD has no ancestors, not even the all-zero id.
  if (head_id.is_zero()) return false;
  if (id == head_id) return true;
  auto repo = open_repository(path);
  if (!repo) return false;
  const git_oid descendant = to_git_oid(head_id);
  const git_oid ancestor = to_git_oid(id);
  return git_graph_descendant_of(repo->get(), &descendant, &ancestor) == 1;
}

bool Repo::is_ancestor_of_head_at(std::size_t position) const {
  if (position >= commits.size()) return false;
  if (head_history.size() == commits.size()) return head_history[position];
  return is_ancestor_of_head(commits[position].id);
}

bool Repo::commit_is_on_remote(std::size_t position) const {
  if (commits.empty()) return false;
  std::unordered_set<Oid> tips;
  for (const auto& [branch, tip] : branches)
    if (branch.name.find('/') != std::string::npos) tips.insert(tip);
  if (tips.empty()) return false;
  // A tip first listed at or above the position is one listed among the
  // first position + 1 entries, so the rest of the log is never scanned.
  const std::size_t end = position < commits.size() ? position + 1 : commits.size();
  for (std::size_t i = 0; i < end; ++i)
    if (tips.contains(commits[i].id)) return true;
  return false;
}

}  // namespace repo
