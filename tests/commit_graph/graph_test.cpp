#include "commit_graph/graph.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "repo/commit.hpp"
#include "utils/text.hpp"

namespace {

using commit_graph::GraphRow;
using repo::Commit;
using repo::Oid;

Oid letter_id(const std::string& name) {
  Oid id;
  for (std::size_t i = 0; i < name.size() && i < 20; ++i) id.bytes[i] = static_cast<unsigned char>(name[i]);
  id.bytes[19] = 1;  // never the all-zero id
  return id;
}

// "M(A,F)" style: a name and its parents, newest first.
std::vector<Commit> history(std::vector<std::pair<std::string, std::vector<std::string>>> spec) {
  std::vector<Commit> out;
  for (auto& [name, parents] : spec) {
    Commit c;
    c.id = letter_id(name);
    for (auto& p : parents) c.parent_ids.push_back(letter_id(p));
    c.summary = name;
    out.push_back(c);
  }
  return out;
}

// A row as "●0 ╮1 _-": each cell's glyph then its lane, "_" for a space
// and "-" for no lane.
std::string describe(const GraphRow& row) {
  std::string out;
  for (const auto& cell : row) {
    if (!out.empty()) out += ' ';
    out += cell.glyph == U' ' ? std::string("_") : utils::utf8_encode(cell.glyph);
    out += cell.lane ? std::to_string(*cell.lane) : std::string("-");
  }
  return out;
}

struct GraphCase {
  std::string name;
  std::vector<std::pair<std::string, std::vector<std::string>>> commits;
  std::vector<std::string> rows;
};

TEST(CommitGraph, LaysOutTheDocumentedShapes) {
  const GraphCase cases[] = {
      {"linear", {{"A", {"B"}}, {"B", {"D"}}, {"D", {}}}, {"●0", "●0", "●0"}},
      {"merge", {{"M", {"A", "F"}}, {"F", {"A"}}, {"A", {}}}, {"●0 ╮1", "│0 ●1", "●0 ╯1"}},
      {"two tips on one parent", {{"X", {"P"}}, {"Y", {"P"}}, {"P", {}}}, {"●0", "│0 ●1", "●0 ╯1"}},
      {"connector crossing lanes",
       {{"T", {"A"}}, {"U", {"B"}}, {"V", {"D"}}, {"W", {"A", "D"}}, {"A", {}}, {"B", {}}, {"D", {}}},
       {"●0", "│0 ●1", "│0 │1 ●2", "│0 │1 ├2 ●3", "●0 ┼1 ┼2 ╯3", "_- ●1 │2", "_- _- ●2"}},
      {"octopus whose second parent has a lane",
       {{"K", {"B"}}, {"O", {"A", "B", "D"}}, {"A", {"Z"}}, {"B", {"Z"}}, {"D", {"Z"}}, {"Z", {}}},
       {"●0", "├0 ●1 ╮2", "│0 ●1 │2", "●0 │1 │2", "│0 │1 ●2", "●0 ╯1 ╯2"}},
      {"freed lane reused",
       {{"A", {"B"}}, {"X", {"Y"}}, {"B", {}}, {"Y", {"Q"}}, {"N", {"Q"}}, {"Q", {}}},
       {"●0", "│0 ●1", "●0 │1", "_- ●1", "●0 │1", "●0 ╯1"}},
      {"unrelated roots", {{"A", {}}, {"B", {}}}, {"●0", "●0"}},
      {"empty", {}, {}},
      {"parent missing from the list keeps its lane", {{"A", {"GONE"}}, {"B", {}}}, {"●0", "│0 ●1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto rows = commit_graph::build_from(history(c.commits));
    std::vector<std::string> got;
    for (const auto& r : rows) got.push_back(describe(r));
    EXPECT_EQ(got, c.rows);
  }
}

TEST(CommitGraph, RowTextJoinsGlyphs) {
  auto rows = commit_graph::build_from(history({{"M", {"A", "F"}}, {"F", {"A"}}, {"A", {}}}));
  EXPECT_EQ(commit_graph::row_text(rows[0]), "●╮");
  EXPECT_EQ(commit_graph::row_text(rows[2]), "●╯");
}

}  // namespace
