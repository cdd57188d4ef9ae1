#include "support/temp_repo.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnwick-test-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::vector<std::pair<std::string, std::string>> git_env(const std::string& home) {
  return {
      {"HOME", home},
      {"XDG_CONFIG_HOME", home + "/.config"},
      {"GIT_CONFIG_NOSYSTEM", "1"},
      {"GIT_AUTHOR_NAME", "Test Author"},
      {"GIT_AUTHOR_EMAIL", "author@example.com"},
      {"GIT_COMMITTER_NAME", "Test Committer"},
      {"GIT_COMMITTER_EMAIL", "committer@example.com"},
      {"TZ", "UTC"},
      {"LC_ALL", "C"},
      {"GIT_TERMINAL_PROMPT", "0"},
  };
}

TempRepo::TempRepo(bool init) {
  dir_ = tmp_.path() + "/repo";
  home_ = tmp_.path() + "/home";
  fs::create_directories(dir_);
  fs::create_directories(home_);
  std::ofstream(home_ + "/.gitconfig") << "[user]\n\tname = Test User\n\temail = user@example.com\n"
                                       << "[init]\n\tdefaultBranch = main\n"
                                       << "[commit]\n\tgpgsign = false\n"
                                       << "[core]\n\tautocrlf = false\n";
  if (init) git({"init", "-q", "-b", "main"});
}

TempRepo& TempRepo::write(const std::string& relative, const std::string& content) {
  fs::path p = file_path(relative);
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  return *this;
}

TempRepo& TempRepo::remove(const std::string& relative) {
  fs::remove_all(file_path(relative));
  return *this;
}

TempRepo& TempRepo::symlink(const std::string& target, const std::string& relative) {
  fs::path p = file_path(relative);
  fs::create_directories(p.parent_path());
  std::error_code ec;
  fs::remove(p, ec);
  fs::create_symlink(target, p);
  return *this;
}

TempRepo& TempRepo::set_executable(const std::string& relative, bool executable) {
  fs::permissions(file_path(relative), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  executable ? fs::perm_options::add : fs::perm_options::remove);
  return *this;
}

std::string TempRepo::read(const std::string& relative) const { return read_file(file_path(relative)); }

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const std::string& path, std::string_view content) {
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary | std::ios::trunc) << content;
}

utils::ProcessResult TempRepo::git_result(std::vector<std::string> args, const std::string& input) {
  args.insert(args.begin(), "git");
  utils::ProcessOptions options;
  options.cwd = dir_;
  options.set_env = git_env(home_);
  const std::string date = std::to_string(time_) + " +0000";
  options.set_env.emplace_back("GIT_AUTHOR_DATE", date);
  options.set_env.emplace_back("GIT_COMMITTER_DATE", date);
  options.unset_env = {"GIT_DIR", "GIT_WORK_TREE", "GIT_INDEX_FILE"};
  if (!input.empty()) options.input = input;
  auto result = utils::run_process(args, options);
  if (!result) {
    ADD_FAILURE() << "cannot run git: " << result.error();
    return {};
  }
  return *result;
}

std::string TempRepo::git(std::vector<std::string> args, const std::string& input) {
  auto result = git_result(args, input);
  if (!result.success()) {
    std::string joined;
    for (const auto& a : args) joined += " " + a;
    ADD_FAILURE() << "git" << joined << " failed: " << result.err;
  }
  return result.out;
}

std::string TempRepo::git_in(const std::string& cwd, std::vector<std::string> args,
                             const std::string& input) {
  const std::string saved = dir_;
  dir_ = cwd;
  std::string out = git(std::move(args), input);
  dir_ = saved;
  return out;
}

std::string TempRepo::commit(const std::string& message) {
  git({"add", "-A"});
  return commit_staged(message);
}

std::string TempRepo::commit_staged(const std::string& message) {
  git({"commit", "-q", "--allow-empty", "--no-verify", "-m", message});
  time_ += 60;
  return rev_parse("HEAD");
}

std::string TempRepo::rev_parse(const std::string& rev) {
  std::string out = git({"rev-parse", "--verify", rev});
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string TempRepo::index_listing(const std::string& path) {
  if (path.empty()) return git({"ls-files", "-s", "--debug"});
  return git({"ls-files", "-s", "--debug", "--", path});
}

void TempRepo::line_of_commits(int count, const std::string& branch, std::optional<int> main_at) {
  std::string script;
  for (int i = 1; i <= count; ++i) {
    const std::string message = "commit " + std::to_string(i);
    script += "commit refs/heads/" + branch + "\nmark :" + std::to_string(i) + "\n";
    script += "committer Test <test@example.com> " + std::to_string(1700000000 + 60 * i) + " +0000\n";
    script += "data " + std::to_string(message.size()) + "\n" + message + "\n";
    if (i > 1) script += "from :" + std::to_string(i - 1) + "\n";
    script += "\n";
  }
  if (main_at) script += "reset refs/heads/main\nfrom :" + std::to_string(*main_at) + "\n\n";
  git({"fast-import", "--quiet"}, script);
}

std::vector<std::string> TempRepo::parents(const std::string& rev) {
  std::istringstream words(git({"rev-list", "--parents", "-n", "1", rev}));
  std::string line;
  std::getline(words, line);
  std::istringstream in(line);
  std::vector<std::string> ids;
  for (std::string id; in >> id;) ids.push_back(id);
  if (!ids.empty()) ids.erase(ids.begin());
  return ids;
}

void TempRepo::set_identity() {
  git({"config", "user.name", "Commit Maker"});
  git({"config", "user.email", "maker@example.com"});
}

}  // namespace testing_support
