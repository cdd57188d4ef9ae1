#include "repo/git_cli.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "utils/process.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

// What `git rev-parse --local-env-vars` lists (git 2.39), plus GIT_NAMESPACE,
// which libgit2 ignores (git would act on other refs than the ones shown),
// and the global pathspec switches, which would change what a path argument
// means.
constexpr std::array<std::string_view, 20> kScrubbed = {
    "GIT_ALTERNATE_OBJECT_DIRECTORIES",
    "GIT_CONFIG",
    "GIT_CONFIG_PARAMETERS",
    "GIT_CONFIG_COUNT",
    "GIT_OBJECT_DIRECTORY",
    "GIT_DIR",
    "GIT_WORK_TREE",
    "GIT_IMPLICIT_WORK_TREE",
    "GIT_GRAFT_FILE",
    "GIT_INDEX_FILE",
    "GIT_NO_REPLACE_OBJECTS",
    "GIT_REPLACE_REF_BASE",
    "GIT_PREFIX",
    "GIT_INTERNAL_SUPER_PREFIX",
    "GIT_SHALLOW_FILE",
    "GIT_COMMON_DIR",
    "GIT_NAMESPACE",
    "GIT_GLOB_PATHSPECS",
    "GIT_NOGLOB_PATHSPECS",
    "GIT_ICASE_PATHSPECS",
};

// git often writes something else first: the remote it talks to ("To …",
// "From …"), its progress, hints. The reason is the first line it marks as
// an error; a carriage return ends a line too, since progress rewrites its
// line with one.
std::optional<std::string_view> marked_reason(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    const std::size_t start = line.find_first_not_of(" \t");
    if (start != std::string_view::npos) {
      line.remove_prefix(start);
      if (line.starts_with("error:") || line.starts_with("fatal:") || line.starts_with('!')) return line;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return std::nullopt;
}

// Where git tells only on standard output, its verdict comes last.
std::optional<std::string_view> last_text_line(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t last = text.find_last_not_of(kBlanks);
  if (last == std::string_view::npos) return std::nullopt;
  text = text.substr(0, last + 1);
  const std::size_t start = text.find_last_of("\r\n");
  return start == std::string_view::npos ? text : text.substr(start + 1);
}

}  // namespace

bool tells_of_conflict(std::string_view error_output) {
  return error_output.find("CONFLICT") != std::string_view::npos ||
         error_output.find("could not apply") != std::string_view::npos;
}

bool GitFailure::stopped_on_conflict() const { return tells_of_conflict(error_output); }

std::span<const std::string_view> scrubbed_git_variables() { return kScrubbed; }

std::string git_failure_text(std::string_view error_output, std::string_view output) {
  if (error_output.empty()) {
    const std::string text = utils::decode_lossy(output);
    if (auto last = last_text_line(text)) return std::string(*last);
    return "unknown error";
  }
  std::string text = utils::decode_lossy(error_output);
  if (auto reason = marked_reason(text)) return std::string(*reason);
  const auto lf = text.find('\n');
  if (lf == std::string::npos) return text;
  text.resize(lf);
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

namespace {

std::expected<std::string, GitFailure> run(const std::string& program, const std::vector<std::string>& args,
                                           const std::string& repo_path, const GitEnv& added,
                                           bool to_completion) {
  std::vector<std::string> argv;
  argv.reserve(args.size() + 1);
  argv.push_back(program);
  argv.insert(argv.end(), args.begin(), args.end());

  utils::ProcessOptions options;
  options.cwd = repo_path;
  options.new_session = true;  // no controlling terminal: a prompt fails instead of reading our keys
  options.unset_env.assign(kScrubbed.begin(), kScrubbed.end());
  options.unset_env.emplace_back("SSH_ASKPASS");
  // A credential git cannot find ends the run with git's own message rather
  // than waiting on a question no one sees: no terminal prompt, and no
  // askpass program (an empty GIT_ASKPASS also overrides core.askPass and
  // SSH_ASKPASS), for git or for ssh. The callers look for git's own words
  // ("CONFLICT", "could not apply"), which a translated git would not write.
  options.set_env = {
      {"GIT_TERMINAL_PROMPT", "0"}, {"GIT_ASKPASS", ""}, {"SSH_ASKPASS_REQUIRE", "never"}, {"LC_ALL", "C"}};
  for (const auto& [name, value] : added) {
    auto same = std::ranges::find(options.set_env, name, &std::pair<std::string, std::string>::first);
    if (same != options.set_env.end())
      same->second = value;
    else
      options.set_env.emplace_back(name, value);
  }

  options.output_to_files = to_completion;

  auto result = utils::run_process(argv, options);
  if (!result) return std::unexpected(GitFailure{false, result.error(), {}});
  if (result->success()) return std::move(result->out);
  return std::unexpected(
      GitFailure{true, git_failure_text(result->err, result->out), utils::decode_lossy(result->err)});
}

}  // namespace

std::expected<std::string, GitFailure> run_git_program_output(const std::string& program,
                                                              const std::vector<std::string>& args,
                                                              const std::string& repo_path,
                                                              const GitEnv& added) {
  return run(program, args, repo_path, added, false);
}

std::expected<void, GitFailure> run_git_to_completion(const std::vector<std::string>& args,
                                                      const std::string& repo_path) {
  auto ran = run("git", args, repo_path, {}, true);
  if (!ran) return std::unexpected(std::move(ran.error()));
  return {};
}

std::expected<void, GitFailure> run_git_program(const std::string& program,
                                                const std::vector<std::string>& args,
                                                const std::string& repo_path, const GitEnv& added) {
  auto run = run_git_program_output(program, args, repo_path, added);
  if (!run) return std::unexpected(std::move(run.error()));
  return {};
}

std::expected<std::string, GitFailure> run_git_output(const std::vector<std::string>& args,
                                                      const std::string& repo_path, const GitEnv& added) {
  return run_git_program_output("git", args, repo_path, added);
}

std::expected<void, GitFailure> run_git(const std::vector<std::string>& args, const std::string& repo_path,
                                        const GitEnv& added) {
  return run_git_program("git", args, repo_path, added);
}

std::expected<void, std::string> discard_tracked_file(const std::string& repo_path, const std::string& path) {
  // Literal: a file named ":!x" must restore only itself, not every other file.
  auto run = run_git({"--literal-pathspecs", "checkout", "--", path}, repo_path);
  if (run) return {};
  if (!run.error().started) return std::unexpected("failed to run git checkout: " + run.error().message);
  return std::unexpected("git checkout failed: " + utils::trim_unicode_space(run.error().error_output));
}

std::expected<void, std::string> commit_with_git(const std::string& work_dir, const std::string& message_file,
                                                 bool amend) {
  // Verbatim: the message is already cleaned; git's own cleanup would also
  // fold runs of empty lines, storing another message than the library's.
  std::vector<std::string> args{"commit", "--cleanup=verbatim", "-F", message_file};
  if (amend) args.emplace_back("--amend");
  auto run = run_git(args, work_dir);
  if (!run) return std::unexpected(std::move(run.error().message));
  return {};
}

}  // namespace repo
