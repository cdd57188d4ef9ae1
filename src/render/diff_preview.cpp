#include "render/diff_preview.hpp"

#include <string>
#include <vector>

#include "render/spans.hpp"
#include "tui/widgets.hpp"
#include "utils/arithmetic.hpp"
#include "utils/utf8_chars.hpp"
#include "viewport/staging_geometry.hpp"

namespace render {
namespace {

constexpr tui::Style kSelectedKey{.fg = tui::Color::Cyan,
                                  .add_modifier = tui::Modifier::BOLD | tui::Modifier::UNDERLINED};
constexpr tui::Style kSelectedDiscard{.fg = tui::Color::Red,
                                      .add_modifier = tui::Modifier::BOLD | tui::Modifier::UNDERLINED};
constexpr tui::Style kOtherKey{.fg = tui::Color::DarkGray};
constexpr std::string_view kDiscardMark = "(d)iscard";
constexpr std::string_view kConflictKeys = "(1), (2), or (o)pen";

std::size_t chars_of(const std::vector<tui::Span>& spans) {
  std::size_t n = 0;
  for (const tui::Span& span : spans) n += utils::count_chars(span.content);
  return n;
}

tui::Color token_colour(const highlight::Token& token) {
  return tui::Color::rgb(token.foreground.r, token.foreground.g, token.foreground.b);
}

// The stored colouring counts only while it was made for the selected path.
const state::StagingHighlight* colouring_of(const state::CommitViewState& view) {
  if (!view.staging_highlight || !view.selected_path || view.staging_highlight->path != *view.selected_path)
    return nullptr;
  return &*view.staging_highlight;
}

const std::vector<highlight::Token>* tokens_at(const highlight::HighlightedFile* file, std::size_t i) {
  if (file == nullptr || i >= file->lines.size()) return nullptr;
  return &file->lines[i];
}

// The keys a hunk answers to, as its first line and the sticky row show them.
struct HunkHint {
  std::string_view label;
  bool discard = false;
  std::size_t width() const { return label.size() + (discard ? 2 + kDiscardMark.size() : 0); }

  void append(std::vector<tui::Span>& spans, bool selected) const {
    spans.emplace_back(label, selected ? kSelectedKey : kOtherKey);
    if (!discard) return;
    spans.emplace_back("  ");
    spans.emplace_back(kDiscardMark, selected ? kSelectedDiscard : kOtherKey);
  }
};

// Builds the rows of the hunk column one at a time, so a frame costs what
// it shows, not what the file holds.
class HunkRows {
 public:
  HunkRows(const std::vector<repo::Hunk>& hunks, const highlight::HighlightedFile* tokens, HunkHint hint,
           std::size_t selected, std::size_t width)
      : hunks_(hunks),
        tokens_(tokens),
        hint_(hint),
        selected_(selected),
        width_(width),
        starts_(viewport::get_hunk_start_lines(hunks)),
        gutter_(diff_gutter_width(hunks)) {
    std::size_t before = 0;
    for (const repo::Hunk& hunk : hunks) {
      lines_before_.push_back(before);
      before += hunk.lines.size();
    }
  }

  std::size_t count() const { return viewport::hunk_rows(hunks_); }

  tui::Line row(std::size_t r) const {
    const std::size_t k = viewport::index_under_cursor(starts_, r);
    const std::size_t i = r - starts_[k];
    const repo::Hunk& hunk = hunks_[k];
    if (i >= hunk.lines.size()) return tui::Line();  // the blank row after a hunk
    const repo::DiffLine& line = hunk.lines[i];
    const std::optional<tui::Color> bg = line.origin == '+'   ? std::optional(DIFF_ADDED_BG)
                                         : line.origin == '-' ? std::optional(DIFF_REMOVED_BG)
                                                              : std::nullopt;
    std::vector<tui::Span> spans = diff_prefix_spans(line, gutter_, bg);
    const auto* tokens = tokens_at(tokens_, lines_before_[k] + i);
    if (tokens != nullptr && !tokens->empty()) {
      for (const highlight::Token& token : *tokens)
        spans.emplace_back(token.text, tui::Style{.fg = token_colour(token), .bg = bg});
    } else {
      spans.emplace_back(line.content, tui::Style{.bg = bg});
    }
    if (i == 0) {
      const std::size_t pad = utils::saturating_sub(width_, chars_of(spans) + hint_.width() + 1);
      if (pad > 0) spans.emplace_back(std::string(pad, ' '), tui::Style{.bg = bg});
      hint_.append(spans, k == selected_);
    } else {
      fill_diff_background(spans, bg, width_);
    }
    return tui::Line(std::move(spans));
  }

  tui::Line sticky_row() const {
    std::vector<tui::Span> spans;
    spans.emplace_back(std::string(utils::saturating_sub(width_, hint_.width()), ' '));
    hint_.append(spans, true);
    return tui::Line(std::move(spans));
  }

 private:
  const std::vector<repo::Hunk>& hunks_;
  const highlight::HighlightedFile* tokens_;
  HunkHint hint_;
  std::size_t selected_;
  std::size_t width_;
  std::vector<std::size_t> starts_;
  std::size_t gutter_;
  std::vector<std::size_t> lines_before_;
};

// One side of a conflict section: its colour, sign and key.
struct Side {
  tui::Color colour;
  char sign;
  std::string_view take_hint;  // the key that takes this side
};
constexpr Side kOurs{tui::Color::Green, '+', "← press 1 to take these changes"};
constexpr Side kTheirs{tui::Color::Cyan, '-', "← press 2 to take these changes"};

std::string_view ours_role(repo::ConflictKind kind) {
  switch (kind) {
    case repo::ConflictKind::Rebase:
      return "rebasing onto";
    case repo::ConflictKind::Merge:
      return "merging into";
    case repo::ConflictKind::None:
      break;
  }
  return "ours";
}

std::string_view theirs_role(repo::ConflictKind kind) {
  switch (kind) {
    case repo::ConflictKind::Rebase:
      return "rebasing";
    case repo::ConflictKind::Merge:
      return "merging";
    case repo::ConflictKind::None:
      break;
  }
  return "theirs";
}

tui::Line side_header(const Side& side, std::string_view role, const std::string& label) {
  std::string text = "─── ";
  text += role;
  text += " (" + label + ") ";
  return tui::Line(
      {tui::Span(std::move(text), tui::Style{.fg = side.colour, .add_modifier = tui::Modifier::BOLD}),
       tui::Span(side.take_hint, tui::Style{.fg = side.colour})});
}

tui::Line side_line(const Side& side, std::size_t number, const std::string& text,
                    const std::vector<highlight::Token>* tokens) {
  std::string prefix(1, side.sign);
  const std::string digits = std::to_string(number);
  if (digits.size() < 4) prefix.append(4 - digits.size(), ' ');
  prefix += digits + " ";
  std::vector<tui::Span> spans{tui::Span(std::move(prefix), tui::Style{.fg = side.colour})};
  if (tokens != nullptr && !tokens->empty()) {
    for (const highlight::Token& token : *tokens)
      spans.emplace_back(token.text, tui::Style{.fg = token_colour(token)});
  } else {
    // A line the highlighter gave nothing for reads like an uncoloured one.
    spans.emplace_back(text, tui::Style{.fg = side.colour});
  }
  return tui::Line(std::move(spans));
}

class ConflictRows {
 public:
  ConflictRows(const std::vector<repo::ConflictSection>& sections,
               const std::vector<highlight::ConflictHighlight>* tokens, const repo::ConflictContext& context)
      : sections_(sections),
        tokens_(tokens),
        context_(context),
        starts_(viewport::conflict_section_starts(sections)) {
    std::size_t base = 1;
    for (const repo::ConflictSection& section : sections) {
      bases_.push_back(base);
      base += section.ours.size();
    }
  }

  std::size_t count() const { return viewport::conflict_rows(sections_); }

  tui::Line row(std::size_t r) const {
    const std::size_t k = viewport::index_under_cursor(starts_, r);
    const repo::ConflictSection& section = sections_[k];
    const highlight::ConflictHighlight* pair = tokens_ && k < tokens_->size() ? &(*tokens_)[k] : nullptr;
    std::size_t i = r - starts_[k];
    if (i == 0) return side_header(kOurs, ours_role(context_.kind), context_.ours_label);
    --i;
    if (i < section.ours.size())
      return side_line(kOurs, bases_[k] + i, section.ours[i], tokens_at(pair ? &pair->first : nullptr, i));
    i -= section.ours.size();
    if (i == 0) return side_header(kTheirs, theirs_role(context_.kind), context_.theirs_label);
    --i;
    if (i < section.theirs.size())
      return side_line(kTheirs, bases_[k] + i, section.theirs[i],
                       tokens_at(pair ? &pair->second : nullptr, i));
    return tui::Line();  // the blank row after a section
  }

 private:
  const std::vector<repo::ConflictSection>& sections_;
  const std::vector<highlight::ConflictHighlight>* tokens_;
  const repo::ConflictContext& context_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> bases_;
};

// Rows `first` on of the column into the inside's rows from `top` down.
template <class Rows>
void draw_rows(tui::Buffer& buffer, tui::Rect inner, std::size_t top, const Rows& rows, std::size_t first) {
  const std::size_t count = rows.count();
  for (std::size_t y = top, r = first; y < inner.height && r < count; ++y, ++r)
    rows.row(r).render(tui::Rect{inner.x, static_cast<std::uint16_t>(inner.y + y), inner.width, 1}, buffer);
}

void draw_row(tui::Buffer& buffer, tui::Rect inner, std::size_t y, const tui::Line& line) {
  if (y < inner.height)
    line.render(tui::Rect{inner.x, static_cast<std::uint16_t>(inner.y + y), inner.width, 1}, buffer);
}

}  // namespace

void render_diff_preview(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                         bool from_unstaged, const repo::ConflictContext& context,
                         const state::CommitViewState& view) {
  if (viewport::shows_conflicts(file))
    render_conflict_view(buffer, inner, file, context, view);
  else
    render_hunk_rows(buffer, inner, file, from_unstaged, view);
}

void render_hunk_rows(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                      bool from_unstaged, const state::CommitViewState& view) {
  if (inner.is_empty()) return;
  const std::vector<repo::Hunk>& hunks = from_unstaged ? file.unstaged_hunks : file.staged_hunks;
  if (hunks.empty()) {
    draw_row(buffer, inner, 0,
             tui::Line(tui::Span(from_unstaged ? "No unstaged changes" : "No staged changes",
                                 tui::Style{.fg = tui::Color::DarkGray})));
    return;
  }
  const state::StagingHighlight* colouring = colouring_of(view);
  const highlight::HighlightedFile* tokens =
      colouring ? (from_unstaged ? &colouring->unstaged : &colouring->staged) : nullptr;
  const HunkHint hint{from_unstaged ? "(s)tage" : "(u)nstage",
                      from_unstaged && file.kind != repo::ChangeKind::Untracked};
  const auto starts = viewport::get_hunk_start_lines(hunks);
  const std::size_t selected = viewport::index_under_cursor(starts, view.diff_scroll);
  const HunkRows rows(hunks, tokens, hint, selected, inner.width);

  if (view.diff_scroll > starts[selected]) {
    // The selected hunk's first row is scrolled off: its keys stay in view.
    draw_row(buffer, inner, 0, rows.sticky_row());
    draw_rows(buffer, inner, 1, rows, view.diff_scroll + 1);
  } else {
    draw_rows(buffer, inner, 0, rows, view.diff_scroll);
  }
}

void render_conflict_view(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                          const repo::ConflictContext& context, const state::CommitViewState& view) {
  if (inner.is_empty() || file.conflict_sections.empty()) return;
  const auto& sections = file.conflict_sections;
  const std::size_t current =
      viewport::index_under_cursor(viewport::conflict_section_starts(sections), view.diff_scroll) + 1;
  const std::string counter =
      "conflict " + std::to_string(current) + " of " + std::to_string(sections.size()) + ": ";
  const std::size_t pad = utils::saturating_sub(inner.width, counter.size() + kConflictKeys.size());
  draw_row(buffer, inner, 0,
           tui::Line(
               {tui::Span(counter, tui::Style{.fg = tui::Color::Yellow, .add_modifier = tui::Modifier::BOLD}),
                tui::Span(std::string(pad, ' ')), tui::Span(kConflictKeys, kSelectedKey)}));

  const state::StagingHighlight* colouring = colouring_of(view);
  const ConflictRows rows(sections, colouring ? &colouring->conflicts : nullptr, context);
  draw_rows(buffer, inner, 1, rows, view.diff_scroll);
}

}  // namespace render
