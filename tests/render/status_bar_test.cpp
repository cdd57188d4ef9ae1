#include "render/status_bar.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "render/details_text.hpp"
#include "render/search_counters.hpp"
#include "render/status_message.hpp"
#include "render/status_texts.hpp"
#include "repo/repo.hpp"
#include "support/temp_repo.hpp"
#include "tui/buffer.hpp"
#include "tui/graphemes.hpp"

namespace {

using namespace std::chrono_literals;
using render::StatusBarContext;
using state::State;
using testing_support::TempRepo;
using tui::Color;

constexpr std::uint16_t kWidth = 100;

// Three commits, HEAD on main at the newest:
//   "pear"       main feature/a feature/b, origin/main origin/topic upstream/topic
//   "more apple"
//   "add apple"  old
struct Fixture {
  TempRepo git;
  repo::Repo repo;
};

void build(Fixture& f) {
  TempRepo& t = f.git;
  t.write("a.txt", "1\n").commit("add apple");
  t.git({"branch", "old"});
  t.write("a.txt", "2\n").commit("more apple");
  t.write("a.txt", "3\n").commit("pear");
  t.git({"branch", "feature/a"});
  t.git({"branch", "feature/b"});
  for (const char* ref :
       {"refs/remotes/origin/main", "refs/remotes/origin/topic", "refs/remotes/upstream/topic"})
    t.git({"update-ref", ref, "HEAD"});
  auto opened = repo::Repo::open(t.path(), 2000);
  ASSERT_TRUE(opened);
  f.repo = std::move(*opened);
}

// Built once: the tests only read it.
const Fixture& fixture() {
  static Fixture f;
  static const bool built = (build(f), true);
  (void)built;
  return f;
}

const repo::Repo& repo_fixture() { return fixture().repo; }

std::string short_id(std::size_t row) { return repo_fixture().commits.at(row).id.short_hex(); }

state::Clock::time_point t0() { return state::Clock::time_point{} + 1000h; }

StatusBarContext context_for(const State& s, const repo::Repo& r, state::Clock::time_point now = t0()) {
  const bool details = s.commit_details.has_value();
  return StatusBarContext{details,
                          details ? std::string_view(s.details_query) : std::string_view(s.search_query),
                          static_cast<std::uint16_t>(kWidth - 2), r.head_sha(), now};
}

tui::Buffer draw(const State& s, const repo::Repo& r, state::Clock::time_point now = t0()) {
  tui::Buffer buffer({0, 0, kWidth, 3});
  render::render_status_bar(buffer, buffer.area(), s, r, context_for(s, r, now));
  return buffer;
}

// The text row as it should read: one blank column at each end, the left
// text, the centre text centred, the right text flush right and the overlay
// flush right over it.
std::string row(const std::string& left, const std::string& right = "", const std::string& centre = "",
                const std::string& overlay = "") {
  const std::size_t inner = kWidth - 2;
  std::vector<std::string> cells(inner, " ");
  const auto place = [&](const std::string& text, std::size_t at) {
    tui::GraphemeCursor cursor(text);
    std::string symbol;
    int width;
    for (std::size_t x = at; x < inner && cursor.next(symbol, width); ++x) cells[x] = symbol;
  };
  place(left, 0);
  if (!centre.empty()) place(centre, (inner - tui::display_width(centre)) / 2);
  if (!right.empty()) place(right, inner - tui::display_width(right));
  if (!overlay.empty()) place(overlay, inner - tui::display_width(overlay));
  std::string out = " ";
  for (const auto& c : cells) out += c;
  return out + " ";
}

// Column of the last cell of the text row.
constexpr int kLast = kWidth - 2;

std::string dashes() {
  std::string out;
  for (int i = 0; i < kWidth; ++i) out += "─";
  return out;
}

struct ModeCase {
  std::string name;
  std::function<void(State&)> set;
  std::string left, right;
  Color border, left_colour;
  std::optional<Color> right_colour;
  std::string centre = "";
};

TEST(StatusBar, DrawsEachModeWithItsTextsAndBorder) {
  const repo::Repo& r = repo_fixture();
  const std::string id = short_id(0);
  const ModeCase cases[] = {
      {"idle", [](State&) {}, r.name, "? → show hotkeys", Color::DarkGray, Color::DarkGray, Color::DarkGray},
      {"idle, panel shown", [](State& s) { s.show_hotkeys = true; }, r.name, "? → hide hotkeys",
       Color::DarkGray, Color::DarkGray, Color::DarkGray},
      {"count prefix", [](State& s) { s.count_prefix = "12"; }, "12", "? → show hotkeys", Color::DarkGray,
       Color::DarkGray, Color::DarkGray},
      // origin/topic and upstream/topic both offer "topic".
      {"create branch",
       [](State& s) {
         s.creating_branch = true;
         s.create_branch_input = "t";
       },
       "create branch: t█opic", "tab → complete   enter → create   esc → cancel", Color::Cyan, Color::Cyan,
       Color::DarkGray},
      {"delete branch",
       [](State& s) {
         s.deleting_branch = true;
         s.delete_branch_input = "f";
       },
       "delete branch: f█eature/", "enter → delete   esc → cancel", Color::Red, Color::Red, Color::DarkGray},
      {"revert", [](State& s) { s.confirming_revert = true; }, "revert " + id + " \"pear\"?",
       "enter → revert   esc → cancel", Color::Red, Color::Red, Color::DarkGray},
      {"checkout",
       [](State& s) {
         s.checking_out = true;
         s.checkout_input = "m";
       },
       "checkout: m█ain", "empty → detached   tab → complete   esc → cancel", Color::Green, Color::Green,
       Color::DarkGray},
      {"push, nothing typed: the first name in byte order", [](State& s) { s.entering_push_branch = true; },
       "push: █feature/a", "tab → complete   enter → push   esc → cancel", Color::Blue, Color::Blue,
       Color::DarkGray},
      {"rebase stopped", [](State& s) { s.rebase_in_progress = true; },
       "rebase in progress - resolve conflicts, then Enter to continue or Esc to abort", "", Color::Yellow,
       Color::Yellow, std::nullopt},
      {"rebase branch",
       [](State& s) {
         s.selecting_rebase_branch = true;
         s.rebase_branch = "feature/b";
       },
       "branch to rebase: feature/b (2/3)", "tab → cycle   enter → select   esc → cancel", Color::Magenta,
       Color::Magenta, Color::DarkGray},
      // Every branch, remote-tracking ones included: old, origin/main, origin/topic.
      {"rebase target",
       [](State& s) {
         s.entering_rebase_target = true;
         s.rebase_branch = "main";
         s.rebase_onto_input = "o";
       },
       "rebase main onto: o█ld", "tab → complete   enter → rebase   esc → cancel", Color::Magenta,
       Color::Magenta, Color::DarkGray},
      {"move branch, chosen one not at the commit",
       [](State& s) {
         s.selecting_move_branch = true;
         s.move_branch = "old";
       },
       "branch to move: old (1/3)", "tab → cycle   enter → select   esc → cancel", Color::Yellow,
       Color::Yellow, Color::DarkGray},
      {"move target",
       [](State& s) {
         s.selecting_move_target = true;
         s.move_branch = "main";
       },
       "moving main → " + id, "j/k → navigate   enter → confirm target   esc → cancel", Color::Yellow,
       Color::Yellow, Color::DarkGray},
      {"move confirmation",
       [](State& s) {
         s.confirming_move = true;
         s.move_branch = "main";
       },
       "move main to " + id + "?", "y/enter → move   n/esc → cancel", Color::Red, Color::Red,
       Color::DarkGray},
      {"search prompt, nothing typed", [](State& s) { s.searching = true; }, "/█",
       "enter → confirm   esc → cancel", Color::White, Color::Yellow, Color::DarkGray},
      {"search prompt with a query",
       [](State& s) {
         s.searching = true;
         s.search_query = "pear";
       },
       "/pear█", "1 commit   enter → confirm   esc → cancel", Color::White, Color::Yellow, Color::DarkGray},
      {"query set, prompt closed, selection on the match", [](State& s) { s.search_query = "pear"; }, "pear",
       "[ 1 / 1 ]", Color::White, Color::DarkGray, Color::Yellow, "? → show hotkeys"},
      {"query set, panel shown",
       [](State& s) {
         s.search_query = "apple";
         s.show_hotkeys = true;
       },
       "apple", "[ 2 matches ]", Color::White, Color::DarkGray, Color::Yellow, "? → hide hotkeys"},
      // The border and the text follow two different orders.
      {"stopped rebase and create prompt",
       [](State& s) {
         s.rebase_in_progress = true;
         s.creating_branch = true;
       },
       "create branch: █topic", "tab → complete   enter → create   esc → cancel", Color::Yellow, Color::Cyan,
       Color::DarkGray},
      {"search prompt over a move target",
       [](State& s) {
         s.searching = true;
         s.selecting_move_target = true;
         s.move_branch = "x";
       },
       "moving x → " + id, "j/k → navigate   enter → confirm target   esc → cancel", Color::Yellow,
       Color::Yellow, Color::DarkGray},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    State s = State::create(r);
    ASSERT_EQ(s.selected, 0u);
    c.set(s);
    const tui::Buffer b = draw(s, r);
    EXPECT_EQ(b.row_text(1), row(c.left, c.right, c.centre));
    EXPECT_EQ(b.row_text(0), dashes());
    EXPECT_EQ(b.row_text(2), dashes());
    for (int x : {0, kWidth / 2, kWidth - 1}) {
      EXPECT_EQ(b.at(x, 0).fg, c.border);
      EXPECT_EQ(b.at(x, 2).fg, c.border);
    }
    EXPECT_EQ(b.at(1, 1).fg, c.left_colour);
    if (c.right_colour) {
      EXPECT_EQ(b.at(kLast, 1).fg, *c.right_colour);
    }
  }
}

TEST(StatusBar, MarksCommitsAndChosenBranchesBold) {
  const repo::Repo& r = repo_fixture();
  struct Case {
    std::string name;
    std::function<void(State&)> set;
    std::string bold_text;
    Color colour;
  };
  const Case cases[] = {
      {"revert", [](State& s) { s.confirming_revert = true; }, short_id(0), Color::Red},
      {"move target",
       [](State& s) {
         s.selecting_move_target = true;
         s.move_branch = "main";
       },
       short_id(0), Color::Yellow},
      {"move confirmation: branch",
       [](State& s) {
         s.confirming_move = true;
         s.move_branch = "main";
       },
       "main", Color::Red},
      {"rebase branch",
       [](State& s) {
         s.selecting_rebase_branch = true;
         s.rebase_branch = "main";
       },
       "main", Color::Magenta},
      {"rebase notice", [](State& s) { s.rebase_in_progress = true; }, "Enter", Color::White},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State s = State::create(r);
    c.set(s);
    const tui::Buffer b = draw(s, r);
    const std::string text = b.row_text(1);
    const std::size_t at = text.find(c.bold_text);
    ASSERT_NE(at, std::string::npos) << text;
    const int x = static_cast<int>(tui::display_width(text.substr(0, at)));
    for (std::size_t k = 0; k < c.bold_text.size(); ++k) {
      EXPECT_EQ(b.at(x + static_cast<int>(k), 1).fg, c.colour);
      EXPECT_TRUE(tui::contains(b.at(x + static_cast<int>(k), 1).modifiers, tui::Modifier::BOLD));
    }
    EXPECT_FALSE(tui::contains(b.at(1, 1).modifiers, tui::Modifier::BOLD));
  }
}

TEST(StatusBar, GhostIsDarkGrayAfterTheCursor) {
  const repo::Repo& r = repo_fixture();
  State s = State::create(r);
  s.checking_out = true;
  s.checkout_input = "m";
  const tui::Buffer b = draw(s, r);
  // " checkout: m█ain": the cursor at column 12, the ghost from 13.
  EXPECT_EQ(b.at(12, 1).symbol, "█");
  EXPECT_EQ(b.at(12, 1).fg, Color::Green);
  for (int x = 13; x < 16; ++x) EXPECT_EQ(b.at(x, 1).fg, Color::DarkGray);
}

TEST(TabPreview, ShowsWhatTabWouldAdd) {
  struct Case {
    std::string name, typed;
    std::vector<std::string> candidates;
    std::optional<std::string> want;
  };
  const Case cases[] = {
      {"no candidates", "f", {}, std::nullopt},
      {"no match", "x", {"feature/a", "main"}, std::nullopt},
      {"case counts", "F", {"feature/a"}, std::nullopt},
      {"one match", "ma", {"feature/a", "main"}, "in"},
      {"one match equal to the text", "main", {"main"}, std::nullopt},
      {"common part beyond the text", "f", {"feature/b", "feature/a"}, "eature/"},
      {"no common extension: rest of the first in byte order", "feature/", {"feature/b", "feature/a"}, "a"},
      {"typed the first whole", "feature/a", {"feature/a", "feature/ab"}, std::nullopt},
      {"typed a prefix of the longer one", "feature/a", {"feature/ab", "feature/a"}, std::nullopt},
      {"duplicates share everything", "t", {"topic", "topic"}, "opic"},
      {"duplicates equal to the text", "topic", {"topic", "topic"}, std::nullopt},
      {"empty text, one name", "", {"main"}, "main"},
      {"empty text, capitals sort first", "", {"b", "A"}, "A"},
      // Shared bytes that end inside a character do not count: only "caf".
      {"common part ends on a character", "c", {"caf\xC3\xA9", "caf\xC3\xA8"}, "af"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render::get_tab_preview(c.typed, c.candidates), c.want);
  }
}

TEST(StatusBar, MessageShowsForLessThanThreeWholeSeconds) {
  const repo::Repo& r = repo_fixture();
  struct Case {
    std::string name;
    std::function<void(State&)> set;
    std::string quiet_right, centre;
  };
  const Case cases[] = {
      {"idle", [](State&) {}, "? → show hotkeys", ""},
      {"query set", [](State& s) { s.search_query = "apple"; }, "[ 2 matches ]", "? → show hotkeys"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State s = State::create(r);
    c.set(s);
    s.set_status("created topic", t0());
    const std::string left = s.search_query.empty() ? r.name : s.search_query;
    EXPECT_EQ(draw(s, r, t0()).row_text(1), row(left, "created topic", c.centre));
    EXPECT_EQ(draw(s, r, t0() + 2999ms).row_text(1), row(left, "created topic", c.centre));
    EXPECT_EQ(draw(s, r, t0() + 2999ms).at(kLast, 1).fg, Color::Yellow);
    EXPECT_EQ(draw(s, r, t0() + 3000ms).row_text(1), row(left, c.quiet_right, c.centre));
    EXPECT_EQ(draw(s, r, t0() + 3h).row_text(1), row(left, c.quiet_right, c.centre));
    ASSERT_TRUE(s.status_message);  // stops being drawn, never cleared
  }
}

TEST(StatusBar, MessageLiesOverAPromptHintButNotTheSearchPrompt) {
  const repo::Repo& r = repo_fixture();
  State s = State::create(r);
  s.set_status("done", t0());
  s.checking_out = true;
  EXPECT_EQ(draw(s, r).row_text(1),
            row("checkout: █feature/a", "empty → detached   tab → complete   esc → cancel", "", "done"));
  s.checking_out = false;
  s.searching = true;
  EXPECT_EQ(draw(s, r).row_text(1), row("/█", "enter → confirm   esc → cancel"));
}

TEST(StatusBar, SpinnerFollowsTheTicks) {
  const repo::Repo& r = repo_fixture();
  struct Case {
    std::optional<std::uint64_t> push, fetch;
    bool searching;
    std::string right;
    Color colour;
  };
  const Case cases[] = {
      {0, std::nullopt, false, "⠋", Color::Cyan},
      {3, std::nullopt, false, "⠸", Color::Cyan},
      {9, std::nullopt, false, "⠏", Color::Cyan},
      {10, std::nullopt, false, "⠋", Color::Cyan},
      {1234567, std::nullopt, false, "⠧", Color::Cyan},
      {std::nullopt, 0, false, "⠋ fetching", Color::Magenta},
      {std::nullopt, 21, false, "⠙ fetching", Color::Magenta},
      {4, 21, false, "⠼", Color::Cyan},  // only the push shows
      {std::nullopt, 5, true, "⠴ fetching", Color::Magenta},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.right);
    State s = State::create(r);
    s.set_status("hidden behind the activity", t0());
    s.searching = c.searching;
    if (c.push) s.push_task = state::Task<state::PushResult>{{}, *c.push};
    if (c.fetch) s.fetch_task = state::Task<state::FetchResult>{{}, *c.fetch};
    const tui::Buffer b = draw(s, r);
    const std::string text = b.row_text(1);
    if (c.searching) {
      EXPECT_EQ(text, row("/█", "enter → confirm   esc → cancel", "", c.right));
    } else {
      // The idle hint gives way to the activity.
      EXPECT_EQ(text, row(r.name, c.right));
    }
    EXPECT_EQ(b.at(kLast, 1).fg, c.colour);
  }
  EXPECT_EQ(render::SPINNER_FRAMES.size(), 10u);
  EXPECT_EQ(render::SPINNER_FRAMES[0], "\u280B");
  EXPECT_EQ(render::SPINNER_FRAMES[9], "\u280F");
}

TEST(RevertQuestion, QuotesTheFirstLineCutAtFortyBytes) {
  const std::string forty(40, 'x');
  struct Case {
    std::string name, summary, want;
  };
  const Case cases[] = {
      {"empty", "", " \"\"?"},
      {"short", "Fix it", " \"Fix it\"?"},
      {"exactly 40 bytes", forty, " \"" + forty + "\"?"},
      {"41 bytes", forty + "y", " \"" + forty + "...\"?"},
      {"first line only", "Fix it\n\nBody", " \"Fix it\"?"},
      {"CRLF ends the line", "Fix it\r\nBody", " \"Fix it\"?"},
      {"a lone CR stays", "Fix\rit", " \"Fix\rit\"?"},
      {"a long second line does not count", "Fix\n" + forty + "zz", " \"Fix\"?"},
      // Byte 40 falls inside é (bytes 40 and 41): cut before it.
      {"two-byte character across the limit", std::string(39, 'x') + "\xC3\xA9z",
       " \"" + std::string(39, 'x') + "...\"?"},
      {"three-byte character across the limit", std::string(38, 'x') + "\xE2\x82\xAC" + "z",
       " \"" + std::string(38, 'x') + "...\"?"},
      {"character ending at the limit", std::string(38, 'x') + "\xC3\xA9z",
       " \"" + std::string(38, 'x') + "\xC3\xA9...\"?"},
      {"40 bytes of multi-byte text",
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
       " \"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
       "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\"?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(render::revert_question(c.summary), c.want);
  }
}

// Summaries as git stored them: the question shows the first line, cut on a
// character boundary, with control characters drawn as harmless pictures.
TEST(StatusBar, RevertPromptShowsTheSummarysFirstLine) {
  struct Case {
    std::string name, message, question;
  };
  const Case cases[] = {
      {"long, a character across byte 40", std::string(39, 'x') + "\xC3\xA9 and more\n\nbody",
       " \"" + std::string(39, 'x') + "...\"?"},
      {"escape sequence and a lone CR", "red \x1b[31mtext\rover\n\nbody",
       " \"red \u241B[31mtext\u240Dover\"?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRepo t;
    t.write("a.txt", "1\n").commit(c.message);
    auto r = repo::Repo::open(t.path(), 2000);
    ASSERT_TRUE(r);
    State s = State::create(*r);
    s.confirming_revert = true;
    const tui::Buffer b = draw(s, *r);
    EXPECT_EQ(b.row_text(1),
              row("revert " + r->commits[0].id.short_hex() + c.question, "enter → revert   esc → cancel"));
    EXPECT_EQ(b.row_text(2), dashes());
  }
}

// An empty log, and a selection left past the end by a reload: the prompts
// keep their fixed texts; nothing names a commit or completes a name.
TEST(StatusBar, WithoutASelectedCommit) {
  TempRepo empty;
  auto empty_repo = repo::Repo::open(empty.path(), 2000);
  ASSERT_TRUE(empty_repo);
  ASSERT_TRUE(empty_repo->commits.empty());
  struct Case {
    std::string name;
    std::function<void(State&)> set;
    std::string left, right;
  };
  const Case cases[] = {
      {"create branch", [](State& s) { s.creating_branch = true; }, "create branch: █",
       "tab → complete   enter → create   esc → cancel"},
      {"delete branch",
       [](State& s) {
         s.deleting_branch = true;
         s.delete_branch_input = "ma";
       },
       "delete branch: ma█", "enter → delete   esc → cancel"},
      {"checkout", [](State& s) { s.checking_out = true; }, "checkout: █",
       "empty → detached   tab → complete   esc → cancel"},
      {"push", [](State& s) { s.entering_push_branch = true; }, "push: █",
       "tab → complete   enter → push   esc → cancel"},
      {"revert", [](State& s) { s.confirming_revert = true; }, "revert ", "enter → revert   esc → cancel"},
      {"rebase branch",
       [](State& s) {
         s.selecting_rebase_branch = true;
         s.rebase_branch = "main";
       },
       "branch to rebase: main", "tab → cycle   enter → select   esc → cancel"},
      {"move branch",
       [](State& s) {
         s.selecting_move_branch = true;
         s.move_branch = "main";
       },
       "branch to move: main", "tab → cycle   enter → select   esc → cancel"},
      {"move target",
       [](State& s) {
         s.selecting_move_target = true;
         s.move_branch = "main";
       },
       "moving main → ", "j/k → navigate   enter → confirm target   esc → cancel"},
      {"move confirmation",
       [](State& s) {
         s.confirming_move = true;
         s.move_branch = "main";
       },
       "move main to ?", "y/enter → move   n/esc → cancel"},
      {"query set", [](State& s) { s.search_query = "zzz"; }, "zzz", "[ no matches ]"},
  };
  struct Log {
    std::string name;
    const repo::Repo* repo;
    std::size_t selected;
  };
  const Log logs[] = {{"empty log", &*empty_repo, 0}, {"selection past the end", &repo_fixture(), 3}};
  for (const Log& log : logs) {
    for (const Case& c : cases) {
      SCOPED_TRACE(log.name + ": " + c.name);
      State s = State::create(*log.repo);
      s.selected = log.selected;
      c.set(s);
      const std::string centre = c.name == "query set" ? "? → show hotkeys" : "";
      EXPECT_EQ(draw(s, *log.repo).row_text(1), row(c.left, c.right, centre));
    }
  }
  State idle = State::create(*empty_repo);
  EXPECT_EQ(draw(idle, *empty_repo).row_text(1), row(empty_repo->name, "? → show hotkeys"));
}

TEST(SearchCounter, HistoryHintFromTheCursor) {
  struct Case {
    std::optional<std::size_t> cursor;
    std::size_t entries;
    std::string want;
  };
  const Case cases[] = {
      {std::nullopt, 0, ""},
      {std::nullopt, 1, "↑ history   "},
      {std::nullopt, 4, "↑ history   "},
      {0, 1, ""},
      {0, 3, "↓ history   "},
      {1, 3, "↑↓ history   "},
      {2, 4, "↑↓ history   "},
      {2, 3, "↑ history   "},
      {3, 3, "↑ history   "},
      {1, 2, "↑ history   "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.cursor ? std::to_string(*c.cursor) : "none") << " of "
                                    << c.entries);
    EXPECT_EQ(render::history_hint(c.cursor, c.entries), c.want);
  }
}

TEST(StatusBar, SearchPromptCountsCommitsOrHintsAtHistory) {
  const repo::Repo& r = repo_fixture();
  struct Case {
    std::string query;
    std::vector<std::string> history;
    std::optional<std::size_t> cursor;
    std::string counter;
  };
  const Case cases[] = {
      {"", {}, std::nullopt, ""},
      {"", {"pear"}, std::nullopt, "↑ history   "},
      {"", {"pear", "apple"}, 0, "↓ history   "},
      {"pear", {"pear"}, 0, "1 commit   "},  // a recalled entry is counted
      {"apple", {}, std::nullopt, "2 commits   "},
      {"APPLE", {}, std::nullopt, "2 commits   "},
      {"Apple", {}, std::nullopt, "no matches   "},
      {"HEAD", {}, std::nullopt, "1 commit   "},
      {"feature/", {}, std::nullopt, "1 commit   "},
      {"Test Author", {}, std::nullopt, "3 commits   "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    State s = State::create(r);
    s.searching = true;
    s.search_query = c.query;
    s.search_history = c.history;
    s.history_cursor = c.cursor;
    EXPECT_EQ(draw(s, r).row_text(1), row("/" + c.query + "█", c.counter + "enter → confirm   esc → cancel"));
  }
}

TEST(MatchPosition, NamesThePlaceAmongTheMatches) {
  struct Case {
    std::size_t count;
    std::optional<std::size_t> place;
    std::string want;
  };
  const Case cases[] = {
      {0, std::nullopt, "[ no matches ]"}, {0, 0, "[ no matches ]"}, {1, 0, "[ 1 / 1 ]"}, {5, 4, "[ 5 / 5 ]"},
      {5, std::nullopt, "[ 5 matches ]"},  {5, 5, "[ 5 matches ]"},
  };
  for (const Case& c : cases) EXPECT_EQ(render::position_text(c.count, c.place), c.want);
}

TEST(StatusBar, LogMatchPositionFollowsTheSelection) {
  const repo::Repo& r = repo_fixture();
  struct Case {
    std::string query;
    std::size_t selected;
    std::string want;
  };
  const Case cases[] = {
      {"apple", 0, "[ 2 matches ]"}, {"apple", 1, "[ 1 / 2 ]"},     {"apple", 2, "[ 2 / 2 ]"},
      {"zzz", 0, "[ no matches ]"},  {"apple", 7, "[ 2 matches ]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query + " at " + std::to_string(c.selected));
    State s = State::create(r);
    s.search_query = c.query;
    s.selected = c.selected;
    EXPECT_EQ(draw(s, r).row_text(1), row(c.query, c.want, "? → show hotkeys"));
  }
}

// The details counters take their lines from the details layout at the
// details width; the current match names a place only while it was measured
// on the open commit with the same query at that width.
TEST(StatusBar, DetailsCountersAndCurrentMatch) {
  const repo::Repo& r = repo_fixture();
  auto details = r.load_commit_details(r.commits[1].id);
  ASSERT_TRUE(details);
  const std::uint16_t width = kWidth - 2;
  const std::string query = "apple";
  const std::size_t m = render::details_match_lines(*details, nullptr, query, width).size();
  const auto counter = [](std::size_t n) {
    return n == 0   ? std::string("no matches   ")
           : n == 1 ? std::string("1 match   ")
                    : std::to_string(n) + " matches   ";
  };

  State s = State::create(r);
  s.commit_details = details;
  s.search_query = "pear";  // the log's query plays no part here
  s.searching = true;
  EXPECT_EQ(draw(s, r).row_text(1), row("/█", "enter → confirm   esc → cancel"));
  s.search_history = {"pear"};  // no history hint in the details
  EXPECT_EQ(draw(s, r).row_text(1), row("/█", "enter → confirm   esc → cancel"));
  s.details_query = query;
  EXPECT_EQ(draw(s, r).row_text(1), row("/" + query + "█", counter(m) + "enter → confirm   esc → cancel"));

  const std::string centre = "? → show hotkeys";
  struct Case {
    std::string name;
    std::function<void(State&)> change;
    bool valid;
  };
  const Case cases[] = {
      {"measured now", [](State&) {}, true},
      {"measured at another width",
       [](State& st) {
         state::set_details_match(st, state::DetailsMatch{0, 0}, kWidth - 10);
       },
       false},
      {"measured with another query",
       [](State& st) {
         st.details_query = "appl";
         state::set_details_match(st, state::DetailsMatch{0, 0}, kWidth - 2);
         st.details_query = "apple";
       },
       false},
      {"measured on another commit", [&](State& st) { st.commit_details->id = r.commits[0].id; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State st = State::create(r);
    st.commit_details = details;
    st.details_query = query;
    state::set_details_match(st, state::DetailsMatch{0, 0}, width);
    c.change(st);
    const std::string want = c.valid ? render::position_text(m, 0) : render::position_text(m, std::nullopt);
    EXPECT_EQ(draw(st, r).row_text(1), row(query, want, centre));
    if (!c.valid) {
      EXPECT_EQ(draw(st, r).row_text(1).find(" / "), std::string::npos);
    }
  }
}

TEST(OneRow, KeepsAMessageOnOneRow) {
  struct Case {
    std::string text, want;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"error: a\nhint: b", "error: a hint: b"},
      {"error: a\r\nhint: b\r\n", "error: a hint: b"},
      {"a\n\n\nb", "a b"},
      {"\nlead", "lead"},
      {"a\rb", "a b"},
      {"tab\tand \x1b[31mesc", "tab\tand \x1b[31mesc"},  // the terminal layer shows these harmlessly
      {"\n\r\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(render::one_row(c.text), c.want);
}

TEST(StatusBar, MultiLineMessageStaysOnItsRow) {
  const repo::Repo& r = repo_fixture();
  State s = State::create(r);
  s.set_status("error: failed\r\nhint: \x1b[2Jagain\n", t0());
  const tui::Buffer b = draw(s, r);
  EXPECT_EQ(b.row_text(0), dashes());
  EXPECT_EQ(b.row_text(2), dashes());
  // ESC is drawn as its control picture; nothing reaches the terminal raw.
  EXPECT_EQ(b.row_text(1), row(r.name, "error: failed hint: \u241B[2Jagain"));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < kWidth; ++x)
      EXPECT_EQ(b.at(x, y).symbol.find_first_of("\n\r\x1b"), std::string::npos);
}

TEST(StatusBar, SaysWhenTheHistoryIsCutShort) {
  repo::Repo r = repo_fixture();
  r.cut_short = "history cut short: commit 1234567 cannot be read";
  const State s;
  const tui::Buffer buf = draw(s, r);
  EXPECT_EQ(buf.row_text(1), row("repo", "? → show hotkeys", *r.cut_short));
  const int x = 1 + (kWidth - 2 - static_cast<int>(r.cut_short->size())) / 2;
  EXPECT_EQ(buf.at(x, 1).symbol, "h");
  EXPECT_EQ(buf.at(x, 1).fg, Color::Yellow);
  EXPECT_EQ(draw(s, repo_fixture()).row_text(1), row("repo", "? → show hotkeys"));
}

TEST(StatusBar, NarrowAndShortAreas) {
  const repo::Repo& r = repo_fixture();
  State s = State::create(r);
  s.set_status("a message far wider than the bar", t0());
  // Wider than the row: starts at the left edge and is cut at the right one.
  tui::Buffer narrow({0, 0, 12, 3});
  render::render_status_bar(narrow, narrow.area(), s, r, context_for(s, r));
  EXPECT_EQ(narrow.row_text(1), " a message  ");
  for (std::uint16_t w : {0, 1, 2}) {
    tui::Buffer tiny({0, 0, std::max<std::uint16_t>(w, 1), 3});
    render::render_status_bar(tiny, {0, 0, w, 3}, s, r, context_for(s, r));
  }
  // Too short for a text row: the borders alone.
  tui::Buffer two_rows({0, 0, kWidth, 2});
  render::render_status_bar(two_rows, two_rows.area(), s, r, context_for(s, r));
  EXPECT_EQ(two_rows.row_text(0), dashes());
  EXPECT_EQ(two_rows.row_text(1), dashes());
}

}  // namespace
