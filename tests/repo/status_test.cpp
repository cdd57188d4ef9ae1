#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "repo/conflict_markers.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "repo/status_diff.hpp"
#include "repo/status_split.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/worktree_files.hpp"
#include "utils/text.hpp"

namespace {

using repo::ChangeKind;
using repo::Repo;
using repo::WorktreeFile;
using repo::WorktreeStatus;
using testing_support::find_file;
using testing_support::open_repo;
using testing_support::TempRepo;

using Listing = std::vector<std::pair<std::string, ChangeKind>>;

std::vector<std::string> split_nul(const std::string& out) {
  std::vector<std::string> records;
  std::size_t pos = 0;
  while (pos < out.size()) {
    const std::size_t nul = out.find('\0', pos);
    const std::size_t stop = nul == std::string::npos ? out.size() : nul;
    records.push_back(out.substr(pos, stop - pos));
    pos = stop + 1;
  }
  return records;
}

ChangeKind letter_kind(char c) {
  switch (c) {
    case 'A':
      return ChangeKind::Added;
    case 'D':
      return ChangeKind::Deleted;
    case 'T':
      return ChangeKind::TypeChange;
    default:
      return ChangeKind::Modified;
  }
}

// What git status says the two lists hold. Paths that are not UTF-8 are left
// out of both lists.
std::pair<Listing, Listing> git_lists(TempRepo& t) {
  Listing unstaged, staged;
  const auto out = t.git({"status", "--porcelain", "-z", "-uall", "--no-renames", "--ignore-submodules=all"});
  for (const auto& record : split_nul(out)) {
    const char x = record[0], y = record[1];
    const std::string path = record.substr(3);
    if (!utils::is_valid_utf8(path)) continue;
    const bool unmerged = x == 'U' || y == 'U' || (x == 'A' && y == 'A') || (x == 'D' && y == 'D');
    if (unmerged) {
      unstaged.emplace_back(path, ChangeKind::Conflicted);
    } else if (x == '?') {
      unstaged.emplace_back(path, ChangeKind::Untracked);
    } else {
      if (x != ' ') staged.emplace_back(path, letter_kind(x));
      if (y != ' ') unstaged.emplace_back(path, letter_kind(y));
    }
  }
  auto by_path = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(unstaged.begin(), unstaged.end(), by_path);
  std::stable_sort(staged.begin(), staged.end(), by_path);
  return {unstaged, staged};
}

Listing listing(const std::vector<WorktreeFile>& files) {
  Listing out;
  for (const auto& f : files) out.emplace_back(f.path, f.kind);
  return out;
}

using Counts = std::map<std::string, std::pair<std::size_t, std::size_t>>;

// Per-path sums of git diff --numstat; a binary file's "-" counts as 0.
Counts numstat(TempRepo& t, std::vector<std::string> args) {
  args.insert(args.begin(), "diff");
  args.push_back("--numstat");
  args.push_back("-z");
  Counts counts;
  for (const auto& record : split_nul(t.git(args))) {
    const auto tab1 = record.find('\t');
    const auto tab2 = record.find('\t', tab1 + 1);
    const std::string add = record.substr(0, tab1), del = record.substr(tab1 + 1, tab2 - tab1 - 1);
    auto& c = counts[record.substr(tab2 + 1)];
    c.first += add == "-" ? 0 : std::stoul(add);
    c.second += del == "-" ? 0 : std::stoul(del);
  }
  return counts;
}

void expect_counts_match_hunks(const WorktreeFile& f, bool staged) {
  std::size_t add = 0, del = 0;
  for (const auto& h : staged ? f.staged_hunks : f.unstaged_hunks) {
    EXPECT_FALSE(h.lines.empty());
    for (const auto& l : h.lines) {
      add += l.origin == '+';
      del += l.origin == '-';
    }
  }
  EXPECT_EQ(add, f.additions) << f.path;
  EXPECT_EQ(del, f.deletions) << f.path;
  EXPECT_TRUE((staged ? f.unstaged_hunks : f.staged_hunks).empty()) << f.path;
}

std::size_t line_count(const std::string& text) {
  std::size_t n = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return !text.empty() && text.back() != '\n' ? n + 1 : n;
}

// One work tree holding every kind of change at once, a merge stopped on
// conflicts among them.
void build_mixed_fixture(TempRepo& t) {
  t.write("modified.txt", "one\ntwo\nthree\n")
      .write("deleted.txt", "gone\n")
      .write("staged-delete.txt", "x\ny\n")
      .write("typechange", "was a file\nof two lines\n")
      .write("staged-typechange", "file\n")
      .write("both.txt", "a\nb\nc\nd\ne\nf\ng\nh\n")
      .write("[id].tsx", "bracket\n")
      .write("i.tsx", "i one\ni two\n")
      .write("d.tsx", "d\n")
      .write("crlf.txt", "a\r\nb\r\nc\r\n")
      .write("nofinal.txt", "first\nlast")
      .write("binary.bin", std::string("\0\1\2\3bin", 8))
      .write("conflict.txt", "1\n2\n3\n")
      .write("del-mod.txt", "base\n")
      .write(".gitignore", "*.log\n")
      .symlink("modified.txt", "link");
  t.commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("conflict.txt", "1\ntheirs\n3\n")
      .write("both-added.txt", "theirs\n")
      .write("del-mod.txt", "changed\n");
  t.commit("topic");
  t.git({"checkout", "-q", "main"});
  t.write("conflict.txt", "1\nours\n3\n").write("both-added.txt", "ours\n").remove("del-mod.txt");
  t.commit("main");
  ASSERT_FALSE(t.git_result({"merge", "-q", "topic"}).success());

  t.write("modified.txt", "one\nTWO\nthree\nfour\n");
  t.remove("deleted.txt");
  t.git({"rm", "-q", "staged-delete.txt"});
  t.remove("typechange").symlink("modified.txt", "typechange");
  t.remove("staged-typechange").symlink("nofinal.txt", "staged-typechange");
  t.git({"add", "staged-typechange"});
  t.write("both.txt", "A\nb\nc\nd\ne\nf\ng\nh\n");
  t.git({"add", "both.txt"});
  t.write("both.txt", "A\nb\nc\nd\ne\nf\ng\nH\n");
  t.write("[id].tsx", "bracket changed\n");
  t.git({"add", "[id].tsx"});
  t.write("[id].tsx", "bracket changed again\n");
  t.write("i.tsx", "i one\nI TWO\n");
  t.git({"add", "i.tsx"});
  t.write("i.tsx", "i one\nI TWO\ni three\n");
  t.write("crlf.txt", "a\r\nB\r\nc\r\n");
  t.write("nofinal.txt", "first\nLAST");
  t.write("binary.bin", std::string("\0\1\2\4bin", 8));
  t.remove("link").symlink("crlf.txt", "link");
  t.write("added.txt", "new\nfile\n");
  t.git({"add", "added.txt"});
  t.write("untracked.txt", "u1\r\nu2\r\nu3");
  t.write("dir/nested/deep.txt", "deep\n");
  t.write("empty-untracked", "");
  t.write("ignored.log", "noise\n");
  t.symlink("/dev/zero", "zero-link");
  ASSERT_EQ(::mkfifo(t.file_path("fifo").c_str(), 0600), 0);
  t.symlink(t.file_path("fifo"), "fifo-link");
  t.write("bad\xFFname.txt", "not listed\n");
}

TEST(WorktreeStatus, MatchesGitOnAMixedWorkTree) {
  TempRepo t;
  build_mixed_fixture(t);
  Repo r = open_repo(t.path());
  const auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);

  const auto [want_unstaged, want_staged] = git_lists(t);
  EXPECT_EQ(listing(status->unstaged), want_unstaged);
  EXPECT_EQ(listing(status->staged), want_staged);
  // The fixture holds what it claims to.
  for (const char* p : {"modified.txt", "deleted.txt", "typechange", "both.txt", "[id].tsx", "i.tsx",
                        "crlf.txt", "nofinal.txt", "binary.bin", "link", "conflict.txt", "both-added.txt",
                        "del-mod.txt", "untracked.txt", "dir/nested/deep.txt", "zero-link", "fifo-link"})
    EXPECT_TRUE(find_file(status->unstaged, p)) << p;
  for (const char* p :
       {"staged-delete.txt", "staged-typechange", "both.txt", "[id].tsx", "i.tsx", "added.txt"})
    EXPECT_TRUE(find_file(status->staged, p)) << p;

  const Counts unstaged_counts = numstat(t, {});
  const Counts staged_counts = numstat(t, {"--cached"});
  for (const auto& f : status->unstaged) {
    SCOPED_TRACE(f.path);
    if (f.kind == ChangeKind::Conflicted) {
      EXPECT_TRUE(f.unstaged_hunks.empty() && f.staged_hunks.empty());
      EXPECT_EQ(f.conflict_sections, repo::parse_conflict_sections(t.read(f.path)));
      EXPECT_EQ(f.additions, f.conflict_sections.size());
      EXPECT_EQ(f.deletions, 0u);
      continue;
    }
    EXPECT_TRUE(f.conflict_sections.empty());
    expect_counts_match_hunks(f, false);
    if (f.kind == ChangeKind::Untracked) {
      // Links count as their target text; a FIFO behind a link is not read.
      struct stat st {};
      ASSERT_EQ(::lstat(t.file_path(f.path).c_str(), &st), 0);
      EXPECT_EQ(f.additions, S_ISLNK(st.st_mode) ? 1u : line_count(t.read(f.path)));
      EXPECT_EQ(f.deletions, 0u);
      continue;
    }
    const auto want =
        unstaged_counts.contains(f.path) ? unstaged_counts.at(f.path) : std::pair<std::size_t, std::size_t>{};
    EXPECT_EQ(std::pair(f.additions, f.deletions), want);
  }
  for (const auto& f : status->staged) {
    SCOPED_TRACE(f.path);
    expect_counts_match_hunks(f, true);
    const auto want =
        staged_counts.contains(f.path) ? staged_counts.at(f.path) : std::pair<std::size_t, std::size_t>{};
    EXPECT_EQ(std::pair(f.additions, f.deletions), want);
  }

  // Lines as the library gives them keep a CR; an untracked file's lose it.
  const auto* crlf = find_file(status->unstaged, "crlf.txt");
  ASSERT_TRUE(crlf && crlf->unstaged_hunks.size() == 1);
  for (const auto& l : crlf->unstaged_hunks[0].lines) EXPECT_EQ(l.content.back(), '\r');
  const auto* untracked = find_file(status->unstaged, "untracked.txt");
  ASSERT_TRUE(untracked && untracked->unstaged_hunks.size() == 1);
  std::vector<std::string> contents;
  for (const auto& l : untracked->unstaged_hunks[0].lines) {
    contents.push_back(l.content);
    EXPECT_EQ(l.origin, '+');
    EXPECT_FALSE(l.old_lineno);
    EXPECT_EQ(l.new_lineno, contents.size());
  }
  EXPECT_EQ(contents, (std::vector<std::string>{"u1", "u2", "u3"}));

  const auto* zero = find_file(status->unstaged, "zero-link");
  ASSERT_TRUE(zero && zero->unstaged_hunks.size() == 1);
  EXPECT_EQ(zero->unstaged_hunks[0].lines[0].content, "/dev/zero");
  const auto* empty = find_file(status->unstaged, "empty-untracked");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->unstaged_hunks.empty());

  // The bracketed path is not a glob: its hunks are its own.
  const auto* bracket = find_file(status->unstaged, "[id].tsx");
  ASSERT_TRUE(bracket && bracket->unstaged_hunks.size() == 1);
  EXPECT_EQ(bracket->unstaged_hunks[0].lines.size(), 2u);
  const auto* bracket_staged = find_file(status->staged, "[id].tsx");
  ASSERT_TRUE(bracket_staged && bracket_staged->staged_hunks.size() == 1);
  EXPECT_EQ(bracket_staged->staged_hunks[0].lines.back().content, "bracket changed");

  const auto* binary = find_file(status->unstaged, "binary.bin");
  ASSERT_TRUE(binary);
  EXPECT_TRUE(binary->unstaged_hunks.empty());

  EXPECT_TRUE(r.has_changes());
}

// The lists take every file's hunks from one diff; each must equal what a
// diff of that file alone gives.
TEST(WorktreeStatus, HunksEqualThoseOfEachFileAlone) {
  TempRepo t;
  build_mixed_fixture(t);
  Repo r = open_repo(t.path());
  const auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  auto handle = repo::open_repository(t.path());
  ASSERT_TRUE(handle);
  for (const auto& f : status->staged) {
    SCOPED_TRACE(f.path);
    const auto alone = Repo::load_staged_hunks(handle->get(), f.path, false);
    ASSERT_TRUE(alone);
    EXPECT_EQ(*alone, (Repo::DiffHunks{f.staged_hunks, f.additions, f.deletions}));
  }
  for (const auto& f : status->unstaged) {
    SCOPED_TRACE(f.path);
    if (f.kind == ChangeKind::Conflicted) continue;
    Repo::DiffHunks alone;
    if (f.kind == ChangeKind::Untracked) {
      alone = r.load_untracked_file_as_diff(f.path);
    } else {
      git_diff_options options = GIT_DIFF_OPTIONS_INIT;
      options.flags = GIT_DIFF_DISABLE_PATHSPEC_MATCH;
      char* spec = const_cast<char*>(f.path.c_str());
      options.pathspec = {&spec, 1};
      git_diff* raw = nullptr;
      ASSERT_EQ(git_diff_index_to_workdir(&raw, handle->get(), nullptr, &options), 0);
      repo::DiffPtr diff(raw);
      alone = Repo::extract_hunks_from_diff(diff.get());
    }
    EXPECT_EQ(alone, (Repo::DiffHunks{f.unstaged_hunks, f.additions, f.deletions}));
  }
}

// Nothing of the work tree is read unless it is a regular file or a link:
// a FIFO in place of a tracked or a conflicted file must not block.
TEST(WorktreeStatus, SpecialFilesNeverBlock) {
  TempRepo t;
  t.write("tracked", "a\n").write("conflict", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("conflict", "theirs\n").commit("theirs");
  t.git({"checkout", "-q", "main"});
  t.write("conflict", "ours\n").commit("ours");
  ASSERT_FALSE(t.git_result({"merge", "-q", "topic"}).success());
  for (const char* p : {"tracked", "conflict"}) {
    t.remove(p);
    ASSERT_EQ(::mkfifo(t.file_path(p).c_str(), 0600), 0);
  }
  t.write("dir/.keep", "");
  ASSERT_EQ(::mkfifo(t.file_path("dir/pipe").c_str(), 0600), 0);
  Repo r = open_repo(t.path());
  const auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const auto* conflict = find_file(status->unstaged, "conflict");
  ASSERT_TRUE(conflict);
  EXPECT_EQ(conflict->kind, ChangeKind::Conflicted);
  EXPECT_TRUE(conflict->conflict_sections.empty());
  EXPECT_TRUE(find_file(status->unstaged, "tracked"));
  EXPECT_TRUE(find_file(status->unstaged, "dir/.keep"));
  EXPECT_FALSE(find_file(status->unstaged, "dir/pipe"));
  EXPECT_TRUE(r.has_changes());
}

TEST(WorktreeStatus, OpensThroughTheGitDirectory) {
  TempRepo t;
  build_mixed_fixture(t);
  const auto direct = open_repo(t.path()).load_worktree_status(false);
  const auto via_git_dir = open_repo(t.path() + "/.git").load_worktree_status(false);
  ASSERT_TRUE(direct && via_git_dir);
  EXPECT_EQ(*direct, *via_git_dir);
  const auto* untracked = find_file(via_git_dir->unstaged, "untracked.txt");
  ASSERT_TRUE(untracked);
  EXPECT_EQ(untracked->additions, 3u);
  const auto* conflict = find_file(via_git_dir->unstaged, "conflict.txt");
  ASSERT_TRUE(conflict);
  EXPECT_EQ(conflict->conflict_sections, (std::vector<repo::ConflictSection>{{{"ours"}, {"theirs"}}}));
}

struct EndCase {
  const char* name;
  std::string before;
  std::string after;
  bool old_missing;
  bool new_missing;
};

const EndCase kEndCases[] = {
    {"both lack it", "a\nb", "a\nc", true, true},
    {"line feed added", "a\nb", "a\nb\n", true, false},
    {"line feed removed", "a\nb\n", "a\nb", false, true},
    {"both have it", "a\nb\n", "a\nc\n", false, false},
    {"context lacks it", "a\nb\nc\nd", "A\nb\nc\nd", true, true},
    {"far from the end", "a\nb\nc\nd\ne\nf\ng\nh\ni", "A\nb\nc\nd\ne\nf\ng\nh\ni", false, false},
};

TEST(WorktreeStatus, HunksCarryTheEndOfFileState) {
  TempRepo t;
  for (std::size_t i = 0; i < std::size(kEndCases); ++i)
    t.write("f" + std::to_string(i), kEndCases[i].before);
  t.commit("base");
  for (std::size_t i = 0; i < std::size(kEndCases); ++i) {
    t.write("f" + std::to_string(i), kEndCases[i].after);
    t.git({"add", "f" + std::to_string(i)});
    t.write("g" + std::to_string(i), kEndCases[i].before);  // staged list: f; unstaged: f again below
  }
  // Unstaged: the same change turned around, from the index back to before.
  for (std::size_t i = 0; i < std::size(kEndCases); ++i)
    t.write("f" + std::to_string(i), kEndCases[i].before);
  const auto status = open_repo(t.path()).load_worktree_status(false);
  ASSERT_TRUE(status);
  for (std::size_t i = 0; i < std::size(kEndCases); ++i) {
    const auto& c = kEndCases[i];
    SCOPED_TRACE(c.name);
    const auto* staged = find_file(status->staged, "f" + std::to_string(i));
    const auto* unstaged = find_file(status->unstaged, "f" + std::to_string(i));
    ASSERT_TRUE(staged && unstaged);
    ASSERT_EQ(staged->staged_hunks.size(), 1u);
    ASSERT_EQ(unstaged->unstaged_hunks.size(), 1u);
    EXPECT_EQ(staged->staged_hunks[0].old_missing_newline, c.old_missing);
    EXPECT_EQ(staged->staged_hunks[0].new_missing_newline, c.new_missing);
    EXPECT_EQ(unstaged->unstaged_hunks[0].old_missing_newline, c.new_missing);
    EXPECT_EQ(unstaged->unstaged_hunks[0].new_missing_newline, c.old_missing);
    // Untracked: from the file's last byte.
    const auto* untracked = find_file(status->unstaged, "g" + std::to_string(i));
    ASSERT_TRUE(untracked && untracked->unstaged_hunks.size() == 1);
    EXPECT_FALSE(untracked->unstaged_hunks[0].old_missing_newline);
    EXPECT_EQ(untracked->unstaged_hunks[0].new_missing_newline, c.before.back() != '\n');
  }
}

TEST(WorktreeStatus, AmendComparesTheIndexWithTheFirstParent) {
  TempRepo t;
  t.write("a.txt", "a\n").write("tc", "file\n").write("keep.txt", "k\n").commit("root");
  Repo r = open_repo(t.path());
  // On a root commit the amend list is empty; the unstaged list is unchanged.
  t.write("a.txt", "a\nmore\n");
  auto plain = r.load_worktree_status(false);
  auto amend = r.load_worktree_status(true);
  ASSERT_TRUE(plain && amend);
  EXPECT_TRUE(amend->staged.empty());
  EXPECT_EQ(amend->unstaged, plain->unstaged);

  t.write("a.txt", "a\nchanged\n").write("new.txt", "n\n").remove("tc").symlink("a.txt", "tc");
  t.commit("second");
  t.write("keep.txt", "k\nstaged\n");
  t.git({"add", "keep.txt"});
  t.write("a.txt", "a\nchanged\nunstaged\n");

  amend = r.load_worktree_status(true);
  ASSERT_TRUE(amend);
  const Counts want = numstat(t, {"--cached", "HEAD~1"});
  EXPECT_EQ(listing(amend->staged), (Listing{{"a.txt", ChangeKind::Modified},
                                             {"keep.txt", ChangeKind::Modified},
                                             {"new.txt", ChangeKind::Added},
                                             {"tc", ChangeKind::TypeChange}}));
  ASSERT_EQ(amend->staged.size(), want.size());
  for (const auto& f : amend->staged) {
    SCOPED_TRACE(f.path);
    expect_counts_match_hunks(f, true);
    EXPECT_EQ(std::pair(f.additions, f.deletions), want.at(f.path));
  }
  plain = r.load_worktree_status(false);
  ASSERT_TRUE(plain);
  EXPECT_EQ(amend->unstaged, plain->unstaged);
  EXPECT_EQ(listing(plain->staged), (Listing{{"keep.txt", ChangeKind::Modified}}));
}

TEST(WorktreeStatus, BeforeTheFirstCommit) {
  TempRepo t;
  t.write("added.txt", "a\nb\n").write("untracked.txt", "u\n");
  t.git({"add", "added.txt"});
  Repo r = open_repo(t.path());
  const auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  // Everything in the index is staged against the empty tree, as git shows
  // it (git diff --cached).
  ASSERT_EQ(listing(status->staged), (Listing{{"added.txt", ChangeKind::Added}}));
  ASSERT_EQ(status->staged[0].staged_hunks.size(), 1u);
  EXPECT_EQ(status->staged[0].additions, 2u);
  EXPECT_EQ(status->staged[0].deletions, 0u);
  EXPECT_EQ(t.git({"diff", "--cached", "--numstat"}), "2\t0\tadded.txt\n");
  ASSERT_EQ(listing(status->unstaged), (Listing{{"untracked.txt", ChangeKind::Untracked}}));
  EXPECT_EQ(status->unstaged[0].additions, 1u);
  const auto amend = r.load_worktree_status(true);
  ASSERT_TRUE(amend);
  EXPECT_TRUE(amend->staged.empty());
  auto handle = repo::open_repository(t.path());
  ASSERT_TRUE(handle);
  const auto one = Repo::load_staged_hunks(handle->get(), "added.txt", false);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->hunks, status->staged[0].staged_hunks);
  EXPECT_EQ(one->additions, 2u);
  // No commit to amend.
  EXPECT_FALSE(Repo::load_staged_hunks(handle->get(), "added.txt", true));
}

TEST(WorktreeStatus, ListsSortByBytes) {
  TempRepo t;
  t.write("seed", "s\n").commit("seed");
  for (const char* p : {"ab", "a/b", "B", "a-b", "\xC3\xA9", "Z"}) t.write(p, "x\n");
  for (const char* p : {"ab", "a/b", "B", "a-b", "\xC3\xA9", "Z"}) t.git({"add", p});
  for (const char* p : {"ab", "a/b", "B", "a-b", "\xC3\xA9", "Z"}) t.write(p, "y\n");
  const auto status = open_repo(t.path()).load_worktree_status(false);
  ASSERT_TRUE(status);
  const std::vector<std::string> want{"B", "Z", "a-b", "a/b", "ab", "\xC3\xA9"};
  std::vector<std::string> unstaged, staged;
  for (const auto& f : status->unstaged) unstaged.push_back(f.path);
  for (const auto& f : status->staged) staged.push_back(f.path);
  EXPECT_EQ(unstaged, want);
  EXPECT_EQ(staged, want);
}

TEST(WorktreeStatus, HasChanges) {
  TempRepo t;
  t.write("f", "1\n").write(".gitignore", "*.log\n").commit("base");
  Repo r = open_repo(t.path());
  EXPECT_FALSE(r.has_changes());
  t.write("x.log", "ignored\n");
  EXPECT_FALSE(r.has_changes());
  // A path that cannot be named in UTF-8 is never listed, so it alone must
  // not open an empty staging view.
  t.write("bad\xFF", "x\n");
  EXPECT_FALSE(r.has_changes());
  const auto only_bad = r.load_worktree_status(false);
  ASSERT_TRUE(only_bad);
  EXPECT_TRUE(only_bad->unstaged.empty() && only_bad->staged.empty());
  t.write("u", "untracked\n");
  EXPECT_TRUE(r.has_changes());

  Repo gone = r;
  gone.path = t.path() + "/missing";
  EXPECT_FALSE(gone.has_changes());
  EXPECT_FALSE(gone.load_worktree_status(false));
}

// Every way a path can stand apart from its neighbours when the work tree is
// cut into parts: only in HEAD, only in the index, a directory on one side
// and a file or a link on the other, tracked files under an ignored
// directory, a repository of its own, names that are not UTF-8.
void build_split_fixture(TempRepo& t) {
  t.write(".gitignore", "build/\n*.log\n")
      .write("top.txt", "top\n")
      .write("a/one.txt", "1\n")
      .write("a/two.txt", "2\n")
      .write("a/b/c/deep.txt", "deep\n")
      .write("a/b/keep.txt", "keep\n")
      .write("build/keep.txt", "tracked under an ignored directory\n")
      .write("gone/x.txt", "x\n")
      .write("gone/y.txt", "y\n")
      .write("was-dir/inner.txt", "inner\n")
      .write("was-file", "file\n")
      .write("link-dir/f.txt", "f\n")
      .write("own-repo/f.txt", "f\n")
      .write("z/last.txt", "last\n")
      .write("a/.gitignore", "*.tmp\n!keep.tmp\n");
  t.git({"add", "-A"});
  t.git({"add", "-f", "build/keep.txt"});
  // A submodule's commit need not be there.
  t.git({"update-index", "--add", "--cacheinfo", "160000," + std::string(40, '1') + ",a/sublink"});
  t.commit_staged("base");
  t.write("a/one.txt", "1\nmore\n");
  t.write("a/b/c/deep.txt", "deeper\n");
  t.git({"add", "a/b/c/deep.txt"});
  t.write("a/b/c/deep.txt", "deepest\n");
  t.write("build/keep.txt", "changed under an ignored directory\n");
  t.write("build/out.o", "ignored\n");
  t.write("x.log", "ignored\n");
  t.git({"rm", "-q", "-r", "gone"});
  t.write("a/staged-then-removed.txt", "s\n");
  t.git({"add", "a/staged-then-removed.txt"});
  t.remove("a/staged-then-removed.txt");
  t.write("newdir/inner/f.txt", "n\n");
  t.git({"add", "newdir"});
  t.remove("newdir");
  t.remove("was-dir").write("was-dir", "now a file\n");
  t.remove("was-file").write("was-file/inside.txt", "now a directory\n");
  t.remove("link-dir").symlink("a", "link-dir");
  t.git_in(t.file_path("own-repo"), {"init", "-q"});
  t.write("a/untracked/deep/u.txt", "u\n");
  t.write("a/x.tmp", "ignored\n").write("a/keep.tmp", "not ignored\n").write("a/b/y.tmp", "ignored\n");
  t.write("a/nested/f.txt", "f\n");
  t.git_in(t.file_path("a/nested"), {"init", "-q"});
  t.write("a/b/bad\xFFname", "not listed\n");
  std::filesystem::create_directories(t.file_path("a/empty"));
  t.write("z/new.txt", "new\n");
}

TEST(WorktreeStatus, ReadInPartsEqualsOneRead) {
  TempRepo mixed;
  build_mixed_fixture(mixed);
  TempRepo split;
  build_split_fixture(split);
  for (TempRepo* t : {&mixed, &split}) {
    Repo r = open_repo(t->path());
    for (const bool amend : {false, true}) {
      const auto whole = r.load_worktree_status(amend);
      ASSERT_TRUE(whole);
      for (const std::size_t parts : {2u, 3u, 4u, 16u}) {
        SCOPED_TRACE(testing::Message() << t->path() << " amend " << amend << ", " << parts << " parts");
        const auto in_parts = repo::load_worktree_status_split(r, amend, parts);
        ASSERT_TRUE(in_parts);
        EXPECT_EQ(*in_parts, *whole);
      }
    }
  }
  // The fixture holds what it claims to.
  const auto whole = open_repo(split.path()).load_worktree_status(false);
  ASSERT_TRUE(whole);
  auto listed = [&](const std::string& p) {
    return find_file(whole->unstaged, p) || find_file(whole->staged, p);
  };
  for (const char* p :
       {"a/keep.tmp", "a/nested/", "a/one.txt", "a/b/c/deep.txt", "build/keep.txt", "gone/x.txt",
        "a/staged-then-removed.txt", "newdir/inner/f.txt", "was-dir", "was-dir/inner.txt", "was-file",
        "was-file/inside.txt", "link-dir", "link-dir/f.txt", "a/untracked/deep/u.txt", "z/new.txt"})
    EXPECT_TRUE(listed(p)) << p;
  for (const char* p : {"a/x.tmp", "a/b/y.tmp", "build/out.o", "x.log", "a/sublink", "top.txt"})
    EXPECT_FALSE(listed(p)) << p;

  // The cut went into the directories, and the index's paths that neither
  // the disk nor HEAD has were found.
  auto handle = repo::open_repository(split.path());
  ASSERT_TRUE(handle);
  const auto cut = repo::split_status_paths(handle->get(), 4);
  ASSERT_TRUE(cut);
  for (const char* dir : {"", "a", "a/b", "build", "z"}) EXPECT_TRUE(cut->opened.contains(dir)) << dir;
  for (const char* dir : {"link-dir", "own-repo", "was-dir", "was-file"})
    EXPECT_FALSE(cut->opened.contains(dir)) << dir;
  for (const char* path : {"gone", "a/b/c/deep.txt", "a/b/keep.txt", "was-dir", "link-dir", "a/empty"})
    EXPECT_TRUE(cut->paths.contains(path)) << path;
  git_index* raw = nullptr;
  ASSERT_EQ(git_repository_index(&raw, handle->get()), 0);
  repo::IndexPtr index(raw);
  EXPECT_EQ(repo::paths_outside_split(index.get(), *cut),
            (std::vector<std::string>{"a/staged-then-removed.txt", "newdir"}));
}

// A file staged where HEAD and the disk have a directory cannot go to one
// part alone: the whole read decides.
TEST(WorktreeStatus, FileStagedInPlaceOfADirectoryIsReadWhole) {
  TempRepo t;
  t.write("dir/a.txt", "a\n").write("dir/b.txt", "b\n").write("other.txt", "o\n").commit("base");
  t.git({"rm", "-q", "-r", "--cached", "dir"});
  const std::string blob = t.git({"hash-object", "-w", "--stdin"}, "a file now\n");
  t.git({"update-index", "--add", "--cacheinfo", "100644," + blob.substr(0, blob.find('\n')) + ",dir"});
  t.write("other.txt", "changed\n");
  Repo r = open_repo(t.path());
  EXPECT_FALSE(repo::load_worktree_status_split(r, false, 4));
  const auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const auto [want_unstaged, want_staged] = git_lists(t);
  EXPECT_EQ(listing(status->unstaged), want_unstaged);
  EXPECT_EQ(listing(status->staged), want_staged);
}

// has_changes stops at the first change it finds; what counts must stay
// what the status list holds.
TEST(WorktreeStatus, HasChangesAgreesWithTheStatusList) {
  struct Case {
    const char* name;
    std::function<void(TempRepo&)> change;
  };
  auto gitlink = [](TempRepo& t, const std::string& commit) {
    t.git({"update-index", "--add", "--cacheinfo", "160000," + commit + ",sub"});
  };
  const std::vector<Case> cases = {
      {"nothing", [](TempRepo&) {}},
      {"ignored file", [](TempRepo& t) { t.write("x.log", "i\n"); }},
      {"ignored directory", [](TempRepo& t) { t.write("build/deep/o", "i\n"); }},
      {"empty directory", [](TempRepo& t) { std::filesystem::create_directories(t.file_path("e/f")); }},
      {"name not UTF-8, untracked", [](TempRepo& t) { t.write("bad\xFF", "x\n"); }},
      {"name not UTF-8, staged",
       [](TempRepo& t) {
         t.write("bad\xFE", "x\n");
         t.git({"add", "bad\xFE"});
       }},
      {"submodule staged", [&](TempRepo& t) { gitlink(t, t.rev_parse("HEAD")); }},
      {"submodule moved on, its directory missing",
       [&](TempRepo& t) {
         gitlink(t, t.rev_parse("HEAD"));
         t.commit_staged("sub");
         gitlink(t, t.rev_parse("HEAD"));
       }},
      {"untracked file deep down", [](TempRepo& t) { t.write("u/v/w.txt", "u\n"); }},
      {"modified", [](TempRepo& t) { t.write("f", "2\n"); }},
      {"deleted", [](TempRepo& t) { t.remove("f"); }},
      {"type change", [](TempRepo& t) { t.remove("f").symlink("g", "f"); }},
      {"staged only",
       [](TempRepo& t) {
         t.write("f", "2\n");
         t.git({"add", "f"});
         t.write("f", "1\n");
       }},
      {"staged, then removed from disk",
       [](TempRepo& t) {
         t.write("n/new.txt", "n\n");
         t.git({"add", "n"});
         t.remove("n");
       }},
      {"staged deletion only",
       [](TempRepo& t) {
         t.git({"rm", "-q", "--cached", "g"});
         t.write("x.log", "");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempRepo t;
    t.write("f", "1\n").write("g", "g\n").write(".gitignore", "*.log\nbuild/\n").commit("base");
    c.change(t);
    Repo r = open_repo(t.path());
    auto handle = repo::open_repository(t.path());
    ASSERT_TRUE(handle);
    git_status_options options = GIT_STATUS_OPTIONS_INIT;
    options.flags = GIT_STATUS_OPT_INCLUDE_UNTRACKED | GIT_STATUS_OPT_RECURSE_UNTRACKED_DIRS |
                    GIT_STATUS_OPT_EXCLUDE_SUBMODULES;
    git_status_list* raw = nullptr;
    ASSERT_EQ(git_status_list_new(&raw, handle->get(), &options), 0);
    repo::StatusListPtr list(raw);
    bool listed = false;
    for (std::size_t i = 0; i < git_status_list_entrycount(list.get()); ++i) {
      const git_status_entry* e = git_status_byindex(list.get(), i);
      const git_diff_delta* d = e->index_to_workdir ? e->index_to_workdir : e->head_to_index;
      listed = listed || utils::is_valid_utf8(d->new_file.path ? d->new_file.path : d->old_file.path);
    }
    EXPECT_EQ(r.has_changes(), listed);
    const auto in_parts = repo::has_changes_split(r, 3);
    ASSERT_TRUE(in_parts);
    EXPECT_EQ(*in_parts, listed);
  }
  // Before the first commit: nothing, then a staged file.
  TempRepo unborn;
  Repo r = open_repo(unborn.path());
  EXPECT_FALSE(r.has_changes());
  unborn.write("a", "a\n");
  unborn.git({"add", "a"});
  EXPECT_TRUE(r.has_changes());
}

}  // namespace

namespace {

// Bytes this process has read so far, whatever from.
std::size_t bytes_read_by_process() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::size_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  ADD_FAILURE() << "no rchar in /proc/self/io";
  return 0;
}

// An untracked file is text unless git's rule calls it binary (a NUL among
// its first 8,000 bytes) or it is too large to be read on every reload; a
// binary one stands in the list without hunks, like a file that is not
// UTF-8.
TEST(WorktreeStatus, UntrackedBinaryAndHugeFilesAreListedWithoutHunks) {
  TempRepo t;
  t.write("base", "b\n").commit("base");
  const std::size_t limit = repo::kUntrackedTextLimit;
  std::string lines;
  while (lines.size() + 5 <= limit) lines += "line\n";
  lines.resize(limit, 'x');
  struct Case {
    const char* path;
    std::string bytes;
    bool text;
  };
  const Case cases[] = {
      {"nul-at-7999", std::string(7999, 'a') + '\0' + "\nmore\n", false},
      {"nul-at-8000", std::string(8000, 'a') + '\0' + "\nmore\n", true},
      {"at-the-limit", lines, true},
      {"past-the-limit", lines + "\n", false},
  };
  for (const auto& c : cases) t.write(c.path, c.bytes);
  // A huge file, sparse so that it costs no disk.
  {
    std::ofstream huge(t.file_path("huge"), std::ios::binary);
    huge.seekp(128 << 20);
    huge.put('\n');
  }

  Repo r = open_repo(t.path());
  const std::size_t before = bytes_read_by_process();
  const auto status = r.load_worktree_status(false);
  const std::size_t read = bytes_read_by_process() - before;
  ASSERT_TRUE(status);
  // Everything but the huge file, and the index, the configuration, ...
  EXPECT_LT(read, 16u << 20);
  const auto* huge = find_file(status->unstaged, "huge");
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->kind, ChangeKind::Untracked);
  EXPECT_TRUE(huge->unstaged_hunks.empty());
  EXPECT_EQ(huge->additions, 0u);

  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto* f = find_file(status->unstaged, c.path);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, ChangeKind::Untracked);
    EXPECT_EQ(f->unstaged_hunks.empty(), !c.text);
    EXPECT_EQ(f->additions, c.text ? line_count(c.bytes) : 0u);
    EXPECT_EQ(f->deletions, 0u);
    if (c.path == std::string_view("past-the-limit")) continue;  // git reads any size
    // git's own verdict: "-" counts for a binary file.
    const auto numbers = t.git_result({"diff", "--no-index", "--numstat", "/dev/null", c.path}).out;
    EXPECT_EQ(numbers.starts_with("-\t-\t"), !c.text) << numbers;
  }
}

}  // namespace
