#pragma once
// What a change to a repository did, as git reports it: HEAD, status, index
// entries and every work-tree file, for comparing against real git.

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>

#include "support/temp_repo.hpp"

namespace testing_support {

struct Snapshot {
  std::string head;    // "ref: refs/heads/x" or "detached <id>"
  std::string status;  // git status --porcelain -uall
  std::string index;   // git ls-files -s
  std::map<std::string, std::string> files;

  friend bool operator==(const Snapshot&, const Snapshot&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Snapshot& s) {
    os << s.head << "\n[status]\n" << s.status << "[index]\n" << s.index << "[files]\n";
    for (const auto& [path, content] : s.files) os << path << ": " << content << "\n";
    return os;
  }
};

inline Snapshot snapshot(TempRepo& t) {
  namespace fs = std::filesystem;
  Snapshot s;
  auto ref = t.git_result({"symbolic-ref", "-q", "HEAD"});
  s.head = ref.success() ? "ref: " + ref.out : "detached " + t.git_result({"rev-parse", "HEAD"}).out;
  s.status = t.git({"status", "--porcelain", "-uall"});
  s.index = t.git({"ls-files", "-s"});
  for (auto it = fs::recursive_directory_iterator(t.path()); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = it->path().lexically_relative(t.path()).string();
    if (rel == ".git") {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_symlink()) {
      s.files[rel] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_regular_file()) {
      struct stat st {};
      ::stat(it->path().c_str(), &st);
      s.files[rel] = ((st.st_mode & S_IXUSR) ? "(x) " : "") + t.read(rel);
    }
  }
  return s;
}

}  // namespace testing_support
