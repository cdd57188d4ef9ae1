#pragma once
// Every run of the git program goes through here: an argument vector, never a
// shell; the repository path as working directory; no terminal; an
// environment that cannot point git at another repository.

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace repo {

using GitEnv = std::vector<std::pair<std::string, std::string>>;

struct GitFailure {
  bool started = true;  // false: git could not be started at all
  std::string
      message;  // what the callers show: git's reason (see git_failure_text), or the system's error text
  std::string error_output;  // the whole standard error, decoded lossily

  // A rebase that stopped on conflicts rather than failing.
  bool stopped_on_conflict() const;
};

// Whether a rebase's standard error tells of a conflict stop: git's
// "CONFLICT" or "could not apply", case-sensitive. git 2.39 writes the
// CONFLICT lines to standard output, so on real runs "could not apply" is
// the one that counts.
bool tells_of_conflict(std::string_view error_output);

// Runs git with the arguments in repo_path. Exit status 0 is success; any
// other status or an end by a signal is a failure.
std::expected<void, GitFailure> run_git(const std::vector<std::string>& args, const std::string& repo_path,
                                        const GitEnv& added = {});

// The same with another program in git's place, so the failure rules can be
// exercised with exact output.
std::expected<void, GitFailure> run_git_program(const std::string& program,
                                                const std::vector<std::string>& args,
                                                const std::string& repo_path, const GitEnv& added = {});

// The same run for a command that must not stop half-way when this program
// ends before it (a push, a fetch): the command goes on to its end in its
// own session, its output no longer read but never a broken pipe.
std::expected<void, GitFailure> run_git_to_completion(const std::vector<std::string>& args,
                                                      const std::string& repo_path);

// The same run, giving git's standard output on success.
std::expected<std::string, GitFailure> run_git_output(const std::vector<std::string>& args,
                                                      const std::string& repo_path, const GitEnv& added = {});
std::expected<std::string, GitFailure> run_git_program_output(const std::string& program,
                                                              const std::vector<std::string>& args,
                                                              const std::string& repo_path,
                                                              const GitEnv& added = {});

// git's reason from its standard error, decoded lossily: the first line
// that begins, after blanks, with "error:", "fatal:" or "!" (from there on;
// a CR ends a line here too), else the first line (one CR before its LF
// dropped). When standard error is empty, the reason is on standard output:
// its last line that is not blank (git commit's "nothing to commit, working
// tree clean" comes after the status it prints), its trailing blanks
// dropped; "unknown error" when neither holds text.
std::string git_failure_text(std::string_view error_output, std::string_view output = {});

// The variables no git child inherits.
std::span<const std::string_view> scrubbed_git_variables();

// Restores one tracked work-tree file from the index, the path taken
// literally. Fails with "failed to run git checkout: {}" or
// "git checkout failed: {}" (the whole standard error, trimmed).
std::expected<void, std::string> discard_tracked_file(const std::string& repo_path, const std::string& path);

// Commits the index (amend: amends HEAD) with git, so its hooks run and its
// signing applies, taking the message file's text as it stands. Fails with
// git's failure text, or the system's error text when git cannot be started.
std::expected<void, std::string> commit_with_git(const std::string& work_dir, const std::string& message_file,
                                                 bool amend);

}  // namespace repo
