#include "repo/filter_drivers.hpp"

#include <algorithm>
#include <array>

#include "repo/git_cli.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

using ConfigIteratorPtr = GitPtr<git_config_iterator, git_config_iterator_free>;

constexpr std::array<std::string_view, 3> kCommands = {"clean", "smudge", "process"};

// The driver name of a key "filter.<name>.<variable>" for the variables that
// make a driver; the name may hold dots. The library gives the section and
// the variable in lower case, the name as written.
std::optional<std::string> driver_name(std::string_view key) {
  constexpr std::string_view prefix = "filter.";
  const std::size_t dot = key.rfind('.');
  if (!key.starts_with(prefix) || dot == std::string_view::npos || dot <= prefix.size()) return std::nullopt;
  const std::string_view variable = key.substr(dot + 1);
  if (variable != "required" && std::find(kCommands.begin(), kCommands.end(), variable) == kCommands.end())
    return std::nullopt;
  return std::string(key.substr(prefix.size(), dot - prefix.size()));
}

// As git decides: an empty command runs nothing, and the last value set wins.
bool driver_applies(git_config* config, const std::string& name) {
  const std::string key = "filter." + name + ".";
  for (std::string_view command : kCommands) {
    GitBuf value;
    if (git_config_get_string_buf(&value.buf, config, (key + std::string(command)).c_str()) != 0) {
      git_error_clear();
    } else if (!value.view().empty()) {
      return true;
    }
  }
  return config_true(config, (key + "required").c_str());
}

// Settings that change how git writes a patch, pinned so that the library
// reads it back: paths unquoted but for control characters, empty context
// lines with their blank, the a/ and b/ prefixes, no colours, no outside
// diff programs or text conversions; and the library's context of three
// lines, whatever diff.context says.
std::vector<std::string> diff_args(std::initializer_list<std::string_view> extra,
                                   const std::vector<std::string>& paths) {
  std::vector<std::string> args{"--literal-pathspecs",
                                "-c",
                                "core.quotePath=false",
                                "-c",
                                "diff.suppressBlankEmpty=false",
                                "diff",
                                "--no-color",
                                "--no-ext-diff",
                                "--no-textconv",
                                "--no-relative"};
  args.insert(args.end(), extra.begin(), extra.end());
  args.emplace_back("--");
  args.insert(args.end(), paths.begin(), paths.end());
  return args;
}

// The patch of each file, cut at its "diff --git" line: no line of a hunk
// begins with it, since each begins with its origin.
std::vector<std::string_view> file_patches(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (pos != start && text.substr(pos).starts_with("diff --git ")) {
      out.push_back(text.substr(start, pos - start));
      start = pos;
    }
    const std::size_t end = text.find('\n', pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
  }
  if (start < text.size()) out.push_back(text.substr(start));
  return out;
}

std::unexpected<std::string> git_error(const GitFailure& failure) { return std::unexpected(failure.message); }

}  // namespace

FilterDrivers FilterDrivers::read(git_repository* repo) {
  FilterDrivers drivers;
  git_config* config_raw = nullptr;
  if (git_repository_config_snapshot(&config_raw, repo) != 0) {
    git_error_clear();
    return drivers;
  }
  ConfigPtr config(config_raw);
  // Every entry, matched here: the library's pattern iterator loses memory
  // on each entry that does not match.
  git_config_iterator* iter_raw = nullptr;
  if (git_config_iterator_new(&iter_raw, config.get()) != 0) {
    git_error_clear();
    return drivers;
  }
  ConfigIteratorPtr iter(iter_raw);
  std::set<std::string, std::less<>> seen;
  git_config_entry* entry = nullptr;
  while (git_config_next(&entry, iter.get()) == 0) {
    if (auto name = driver_name(entry->name)) seen.insert(std::move(*name));
  }
  git_error_clear();
  for (const auto& name : seen)
    if (driver_applies(config.get(), name)) drivers.names_.insert(name);
  return drivers;
}

std::optional<std::string> FilterDrivers::driver_for(git_repository* repo, const std::string& path) const {
  if (names_.empty()) return std::nullopt;
  const char* value = nullptr;
  if (git_attr_get(&value, repo, GIT_ATTR_CHECK_FILE_THEN_INDEX, path.c_str(), "filter") != 0) {
    git_error_clear();
    return std::nullopt;
  }
  // Set without a value, unset or unspecified: no driver.
  if (git_attr_value(value) != GIT_ATTR_VALUE_STRING) return std::nullopt;
  auto found = names_.find(std::string_view(value));
  if (found == names_.end()) return std::nullopt;
  return *found;
}

std::optional<std::string> filter_driver_at(git_repository* repo, const std::string& path) {
  return FilterDrivers::read(repo).driver_for(repo, path);
}

std::optional<HunksByPath> git_worktree_hunks(const std::string& work_dir,
                                              const std::vector<std::string>& paths) {
  if (paths.empty()) return HunksByPath{};
  auto out = run_git_output(
      diff_args({"--src-prefix=a/", "--dst-prefix=b/", "-U3", "--inter-hunk-context=0"}, paths), work_dir);
  if (!out) return std::nullopt;
  const std::set<std::string_view> asked(paths.begin(), paths.end());
  HunksByPath hunks;
  for (std::string_view patch : file_patches(*out)) {
    git_diff* raw = nullptr;
    if (git_diff_from_buffer(&raw, patch.data(), patch.size()) != 0) {
      git_error_clear();
      return std::nullopt;
    }
    DiffPtr diff(raw);
    const git_diff_delta* delta =
        git_diff_num_deltas(diff.get()) == 1 ? git_diff_get_delta(diff.get(), 0) : nullptr;
    const char* p = delta == nullptr       ? nullptr
                    : delta->new_file.path ? delta->new_file.path
                                           : delta->old_file.path;
    // A path read back otherwise than asked would hide the file's change.
    if (p == nullptr || !asked.contains(p)) return std::nullopt;
    Repo::DiffHunks got = Repo::extract_hunks_from_diff(diff.get());
    // A type change comes as two patches of one path.
    Repo::DiffHunks& into = hunks[p];
    into.hunks.insert(into.hunks.end(), std::make_move_iterator(got.hunks.begin()),
                      std::make_move_iterator(got.hunks.end()));
    into.additions += got.additions;
    into.deletions += got.deletions;
  }
  return hunks;
}

bool git_sees_worktree_change(const std::string& work_dir, const std::vector<std::string>& paths) {
  if (paths.empty()) return false;
  auto out = run_git_output(diff_args({"--name-only", "-z"}, paths), work_dir);
  return !out || !out->empty();
}

std::expected<void, std::string> add_with_git(const std::string& work_dir, const std::string& path,
                                              const std::string& driver) {
  // Required for this run: a filter that fails then fails the add, the
  // index entry kept, where git would take the work-tree text uncleaned.
  auto run = run_git({"--literal-pathspecs", "-c", "filter." + driver + ".required=true", "add", "--", path},
                     work_dir);
  if (!run) return git_error(run.error());
  return {};
}

}  // namespace repo
