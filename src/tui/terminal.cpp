#include "tui/terminal.hpp"

#include <utility>

#include "tui/encode.hpp"

namespace tui {

std::expected<void, std::string> Terminal::draw(const std::function<void(Frame&)>& render) {
  auto size = backend_.size();
  if (!size) return std::unexpected(size.error());
  const Rect area{0, 0, size->width, size->height};

  out_.clear();
  if (area != previous_.area() || !cleared_) {
    previous_.resize(area);
    out_ += CLEAR_SCREEN;
    cleared_ = true;
  }
  if (current_.area() != area) {
    current_.resize(area);
  } else {
    current_.reset();
  }

  Frame frame(current_);
  render(frame);

  append_diff(out_, previous_, current_);
  std::swap(current_, previous_);
  if (out_.empty()) return {};
  auto written = backend_.write(out_);
  if (!written) {
    cleared_ = false;  // the screen is unknown now
    return written;
  }
  return {};
}

std::expected<void, std::string> Terminal::clear() {
  previous_.reset();
  cleared_ = false;
  auto written = backend_.write(CLEAR_SCREEN);
  if (!written) return written;
  cleared_ = true;
  return {};
}

std::expected<void, std::string> Terminal::set_title(std::string_view title) {
  return backend_.write(title_sequence(title));
}

std::expected<void, std::string> Terminal::suspend() {
  cleared_ = false;
  return backend_.suspend();
}

std::expected<void, std::string> Terminal::resume() {
  auto resumed = backend_.resume();
  auto cleared = clear();
  if (!resumed) return resumed;
  return cleared;
}

}  // namespace tui
