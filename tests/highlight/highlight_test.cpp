#include "highlight/highlight.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_repo.hpp"
#include "utils/process.hpp"

namespace {

using highlight::HighlightedFile;
using highlight::Highlighter;
using highlight::Rgba;
using highlight::Token;

// The theme's colours for the roles the tests look at.
constexpr Rgba kText{0xc6, 0xd0, 0xf5};
constexpr Rgba kKeyword{0xca, 0x9e, 0xe6};   // mauve
constexpr Rgba kString{0xa6, 0xd1, 0x89};    // green
constexpr Rgba kComment{0x94, 0x9c, 0xbb};   // overlay2
constexpr Rgba kNumber{0xef, 0x9f, 0x76};    // peach
constexpr Rgba kType{0xe5, 0xc8, 0x90};      // yellow
constexpr Rgba kOperator{0x99, 0xd1, 0xdb};  // sky

std::string joined(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) out += t.text;
  return out;
}

// The colour of the token that holds the given text, or an impossible colour.
Rgba colour_of(const std::vector<Token>& tokens, const std::string& text) {
  for (const Token& t : tokens)
    if (t.text.find(text) != std::string::npos) return t.foreground;
  return Rgba{1, 2, 3, 4};
}

repo::Hunk hunk(std::vector<std::string> lines) {
  repo::Hunk h;
  std::uint32_t n = 1;
  for (auto& text : lines) {
    repo::DiffLine line;
    line.content = std::move(text);
    line.new_lineno = n++;
    line.origin = '+';
    h.lines.push_back(std::move(line));
  }
  return h;
}

TEST(FileExtension, TakesTheTextAfterTheLastDot) {
  const Highlighter highlighter;
  struct Case {
    const char* path;
    const char* extension;
    const char* syntax;  // empty: plain text
  };
  const Case cases[] = {
      {"src/app/index.html", "html", "HTML"},
      {"archive.tar.gz", "gz", ""},
      {".gitignore", "gitignore", "Git Ignore"},
      {"Makefile", "Makefile", "Makefile"},  // no dot: the whole name is looked up
      {"src/main.cpp", "cpp", "C++"},
      {"lib/x.rs", "rs", "Rust"},
      {"notes.", "", ""},
      {"docs.d/README", "d/README", ""},
      {"build.d/Makefile", "d/Makefile", ""},  // a '/' in it matches nothing, not even a file name
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(highlight::file_extension(c.path), c.extension);
    EXPECT_EQ(highlighter.syntax_name(c.extension), c.syntax);
  }
}

TEST(Highlighter, UsesTheThemesColoursByRole) {
  const Highlighter highlighter;
  const auto file = highlighter.highlight_lines({"int n = 42; return \"s\"; // note"}, "cpp");
  ASSERT_EQ(file.lines.size(), 1u);
  const auto& tokens = file.lines[0];
  EXPECT_EQ(colour_of(tokens, "int"), kType);
  EXPECT_EQ(colour_of(tokens, "42"), kNumber);
  EXPECT_EQ(colour_of(tokens, "="), kOperator);
  EXPECT_EQ(colour_of(tokens, "return"), kKeyword);
  EXPECT_EQ(colour_of(tokens, "\"s\""), kString);
  EXPECT_EQ(colour_of(tokens, "// note"), kComment);
  EXPECT_EQ(colour_of(tokens, " n "), kText);  // left unformatted by the definition
}

TEST(Highlighter, TokenTextsJoinBackToEachLine) {
  const Highlighter highlighter;
  const std::vector<std::string> lines = {
      "int main() {\r",
      "  auto s = \"gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80\"; // \xE6\xBC\xA2\xE5\xAD\x97\r",
      "",
      "\r",
      "\t\x01 bad \xFF\xC3 bytes \xED\xA0\x80 end",
      std::string("nul \0 inside", 12),
      "# heading \xC4\xB0",
      "<a href=\"x\">\xE2\x84\xAA</a>",
  };
  for (const char* extension : {"cpp", "py", "md", "html", "Makefile", "", "d/README"}) {
    SCOPED_TRACE(extension);
    const auto file = highlighter.highlight_lines(lines, extension);
    ASSERT_EQ(file.lines.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(joined(file.lines[i]), lines[i]);
      for (const Token& t : file.lines[i]) {
        EXPECT_FALSE(t.text.empty());
        EXPECT_EQ(t.foreground.a, 0xFF);
      }
    }
    EXPECT_TRUE(file.lines[2].empty());
  }
}

TEST(Highlighter, PlainTextIsInTheNormalTextColour) {
  const Highlighter highlighter;
  for (const char* extension : {"", "gz", "d/README"}) {
    SCOPED_TRACE(extension);
    const auto file = highlighter.highlight_lines({"int x; /* not code here */", "caf\xC3\xA9"}, extension);
    ASSERT_EQ(file.lines.size(), 2u);
    for (const auto& line : file.lines) {
      ASSERT_FALSE(line.empty());
      for (const Token& t : line) EXPECT_EQ(t.foreground, kText);
    }
  }
}

TEST(Highlighter, HunksRunOnAsOneText) {
  const Highlighter highlighter;
  const std::vector<repo::Hunk> hunks = {hunk({"int a = 1;", "/* a comment opened", "and not closed"}),
                                         hunk({"int b = 2;", "*/ int c = 3;", "int d;"})};
  const auto file = highlighter.highlight_hunks(hunks, "src/lib.cpp");
  ASSERT_EQ(file.lines.size(), 6u);
  EXPECT_EQ(joined(file.lines[3]), "int b = 2;");
  for (const Token& t : file.lines[3]) EXPECT_EQ(t.foreground, kComment) << t.text;
  EXPECT_EQ(colour_of(file.lines[4], "*/"), kComment);
  EXPECT_EQ(colour_of(file.lines[4], "int"), kType);
  EXPECT_EQ(colour_of(file.lines[5], "int"), kType);

  // The second hunk alone starts fresh.
  const auto alone = highlighter.highlight_hunks({hunks[1]}, "src/lib.cpp");
  ASSERT_EQ(alone.lines.size(), 3u);
  EXPECT_EQ(colour_of(alone.lines[0], "int"), kType);
  // And nothing carries over from one call to the next.
  EXPECT_EQ(highlighter.highlight_hunks({hunks[1]}, "src/lib.cpp"), alone);

  EXPECT_EQ(highlighter.highlight_hunks({}, "src/lib.cpp"), HighlightedFile{});
}

// A file coloured a few lines at a time, by separate highlighters, comes out as one run: the
// comment opened in the first hunk still colours the second.
TEST(Highlighter, ContinuingARunGivesTheWholeRunsLines) {
  const std::vector<repo::Hunk> hunks = {hunk({"int a = 1;", "/* a comment opened", "and not closed"}),
                                         hunk({"int b = 2;", "*/ int c = 3;", "int d;"})};
  const HighlightedFile whole = Highlighter().highlight_hunks(hunks, "src/lib.cpp");
  HighlightedFile file;
  for (const std::size_t count : {0u, 2u, 2u, 1u, 4u, 5u, 99u}) {
    SCOPED_TRACE(count);
    Highlighter().continue_hunks(hunks, "src/lib.cpp", count, file);
    const std::size_t have = std::max<std::size_t>(std::min<std::size_t>(count, 6), file.lines.size());
    ASSERT_EQ(file.lines.size(), have);
    EXPECT_EQ(file.lines, std::vector(whole.lines.begin(), whole.lines.begin() + static_cast<long>(have)));
  }
  EXPECT_EQ(file, whole);
  for (const Token& t : file.lines[3]) EXPECT_EQ(t.foreground, kComment) << t.text;
}

TEST(Highlighter, CommitHasOneEntryPerFile) {
  const Highlighter highlighter;
  repo::CommitDetails details;
  details.files.resize(3);
  details.files[0].path = "a.py";
  details.files[0].hunks = {hunk({"def f():", "    return 1"})};
  details.files[1].path = "empty.cpp";
  details.files[2].path = "b.cpp";
  details.files[2].hunks = {hunk({"/* x"}), hunk({"y */", "int z;"})};
  const auto cache = highlighter.highlight_commit(details);
  ASSERT_EQ(cache.files.size(), 3u);
  EXPECT_EQ(cache.files[0], highlighter.highlight_hunks(details.files[0].hunks, "a.py"));
  EXPECT_TRUE(cache.files[1].lines.empty());
  EXPECT_EQ(cache.files[2], highlighter.highlight_hunks(details.files[2].hunks, "b.cpp"));
  EXPECT_EQ(cache.files[2].lines.size(), 3u);
  EXPECT_EQ(colour_of(cache.files[0].lines[0], "def"), kKeyword);
}

TEST(Highlighter, ConflictSidesNeverShareState) {
  const Highlighter highlighter;
  const std::vector<repo::ConflictSection> sections = {
      {.ours = {"/* ours opens a comment"}, .theirs = {"int theirs;"}},
      {.ours = {"int ours;", "/* and again"}, .theirs = {"/* theirs too"}},
      {.ours = {"int after;"}, .theirs = {}},
  };
  const auto pairs = highlighter.highlight_conflicts(sections, "dir.v2/conflicted.cpp");
  ASSERT_EQ(pairs.size(), 3u);
  for (std::size_t k = 0; k < sections.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(pairs[k].first, highlighter.highlight_lines(sections[k].ours, "cpp"));
    EXPECT_EQ(pairs[k].second, highlighter.highlight_lines(sections[k].theirs, "cpp"));
  }
  EXPECT_EQ(colour_of(pairs[0].second.lines[0], "int"), kType);
  EXPECT_EQ(colour_of(pairs[1].first.lines[0], "int"), kType);
  EXPECT_EQ(colour_of(pairs[2].first.lines[0], "int"), kType);
  EXPECT_TRUE(pairs[2].second.lines.empty());
}

// The user's data directories may hold syntax and theme files of their own. The bare library
// picks them up; the program must not, and the highlighting must stay exactly what it is here.
class UserDataFiles : public testing::Test {
 protected:
  void write(const std::string& relative, const std::string& content) {
    const std::filesystem::path p = dir_.path() + "/" + relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << content;
  }

  // A syntax of a higher version that claims *.cpp and marks everything as an alert, and a theme
  // of our theme's name in which everything is red.
  void plant(const std::string& data_dir, const std::string& syntax_name, const std::string& revision) {
    write(
        data_dir + "/org.kde.syntax-highlighting/syntax/bogus.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE language>\n"
        "<language name=\"" +
            syntax_name +
            "\" version=\"999\" kateversion=\"5.0\" section=\"Sources\" "
            "extensions=\"*.cpp;*.txt\" priority=\"99\">\n"
            "<highlighting><contexts><context name=\"Normal\" attribute=\"Alert\" lineEndContext=\"#stay\"/>"
            "</contexts><itemDatas><itemData name=\"Alert\" defStyleNum=\"dsAlert\"/></itemDatas>"
            "</highlighting></language>\n");
    std::string styles;
    for (const char* role : {"Normal", "Keyword", "DataType", "Comment", "Alert", "DecVal", "Operator"})
      styles += std::string(styles.empty() ? "" : ",") + "\"" + role + "\": {\"text-color\": \"#ff0000\"}";
    write(data_dir + "/org.kde.syntax-highlighting/themes/bogus.theme",
          "{\"metadata\": {\"name\": \"Catppuccin Frappe\", \"revision\": " + revision +
              "},"
              "\"text-styles\": {" +
              styles + "}, \"editor-colors\": {\"BackgroundColor\": \"#ff0000\"}}\n");
  }

  utils::ProcessResult probe(std::vector<std::string> args,
                             std::vector<std::pair<std::string, std::string>> env,
                             std::vector<std::string> unset = {}) {
    args.insert(args.begin(), HIGHLIGHT_PROBE);
    utils::ProcessOptions options;
    options.set_env = std::move(env);
    options.unset_env = std::move(unset);
    auto result = utils::run_process(args, options);
    EXPECT_TRUE(result.has_value());
    if (!result) return {};
    EXPECT_TRUE(result->success()) << result->out << result->err;
    return *result;
  }

  // What the probe prints for these lines, made here, in this process.
  static std::string expected(const std::vector<std::string>& lines) {
    const Highlighter highlighter;
    std::string out;
    char colour[16];
    for (const auto& line : highlighter.highlight_lines(lines, "cpp").lines) {
      for (const Token& t : line) {
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x ", t.foreground.r, t.foreground.g,
                      t.foreground.b);
        out += t.text + colour;
      }
      out += "\n";
    }
    return out + "syntax C++\n";
  }

  testing_support::TempDir dir_;
};

TEST_F(UserDataFiles, AreNeverPickedUp) {
  const std::string root = dir_.path();
  // Our theme claims the highest revision, which a tie takes from it; so only the system's
  // directories, which the program cannot hide, are given a lower one.
  plant("home/.local/share", "C++", "2147483647");
  plant("xdg", "C++", "2147483647");
  plant("system", "Bogus Claim", "1000000");
  std::filesystem::create_directories(root + "/empty");
  const std::vector<std::string> lines = {"int n = 42; // note", "/* open", "x */ return n;"};
  const std::string want = expected(lines);
  std::vector<std::string> ours = {"ours", "x.cpp"};
  ours.insert(ours.end(), lines.begin(), lines.end());

  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> unset;
    std::string found;  // the directory the bare library reads them from
    std::string syntax;
    std::string theme;  // the file of the theme of our theme's name that the bare library takes
  };
  const Case cases[] = {
      {"~/.local/share",
       {{"HOME", root + "/home"}, {"XDG_DATA_DIRS", root + "/empty"}},
       {"XDG_DATA_HOME"},
       root + "/home/.local/share/",
       "C++",
       root + "/home/.local/share/org.kde.syntax-highlighting/themes/bogus.theme"},
      {"XDG_DATA_HOME",
       {{"HOME", root + "/empty"}, {"XDG_DATA_HOME", root + "/xdg"}, {"XDG_DATA_DIRS", root + "/empty"}},
       {},
       root + "/xdg/",
       "C++",
       root + "/xdg/org.kde.syntax-highlighting/themes/bogus.theme"},
      // Directories of the system may claim the extension or the theme's name, but cannot replace them.
      {"XDG_DATA_DIRS",
       {{"HOME", root + "/empty"}, {"XDG_DATA_DIRS", root + "/system"}},
       {"XDG_DATA_HOME"},
       root + "/system/",
       "Bogus Claim",
       ":/org.kde.syntax-highlighting/themes-addons/catppuccin-frappe.theme"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bare = probe({"library", "x.cpp"}, c.env, c.unset);
    EXPECT_EQ(bare.out, "syntax " + c.syntax + " " + c.found +
                            "org.kde.syntax-highlighting/syntax/bogus.xml\n" + "theme " + c.theme + "\n");
    const auto got = probe(ours, c.env, c.unset);
    EXPECT_EQ(got.out, want);
    EXPECT_EQ(got.err, "");  // and the library's warnings never reach the terminal
  }
}

}  // namespace
