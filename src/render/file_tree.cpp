// The changed-files tree of the commit details.

#include <algorithm>
#include <string>

#include "render/details_diff_rows.hpp"
#include "render/details_text.hpp"
#include "render/spans.hpp"
#include "utils/letter_case.hpp"

namespace render {
namespace {

const tui::Style kGuideStyle{.fg = tui::Color::DarkGray};
const tui::Style kDirectoryStyle{.fg = tui::Color::Blue};

tui::Color status_colour(char status) {
  switch (status) {
    case 'A':
      return tui::Color::Green;
    case 'D':
      return tui::Color::Red;
    case 'M':
      return tui::Color::Yellow;
    case 'R':
      return tui::Color::Blue;
    default:
      return tui::Color::Gray;
  }
}

void append_spans(std::vector<tui::Span>& row, std::vector<tui::Span> spans) {
  for (tui::Span& span : spans) row.push_back(std::move(span));
}

}  // namespace

std::vector<FileTreeNode> build_file_tree(const std::vector<repo::FileChange>& files) {
  std::vector<FileTreeNode> roots;
  for (const repo::FileChange& file : files) {
    std::vector<FileTreeNode>* level = &roots;
    const std::string_view path = file.path;
    for (std::size_t start = 0;;) {
      const std::size_t slash = path.find('/', start);
      const bool last = slash == std::string_view::npos;
      const std::string_view name = path.substr(start, last ? std::string_view::npos : slash - start);
      auto found = std::find_if(level->begin(), level->end(),
                                [&](const FileTreeNode& node) { return node.name == name; });
      if (found == level->end()) {
        FileTreeNode node;
        node.name = name;
        if (last) {
          node.additions = file.additions;
          node.deletions = file.deletions;
          node.status = file.status;
        }
        level->push_back(std::move(node));
        found = level->end() - 1;
      }
      if (last) break;
      level = &found->children;
      start = slash + 1;
    }
  }
  return roots;
}

void sort_tree(std::vector<FileTreeNode>& nodes) {
  // Lower-case each name once, not at every comparison.
  std::vector<std::pair<std::string, FileTreeNode>> keyed;
  keyed.reserve(nodes.size());
  for (FileTreeNode& node : nodes) keyed.emplace_back(utils::to_lower(node.name), std::move(node));
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    const bool a_dir = !a.second.children.empty();
    const bool b_dir = !b.second.children.empty();
    if (a_dir != b_dir) return a_dir;
    return a.first < b.first;
  });
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i] = std::move(keyed[i].second);
  for (FileTreeNode& node : nodes) sort_tree(node.children);
}

void render_file_tree(const std::vector<FileTreeNode>& nodes, std::string_view prefix,
                      std::vector<tui::Line>& lines, std::string_view query, tui::Style match) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const FileTreeNode& node = nodes[i];
    const bool last = i + 1 == nodes.size();
    std::vector<tui::Span> row;
    if (!prefix.empty()) row.emplace_back(prefix, kGuideStyle);
    row.emplace_back(last ? "└ " : "├ ", kGuideStyle);
    if (!node.status) {
      append_spans(row, highlight_matches(node.name + "/", query, kDirectoryStyle, match));
    } else {
      append_spans(row,
                   highlight_matches(node.name, query, tui::Style{.fg = status_colour(*node.status)}, match));
      if (node.additions > 0 || node.deletions > 0) row.emplace_back(" ");
      if (node.additions > 0)
        row.emplace_back(signed_count('+', node.additions), tui::Style{.fg = tui::Color::Green});
      if (node.additions > 0 && node.deletions > 0) row.emplace_back(" ");
      if (node.deletions > 0)
        row.emplace_back(signed_count('-', node.deletions), tui::Style{.fg = tui::Color::Red});
    }
    lines.emplace_back(std::move(row));
    if (!node.children.empty()) {
      std::string deeper(prefix);
      deeper += last ? "  " : "│ ";
      render_file_tree(node.children, deeper, lines, query, match);
    }
  }
}

}  // namespace render
