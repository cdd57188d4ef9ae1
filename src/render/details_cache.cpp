// The layout of the open details kept in the UI state. Every user of it lays
// the text out with the same inputs, so one layout serves them all until an
// input changes; what they see is what details_lines gives.

#include "render/details_text.hpp"
#include "state/details_layout.hpp"
#include "state/state.hpp"

namespace render {
namespace {

// FNV-1a over the parts of the details that shape the text, besides the id.
struct Fingerprint {
  std::uint64_t value = 0xcbf29ce484222325ULL;
  void add(std::string_view bytes) {
    for (const char c : bytes) {
      value ^= static_cast<unsigned char>(c);
      value *= 0x100000001b3ULL;
    }
    add_number(bytes.size());
  }
  void add_number(std::uint64_t n) {
    for (int i = 0; i < 8; ++i, n >>= 8) {
      value ^= n & 0xFF;
      value *= 0x100000001b3ULL;
    }
  }
};

std::uint64_t shape_of(const repo::CommitDetails& details) {
  Fingerprint f;
  f.add(details.message);
  f.add(details.author);
  f.add(details.email);
  f.add_number(static_cast<std::uint64_t>(details.time));
  f.add_number(details.files.size());
  for (const repo::FileChange& file : details.files) {
    f.add(file.path);
    f.add_number(static_cast<unsigned char>(file.status));
    f.add_number(file.additions);
    f.add_number(file.deletions);
    f.add_number(file.hunks.size());
    for (const repo::Hunk& hunk : file.hunks) f.add_number(hunk.lines.size());
  }
  return f.value;
}

std::vector<std::size_t> coloured_of(const highlight::HighlightCache* cache) {
  std::vector<std::size_t> coloured;
  if (!cache) return coloured;
  coloured.reserve(cache->files.size());
  for (const highlight::HighlightedFile& file : cache->files) coloured.push_back(file.lines.size());
  return coloured;
}

const highlight::HighlightCache* cache_of(const state::State& state) {
  return state.highlight_cache ? &*state.highlight_cache : nullptr;
}

// Whether the kept layout holds for the new key: only more lines have been
// coloured since it was made, and their colours keep the rows they take.
bool still_holds(const state::DetailsLayoutKey& old, const state::DetailsLayoutKey& key,
                 const repo::CommitDetails& details, const highlight::HighlightCache& cache) {
  if (!old.highlighted || !key.highlighted || old.commit != key.commit || old.shape != key.shape ||
      old.query != key.query || old.width != key.width || old.coloured.size() != key.coloured.size() ||
      key.coloured.size() > details.files.size() || key.coloured.size() > cache.files.size())
    return false;
  for (std::size_t i = 0; i < key.coloured.size(); ++i) {
    if (key.coloured[i] < old.coloured[i]) return false;
    if (key.coloured[i] > old.coloured[i] &&
        !colours_keep_rows(details.files[i], cache.files[i], old.coloured[i], key.coloured[i]))
      return false;
  }
  return true;
}

}  // namespace

std::shared_ptr<const DetailsLayout> details_text(const state::State& state, std::uint16_t width) {
  if (!state.commit_details) return std::make_shared<const DetailsLayout>();
  const repo::CommitDetails& details = *state.commit_details;
  state::DetailsLayoutKey key{details.id,
                              shape_of(details),
                              state.highlight_cache.has_value(),
                              coloured_of(cache_of(state)),
                              state.details_query,
                              width};
  if (!state.details_layout) state.details_layout = std::make_shared<state::DetailsLayoutCache>();
  state::DetailsLayoutCache& kept = *state.details_layout;
  if (kept.text && kept.key == key) return kept.text;
  // The rows are made from the colours when drawn, so newly coloured lines need no new layout.
  if (!kept.text || !state.highlight_cache || !still_holds(kept.key, key, details, *state.highlight_cache))
    kept.text = std::make_shared<DetailsLayout>(
        lay_out_details(details, cache_of(state), state.details_query, width));
  kept.key = std::move(key);
  kept.match_lines.reset();
  return kept.text;
}

std::vector<std::size_t> details_match_lines(const state::State& state, std::uint16_t width) {
  if (!state.commit_details || state.details_query.empty()) return {};
  const std::shared_ptr<const DetailsLayout> text = details_text(state, width);
  state::DetailsLayoutCache& kept = *state.details_layout;
  if (!kept.match_lines) kept.match_lines = details_match_rows(*text, *state.commit_details, cache_of(state));
  return *kept.match_lines;
}

std::size_t details_content_height(const state::State& state, std::uint16_t width) {
  return details_text(state, width)->rows;
}

}  // namespace render
