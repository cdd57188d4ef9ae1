#include "repo/conflict_markers.hpp"

#include <string>
#include <unordered_map>

#include "repo/file_lines.hpp"

namespace repo {
namespace {

std::size_t run_of(std::string_view line, char c) {
  std::size_t n = 0;
  while (n < line.size() && line[n] == c) ++n;
  return n;
}

// A marker ends its run with the end of the line or a space, so that
// "<<<<<<<<" text or an underline is not taken for a marker.
bool ends_marker(std::string_view line, std::size_t run) { return run == line.size() || line[run] == ' '; }

// The marker size of an opening line, or 0.
std::size_t opening_size(std::string_view line) {
  const std::size_t run = run_of(line, '<');
  return run >= kMinConflictMarkerSize && ends_marker(line, run) ? run : 0;
}

bool is_marker(std::string_view line, char c, std::size_t size) {
  return run_of(line, c) == size && ends_marker(line, size);
}

enum class Side { Outside, Ours, Base, Theirs };

}  // namespace

std::vector<ConflictBlock> scan_conflict_blocks(std::string_view text) {
  std::vector<ConflictBlock> blocks;
  Side side = Side::Outside;
  ConflictBlock block;
  const auto lines = split_file_lines(text);
  // The last closing line of each marker size. A block whose size has no
  // closing line further down can never be closed, so its opening line is
  // text from the start: every line after it is then read once, where
  // entering such a block and reading on from its opening line again at the
  // end of the text would take time quadratic in the file's length.
  std::unordered_map<std::size_t, std::size_t> last_closer;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t run = run_of(lines[i].text, '>');
    if (run >= kMinConflictMarkerSize && ends_marker(lines[i].text, run)) last_closer[run] = i;
  }
  auto can_close = [&](std::size_t size, std::size_t opening) {
    const auto it = last_closer.find(size);
    return it != last_closer.end() && it->second > opening;
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const FileLine& line = lines[i];
    // Inside a block only an opening line of its own size starts it afresh:
    // a file given a larger conflict-marker-size may hold seven-character
    // markers as text. The base section of a recursive merge holds the inner
    // merge's own (longer) markers; they belong to the base, dropped whole.
    if (side == Side::Outside || side == Side::Ours || side == Side::Theirs) {
      const std::size_t size = opening_size(line.text);
      if (size != 0 && (side == Side::Outside || size == block.marker_size) && can_close(size, i)) {
        block = ConflictBlock{};
        block.marker_size = size;
        block.first_line = i;
        block.begin = line.begin;
        block.ours_begin = block.ours_end = line.end;
        side = Side::Ours;
        continue;
      }
    }
    if (side == Side::Outside) continue;
    const std::size_t size = block.marker_size;
    if (is_marker(line.text, '>', size)) {
      if (side == Side::Ours) block.ours_end = line.begin;
      if (side != Side::Theirs) block.theirs_begin = line.begin;
      block.theirs_end = line.begin;
      block.last_line = i;
      block.end = line.end;
      blocks.push_back(std::move(block));
      block = ConflictBlock{};
      side = Side::Outside;
      continue;
    }
    switch (side) {
      case Side::Ours:
        if (is_marker(line.text, '|', size)) {
          block.ours_end = line.begin;
          side = Side::Base;
        } else if (is_marker(line.text, '=', size)) {
          block.ours_end = line.begin;
          block.theirs_begin = block.theirs_end = line.end;
          side = Side::Theirs;
        } else {
          block.section.ours.emplace_back(line.text);
        }
        break;
      case Side::Base:
        if (is_marker(line.text, '=', size)) {
          block.theirs_begin = block.theirs_end = line.end;
          side = Side::Theirs;
        }
        break;
      case Side::Theirs:
        // A second separator is the theirs side's own text: dropping it
        // would lose that line when theirs is taken.
        block.section.theirs.emplace_back(line.text);
        break;
      case Side::Outside:
        break;
    }
  }
  return blocks;
}

std::vector<ConflictSection> parse_conflict_sections(std::string_view text) {
  std::vector<ConflictSection> sections;
  for (auto& block : scan_conflict_blocks(text)) sections.push_back(std::move(block.section));
  return sections;
}

}  // namespace repo
