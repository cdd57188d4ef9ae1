#include "render/details_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details_fixture.hpp"
#include "render/spans.hpp"

namespace {

using details_fixture::chars_of;
using details_fixture::open_commit;
using details_fixture::text_of;
using details_fixture::texts_of;
using render::details_content_height;
using render::details_lines;
using render::details_match_lines;
using render::MATCH_STYLE;
using testing_support::TempRepo;
using tui::Color;
using tui::Modifier;
using tui::Span;
using tui::Style;

using Lines = std::vector<std::string>;

const Style kDim{.fg = Color::DarkGray};
const Style kBar{.fg = Color::White, .bg = Color::DarkGray, .add_modifier = Modifier::BOLD};

// The test repositories' fixed identity and first commit time.
const std::string kWho = "Test Author <author@example.com>";
const std::string kWhen = "Nov 14, 2023 10:13 PM";

std::string pad_to(const std::string& left, const std::string& right, std::size_t width) {
  const std::size_t used = utils::count_chars(left) + right.size() + 1;
  return left + std::string(used < width ? width - used : 1, ' ') + right;
}

std::string commit_verbatim(TempRepo& t, const std::string& message) {
  t.git({"add", "-A"});
  t.git({"commit", "-q", "--allow-empty", "--allow-empty-message", "--cleanup=verbatim", "-m", message});
  return t.rev_parse("HEAD");
}

// The lines of the first file block, header line excluded, up to its
// closing empty line included.
Lines block_rows(const render::DetailsText& text, std::size_t section = 0) {
  const std::size_t start = text.sections.at(section).start_line + 1;
  const std::size_t end =
      section + 1 < text.sections.size() ? text.sections[section + 1].start_line : text.lines.size();
  Lines rows;
  for (std::size_t i = start; i < end; ++i) rows.push_back(text_of(text.lines[i]));
  return rows;
}

TEST(DetailsText, EmptyCommitGivesSixLines) {
  TempRepo t;
  const std::string id = commit_verbatim(t, "");
  const auto opened = open_commit(t, id);
  ASSERT_TRUE(opened.details.message.empty());
  ASSERT_TRUE(opened.details.files.empty());

  const auto text = details_lines(opened.details, &opened.cache, "", 60);
  EXPECT_EQ(texts_of(text.lines), (Lines{pad_to("", id, 60), pad_to("", kWho, 60), pad_to("", kWhen, 60), "",
                                         "0 files changed  ", ""}));
  EXPECT_TRUE(text.sections.empty());
  EXPECT_EQ(text.lines[4].spans, (std::vector<Span>{Span("0 files changed  ", kBar)}));
  EXPECT_EQ(details_content_height(opened.details, &opened.cache, "", 60), 6u);
  EXPECT_EQ(details_content_height(opened.details, nullptr, "changed", 60), 6u);
  // Only the summary says "changed", and it is never marked.
  EXPECT_TRUE(details_match_lines(opened.details, &opened.cache, "changed", 60).empty());
}

TEST(DetailsText, HeaderPairsMessageLinesWithIdAuthorAndDate) {
  const std::string long_line(30, 'x');
  struct Case {
    std::string message;
    std::uint16_t width;
    Lines want;  // the left parts of the header lines, then the further message lines
  };
  const Case cases[] = {
      {"Fix\n", 60, {"Fix", "", ""}},
      // Too long for the width: one space before the id, past the width.
      {long_line + "\n", 60, {long_line, "", ""}},
      // CRLF endings go whole; a final line feed starts no empty line.
      {"one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\n", 60, {"one", "two", "three", "four", "", "six"}},
      {"a\rb\nlast", 50, {"a\rb", "last", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TempRepo t;
    const std::string id = commit_verbatim(t, c.message);
    const auto opened = open_commit(t, id);
    const auto lines = texts_of(details_lines(opened.details, &opened.cache, "", c.width).lines);
    Lines want = {pad_to(c.want[0], id, c.width), pad_to(c.want[1], kWho, c.width),
                  pad_to(c.want[2], kWhen, c.width)};
    want.insert(want.end(), c.want.begin() + 3, c.want.end());
    want.push_back("");
    ASSERT_GE(lines.size(), want.size());
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(want.size())), want);
  }

  TempRepo t;
  const std::string id = commit_verbatim(t, "Fix\n");
  const auto opened = open_commit(t, id);
  const auto text = details_lines(opened.details, &opened.cache, "", 60);
  // 60 - (3 + 40 + 1) spaces: the line ends one column short of the width.
  EXPECT_EQ(text.lines[0].spans, (std::vector<Span>{Span("Fix", Style{.add_modifier = Modifier::BOLD}),
                                                    Span(std::string(16, ' ')), Span(id, kDim)}));
  EXPECT_EQ(chars_of(text.lines[0]), 59u);
  EXPECT_EQ(text.lines[2].spans.back(), Span(kWhen, kDim));
  const auto long_text = details_lines(opened.details, &opened.cache, "", 30);
  EXPECT_EQ(text_of(long_text.lines[0]), "Fix " + id);
}

// The commit of the tree example: src/a.txt modified (+2 -1), src/b/c.txt
// added (+3), README deleted (-5).
struct TreeExample {
  TempRepo t;
  std::string id;
  TreeExample() {
    t.write("src/a.txt", "1\n2\n3\n").write("README", "r1\nr2\nr3\nr4\nr5\n").commit("Base");
    t.write("src/a.txt", "1\ntwo\n3\n4\n").write("src/b/c.txt", "c1\nc2\nc3\n").remove("README");
    id = t.commit("Example");
  }
};

TEST(DetailsText, SummaryAndFileTreeOfTheExample) {
  TreeExample example;
  const auto opened = open_commit(example.t, example.id);
  const auto text = details_lines(opened.details, &opened.cache, "", 80);

  EXPECT_EQ(
      text.lines[4].spans,
      (std::vector<Span>{Span("3 files changed  ", kBar), Span("+5", kBar.with_fg(Color::Green)),
                         Span(" ", Style{.bg = Color::DarkGray}), Span("-6", kBar.with_fg(Color::Red))}));
  const Lines texts = texts_of(text.lines);
  EXPECT_EQ(Lines(texts.begin() + 5, texts.begin() + 11),
            (Lines{"├ src/", "│ ├ b/", "│ │ └ c.txt +3", "│ └ a.txt +2 -1", "└ README -5", ""}));

  const Style guide = kDim;
  const Style green{.fg = Color::Green}, red{.fg = Color::Red};
  EXPECT_EQ(text.lines[5].spans,
            (std::vector<Span>{Span("├ ", guide), Span("src/", Style{.fg = Color::Blue})}));
  EXPECT_EQ(text.lines[6].spans,
            (std::vector<Span>{Span("│ ", guide), Span("├ ", guide), Span("b/", Style{.fg = Color::Blue})}));
  EXPECT_EQ(text.lines[7].spans, (std::vector<Span>{Span("│ │ ", guide), Span("└ ", guide),
                                                    Span("c.txt", green), Span(" "), Span("+3", green)}));
  EXPECT_EQ(text.lines[8].spans, (std::vector<Span>{Span("│ ", guide), Span("└ ", guide),
                                                    Span("a.txt", Style{.fg = Color::Yellow}), Span(" "),
                                                    Span("+2", green), Span(" "), Span("-1", red)}));
  EXPECT_EQ(text.lines[9].spans,
            (std::vector<Span>{Span("└ ", guide), Span("README", red), Span(" "), Span("-5", red)}));

  // The blocks follow the commit's own file order, not the tree's.
  ASSERT_EQ(text.sections.size(), opened.details.files.size());
  std::size_t expected_start = 11;
  for (std::size_t i = 0; i < text.sections.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(text.sections[i].path, opened.details.files[i].path);
    EXPECT_EQ(text.sections[i].start_line, expected_start);
    EXPECT_EQ(text.lines[expected_start].spans,
              (std::vector<Span>{Span(opened.details.files[i].path, kBar)}));
    // One hunk each: its rows, then an empty line.
    expected_start += 1 + opened.details.files[i].hunks.at(0).lines.size() + 1;
  }
  EXPECT_EQ(expected_start, text.lines.size());
}

TEST(DetailsText, TreeSortsDirectoriesFirstThenNamesIgnoringCase) {
  struct Case {
    std::vector<std::string> paths;
    Lines want;
  };
  const Case cases[] = {
      {{"Zeta", "alpha"}, {"├ alpha", "└ Zeta"}},
      {{"b.txt", "A.txt"}, {"├ A.txt", "└ b.txt"}},
      {{"aa", "zz/x"}, {"├ zz/", "│ └ x", "└ aa"}},
      {{"ab", "a"}, {"├ a", "└ ab"}},
      // Equal under the order: the commit's order stays.
      {{"same", "SAME"}, {"├ same", "└ SAME"}},
      {{"SAME", "same"}, {"├ SAME", "└ same"}},
      // A path met again, or after a longer path through it, adds nothing.
      {{"d/f", "d", "d/f"}, {"└ d/", "  └ f"}},
      {{"x/y/z", "x/a", "w"}, {"├ x/", "│ ├ y/", "│ │ └ z", "│ └ a", "└ w"}},
      {{"a//b"}, {"└ a/", "  └ /", "    └ b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.paths));
    std::vector<repo::FileChange> files;
    for (const std::string& path : c.paths) {
      repo::FileChange file;
      file.path = path;
      file.status = 'M';
      files.push_back(std::move(file));
    }
    auto tree = render::build_file_tree(files);
    render::sort_tree(tree);
    std::vector<tui::Line> lines;
    render::render_file_tree(tree, "", lines, "", MATCH_STYLE);
    EXPECT_EQ(texts_of(lines), c.want);
  }
}

TEST(DetailsText, TreeFileColoursByStatusAndCountsOnlyWhenAboveZero) {
  struct Case {
    char status;
    std::size_t additions, deletions;
    std::vector<Span> want;  // after the guide
  };
  const Style green{.fg = Color::Green}, red{.fg = Color::Red};
  const Case cases[] = {
      {'A', 1, 0, {Span("f", green), Span(" "), Span("+1", green)}},
      {'D', 0, 2, {Span("f", red), Span(" "), Span("-2", red)}},
      {'M', 0, 0, {Span("f", Style{.fg = Color::Yellow})}},
      {'R',
       3,
       4,
       {Span("f", Style{.fg = Color::Blue}), Span(" "), Span("+3", green), Span(" "), Span("-4", red)}},
      {'C', 0, 0, {Span("f", Style{.fg = Color::Gray})}},
      {'T', 0, 0, {Span("f", Style{.fg = Color::Gray})}},
      {'?', 0, 0, {Span("f", Style{.fg = Color::Gray})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::vector<tui::Line> lines;
    render::render_file_tree({render::FileTreeNode{.name = "f",
                                                   .children = {},
                                                   .additions = c.additions,
                                                   .deletions = c.deletions,
                                                   .status = c.status}},
                             "", lines, "", MATCH_STYLE);
    ASSERT_EQ(lines.size(), 1u);
    std::vector<Span> want = {Span("└ ", kDim)};
    want.insert(want.end(), c.want.begin(), c.want.end());
    EXPECT_EQ(lines[0].spans, want);
  }

  // A mode change counts no lines: no counts and no trailing space.
  TempRepo t;
  t.write("run.sh", "echo\n").commit("Base");
  t.git({"update-index", "--chmod=+x", "run.sh"});
  const auto opened = open_commit(t, t.commit_staged("Executable"));
  const auto text = details_lines(opened.details, &opened.cache, "", 80);
  EXPECT_EQ(text_of(text.lines[5]), "└ run.sh");
  EXPECT_EQ(text_of(text.lines[4]), "1 file changed  ");
}

// A file whose first hunk opens a block comment that it does not close.
TEST(DetailsText, HunksOfAFileRunOnInTheirTokens) {
  TempRepo t;
  std::string base;
  for (int n = 1; n <= 20; ++n) base += "int v" + std::to_string(n) + " = " + std::to_string(n) + ";\n";
  t.write("lib.c", base).commit("Base");
  std::string changed = base;
  changed.replace(changed.find("int v2 = 2;"), 11, "/* opened");
  changed.replace(changed.find("int v18 = 18;"), 13, "int changed = 1;");
  const auto opened = open_commit(t, t.write("lib.c", changed).commit("Two hunks"));
  const repo::FileChange& file = opened.details.files.at(0);
  ASSERT_EQ(file.hunks.size(), 2u);
  const auto& tokens = opened.cache.files.at(0).lines;

  const auto text = details_lines(opened.details, &opened.cache, "", 80);
  const std::size_t first = text.sections.at(0).start_line + 1;
  const std::size_t second_hunk = first + file.hunks[0].lines.size() + 1;
  EXPECT_EQ(text_of(text.lines[second_hunk - 1]), "");
  EXPECT_EQ(text_of(text.lines.back()), "");
  ASSERT_EQ(text.lines.size(), second_hunk + file.hunks[1].lines.size() + 1);

  // Each row is the gutter, the origin, then its line's tokens in their own
  // colours, the entries counting on through the second hunk.
  std::size_t k = 0;
  for (std::size_t h = 0; h < 2; ++h) {
    const std::size_t row0 = h == 0 ? first : second_hunk;
    for (std::size_t j = 0; j < file.hunks[h].lines.size(); ++j, ++k) {
      SCOPED_TRACE(k);
      const repo::DiffLine& line = file.hunks[h].lines[j];
      const auto background = line.origin == '+'   ? std::optional(render::DIFF_ADDED_BG)
                              : line.origin == '-' ? std::optional(render::DIFF_REMOVED_BG)
                                                   : std::nullopt;
      std::vector<Span> want = render::diff_prefix_spans(line, 2, background);
      for (const highlight::Token& token : tokens.at(k))
        want.emplace_back(token.text,
                          Style{.fg = Color::rgb(token.foreground.r, token.foreground.g, token.foreground.b),
                                .bg = background});
      render::fill_diff_background(want, background, 80);
      EXPECT_EQ(text.lines[row0 + j].spans, want);
    }
  }
  // The second hunk is inside the comment the first one opened.
  const Color comment = Color::rgb(0x94, 0x9c, 0xbb);
  for (std::size_t j = 0; j < file.hunks[1].lines.size(); ++j)
    for (std::size_t s = 2; s < text.lines[second_hunk + j].spans.size(); ++s) {
      const Span& span = text.lines[second_hunk + j].spans[s];
      if (!span.style.fg) continue;  // the fill of a '+' or '-' row
      EXPECT_EQ(span.style.fg, comment) << span.content;
    }
}

// ctx40 as context, "old" removed, add40 and fit16 added; gutter 2.
struct WrapExample {
  TempRepo t;
  std::string id;
  static inline const std::string ctx40 = "0123456789012345678901234567890123456789";
  static inline const std::string add40 = "abcdefghijabcdefghijabcdefghijabcdefghij";
  WrapExample() {
    t.write("w.txt", ctx40 + "\nold\n").commit("Base");
    id = t.write("w.txt", ctx40 + "\n" + add40 + "\nABCDEFGHIJKLMNOP\n").commit("Wrap");
  }
};

TEST(DetailsText, DiffRowsWrapAtTheWidth) {
  WrapExample example;
  const auto opened = open_commit(example.t, example.id);
  struct Case {
    std::uint16_t width;
    Lines want;
  };
  const Case cases[] = {
      {20,
       {
           " 1  0123456789012345",
           "    6789012345678901",
           "    23456789",
           " 2 -old             ",
           " 2 +abcdefghijabcdef",
           "    ghijabcdefghijab",
           "    cdefghij        ",
           " 3 +ABCDEFGHIJKLMNOP",  // fits exactly: 16 characters
           "",
       }},
      // The gutter and the origin fill the width: nothing wraps, rows as
      // long as their content.
      {4, {" 1  " + WrapExample::ctx40, " 2 -old", " 2 +" + WrapExample::add40, " 3 +ABCDEFGHIJKLMNOP", ""}},
      {3, {" 1  " + WrapExample::ctx40, " 2 -old", " 2 +" + WrapExample::add40, " 3 +ABCDEFGHIJKLMNOP", ""}},
      {44,
       {" 1  " + WrapExample::ctx40, " 2 -old" + std::string(37, ' '), " 2 +" + WrapExample::add40,
        " 3 +ABCDEFGHIJKLMNOP" + std::string(24, ' '), ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    EXPECT_EQ(block_rows(details_lines(opened.details, &opened.cache, "", c.width)), c.want);
  }

  // Indents and padding carry the row's background and nothing else; a
  // context row's indent has no style at all.
  const auto text = details_lines(opened.details, &opened.cache, "", 20);
  const std::size_t first = text.sections.at(0).start_line + 1;
  EXPECT_EQ(text.lines[first + 1].spans.front(), Span("    ", Style{}));
  EXPECT_EQ(text.lines[first + 2].spans.back().content, "23456789");
  EXPECT_EQ(text.lines[first + 5].spans.front(), Span("    ", Style{.bg = render::DIFF_ADDED_BG}));
  EXPECT_EQ(text.lines[first + 6].spans.back(),
            Span(std::string(8, ' '), Style{.bg = render::DIFF_ADDED_BG}));
  EXPECT_EQ(text.lines[first + 3].spans.back(),
            Span(std::string(13, ' '), Style{.bg = render::DIFF_REMOVED_BG}));
}

TEST(DetailsText, WrappingCutsTokensKeepingTheirStyle) {
  TempRepo t;
  const auto opened =
      open_commit(t, t.write("w.cpp", "int foobar_state_of_the_parser = 10;\n").commit("Long identifier"));
  // Width 20, gutter 2: 16 characters of text per row.
  for (const std::string query : {"", "foobar"}) {
    SCOPED_TRACE(query);
    const auto text = details_lines(opened.details, &opened.cache, query, 20);
    const std::size_t first = text.sections.at(0).start_line + 1;
    ASSERT_EQ(text.lines.size(), first + 4);  // three rows and the closing empty line
    const Lines want = {" 1 +int foobar_state", "    _of_the_parser =", "     10;            "};
    const Lines texts = texts_of(text.lines);
    EXPECT_EQ(Lines(texts.begin() + static_cast<std::ptrdiff_t>(first), texts.end() - 1), want);
    // The identifier's two pieces have one style.
    const Span& head = text.lines[first].spans.back();
    const Span& tail = text.lines[first + 1].spans[1];
    EXPECT_EQ(head.content, " foobar_state");
    EXPECT_EQ(tail.content, "_of_the_parser ");
    EXPECT_EQ(head.style, tail.style);
    EXPECT_EQ(head.style == MATCH_STYLE, !query.empty());
    // A marked token over two rows makes both of them match lines.
    if (!query.empty()) {
      EXPECT_EQ(details_match_lines(opened.details, &opened.cache, query, 20),
                (std::vector<std::size_t>{first, first + 1}));
    }
  }
}

TEST(DetailsText, TabsAndCarriageReturnsCountAsOneCharacterEach) {
  TempRepo t;
  const auto opened = open_commit(t, t.write("crlf.txt", "\ta\tb\r\nx\r\n").commit("CRLF and tabs"));
  const auto& line = opened.details.files.at(0).hunks.at(0).lines.at(0);
  ASSERT_EQ(line.content, "\ta\tb\r");
  // 5 characters of text: fits 9 columns exactly, wraps at 8.
  EXPECT_EQ(block_rows(details_lines(opened.details, &opened.cache, "", 9)),
            (Lines{" 1 +\ta\tb\r", " 2 +x\r   ", ""}));
  EXPECT_EQ(block_rows(details_lines(opened.details, &opened.cache, "", 8)),
            (Lines{" 1 +\ta\tb", "    \r   ", " 2 +x\r  ", ""}));
}

TEST(DetailsText, MatchLinesInMessagePathsAndDiffTokens) {
  TempRepo t;
  t.write("src/parser.cpp", "int parse_parser_state = 0;\nint other = 1;\n");
  const auto opened = open_commit(t, t.commit("Fix the Parser"));
  // 0-2 header, 3 empty, 4 summary, 5 "└ src/", 6 "  └ parser.cpp +2", 7 empty, 8 the file's
  // header, 9 and 10 its rows, 11 empty.
  const auto text = details_lines(opened.details, &opened.cache, "", 80);
  ASSERT_EQ(text.lines.size(), 12u);
  ASSERT_EQ(text_of(text.lines[6]), "  └ parser.cpp +2");
  struct Case {
    std::string query;
    std::vector<std::size_t> want;
  };
  const Case cases[] = {
      {"parser", {0, 6, 8, 9}},
      // Mixed case: message and paths exactly, diff tokens whatever their case.
      {"Parser", {0, 9}},
      {"PARSER", {0, 6, 8, 9}},
      {"src/", {5, 8}},
      {"other", {10}},
      // Across two tokens: the row matches but no token is marked.
      {"state = 0", {}},
      // The header's right-hand texts, the summary and the counts never count.
      {"author", {}},
      {"example.com", {}},
      {"changed", {}},
      {"+2", {}},
      {"zzz", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(details_match_lines(opened.details, &opened.cache, c.query, 80), c.want);
    // Marks never change the layout.
    EXPECT_EQ(details_content_height(opened.details, &opened.cache, c.query, 80), 12u);
  }

  // A marked diff token is marked whole; a message line only where it holds the query.
  const auto marked = details_lines(opened.details, &opened.cache, "parser", 80);
  std::vector<std::string> marked_texts;
  for (const std::size_t i : {0, 9})
    for (const Span& span : marked.lines[i].spans)
      if (span.style == MATCH_STYLE) marked_texts.push_back(span.content);
  ASSERT_EQ(marked_texts.size(), 2u);
  EXPECT_EQ(marked_texts[0], "Parser");
  EXPECT_NE(marked_texts[1].find("parse_parser_state"), std::string::npos);
}

TEST(DetailsText, LinesWithoutTokensShowTheirText) {
  WrapExample example;
  const auto opened = open_commit(example.t, example.id);
  const highlight::HighlightCache short_cache;  // fewer entries than files
  for (const highlight::HighlightCache* cache :
       {static_cast<const highlight::HighlightCache*>(nullptr), &short_cache}) {
    const auto text = details_lines(opened.details, cache, "", 20);
    EXPECT_EQ(texts_of(text.lines), texts_of(details_lines(opened.details, &opened.cache, "", 20).lines));
    EXPECT_EQ(details_match_lines(opened.details, cache, "ghij", 20),
              details_match_lines(opened.details, &opened.cache, "ghij", 20));
  }
}

}  // namespace
