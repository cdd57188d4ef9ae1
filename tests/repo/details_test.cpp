#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using repo::CommitDetails;
using repo::FileChange;
using repo::Oid;
using repo::Repo;
using testing_support::TempRepo;

constexpr const char* kEmptyTree = "4b825dc642cb6eb9a060e54bf8d69288fbee4904";

struct Row {
  char status;
  std::size_t additions, deletions;
  friend bool operator==(const Row&, const Row&) = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << r.status << " +" << r.additions << " -" << r.deletions;
}

// What git says the commit changed against its first parent (or nothing),
// renames not followed; a binary file's "-" counts are 0.
std::vector<std::pair<std::string, Row>> git_rows(TempRepo& t, const std::string& commit) {
  const bool root = t.git({"rev-list", "--parents", "-n", "1", commit}).find(' ') == std::string::npos;
  const std::string base = root ? kEmptyTree : commit + "^";
  std::vector<std::pair<std::string, Row>> rows;
  std::istringstream numstat(t.git({"diff", "--no-renames", "--numstat", base, commit}));
  std::istringstream names(t.git({"diff", "--no-renames", "--name-status", base, commit}));
  std::string counts_line, name_line;
  while (std::getline(numstat, counts_line) && std::getline(names, name_line)) {
    std::istringstream counts(counts_line);
    std::string add, del, path;
    counts >> add >> del;
    std::getline(counts >> std::ws, path);
    EXPECT_EQ(name_line.substr(name_line.find('\t') + 1), path);
    rows.push_back(
        {path, Row{name_line[0], add == "-" ? 0 : std::stoul(add), del == "-" ? 0 : std::stoul(del)}});
  }
  return rows;
}

std::vector<std::pair<std::string, Row>> our_rows(const CommitDetails& d) {
  std::vector<std::pair<std::string, Row>> rows;
  for (const FileChange& f : d.files) rows.push_back({f.path, Row{f.status, f.additions, f.deletions}});
  return rows;
}

CommitDetails load(TempRepo& t, const std::string& commit) {
  const Repo r = testing_support::open_repo(t);
  auto d = r.load_commit_details(*Oid::from_hex(commit));
  EXPECT_TRUE(d);
  return d ? *d : CommitDetails{};
}

const FileChange* file(const CommitDetails& d, const std::string& path) {
  for (const auto& f : d.files)
    if (f.path == path) return &f;
  ADD_FAILURE() << "no " << path;
  return nullptr;
}

std::vector<std::string> lines(const FileChange& f) {
  std::vector<std::string> out;
  for (const auto& h : f.hunks)
    for (const auto& l : h.lines) out.push_back(std::string(1, l.origin) + l.content);
  return out;
}

class CommitDetailsTest : public testing::Test {
 protected:
  void SetUp() override {
    t.write("a.txt", "one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\nten\n")
        .write("crlf.txt", "first\r\nsecond\r\n")
        .write("noeol.txt", "a\nb")
        .write("old name.txt", "moved content\nline two\n")
        .write("bin.dat", std::string("\x00\x01\x02 binary\n", 11))
        .write("gone.txt", "bye\n");
    root = t.commit("root\n\nwith a body");
    t.write("a.txt", "ONE\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\nTEN\neleven\n")
        .write("crlf.txt", "first\r\nchanged\r\n")
        .write("noeol.txt", "a\nb\nc")
        .write("bin.dat", std::string("\x00\x01\x03 binary\n", 11))
        .remove("gone.txt");
    t.git({"add", "-A"});
    t.git({"mv", "old name.txt", "new name.txt"});
    second = t.commit_staged("second");
  }

  TempRepo t;
  std::string root, second;
};

TEST_F(CommitDetailsTest, RootCommitAddsEveryFile) {
  const CommitDetails d = load(t, root);
  EXPECT_EQ(our_rows(d), git_rows(t, root));
  for (const auto& f : d.files) {
    EXPECT_EQ(f.status, 'A') << f.path;
    for (const auto& line : lines(f)) EXPECT_EQ(line[0], '+') << f.path;
  }
  EXPECT_EQ(d.author, "Test Author");
  EXPECT_EQ(d.email, "author@example.com");
  EXPECT_EQ(d.message, "root\n\nwith a body\n");
  EXPECT_EQ(d.time, 1700000000);
  EXPECT_EQ(d.id.hex(), root);
}

TEST_F(CommitDetailsTest, ChangesAgainstTheParentAsGitCountsThem) {
  const CommitDetails d = load(t, second);
  EXPECT_EQ(our_rows(d), git_rows(t, second));
  // A rename is a deletion and an addition.
  EXPECT_EQ(file(d, "old name.txt")->status, 'D');
  EXPECT_EQ(file(d, "new name.txt")->status, 'A');
  // A binary file: listed, no hunks.
  EXPECT_EQ(file(d, "bin.dat")->status, 'M');
  EXPECT_TRUE(file(d, "bin.dat")->hunks.empty());
  // Two hunks, with line numbers from the library.
  const FileChange& a = *file(d, "a.txt");
  ASSERT_EQ(a.hunks.size(), 2u);
  EXPECT_EQ(a.hunks[0].lines.front().content, "one");
  EXPECT_EQ(a.hunks[0].lines.front().old_lineno, 1u);
  EXPECT_EQ(a.hunks[0].lines.front().new_lineno, std::nullopt);
  EXPECT_EQ(lines(a).back(), "+eleven");
  // A carriage return before the line feed stays in the text.
  EXPECT_EQ(lines(*file(d, "crlf.txt")), (std::vector<std::string>{" first\r", "-second\r", "+changed\r"}));
}

TEST_F(CommitDetailsTest, MissingFinalNewlineIsAFlagNotALine) {
  const CommitDetails d = load(t, second);
  const FileChange& f = *file(d, "noeol.txt");
  EXPECT_EQ(lines(f), (std::vector<std::string>{" a", "-b", "+b", "+c"}));
  ASSERT_EQ(f.hunks.size(), 1u);
  EXPECT_TRUE(f.hunks[0].old_missing_newline);
  EXPECT_TRUE(f.hunks[0].new_missing_newline);
  EXPECT_EQ(f.additions, 2u);
  EXPECT_EQ(f.deletions, 1u);
}

TEST_F(CommitDetailsTest, MergeShowsTheFirstParentOnly) {
  t.git({"checkout", "-q", "-b", "side", root});
  t.write("side.txt", "from side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  t.git({"merge", "-q", "--no-ff", "-m", "merge", "side"});
  const std::string merge = t.rev_parse("HEAD");
  const CommitDetails d = load(t, merge);
  EXPECT_EQ(our_rows(d), git_rows(t, merge));
  ASSERT_EQ(d.files.size(), 1u);
  EXPECT_EQ(d.files[0].path, "side.txt");
}

TEST_F(CommitDetailsTest, AbsentForWhatIsNotACommit) {
  auto r = Repo::open(t.path(), 2000);
  ASSERT_TRUE(r);
  const std::string tree = t.rev_parse(second + "^{tree}");
  EXPECT_EQ(r->load_commit_details(*Oid::from_hex(tree)), std::nullopt);
  EXPECT_EQ(r->load_commit_details(Oid::zero()), std::nullopt);
  r->path = t.path() + "/no-such-dir";
  EXPECT_EQ(r->load_commit_details(*Oid::from_hex(second)), std::nullopt);
}

}  // namespace
