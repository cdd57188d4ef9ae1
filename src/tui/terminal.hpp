#pragma once
// Drawing whole frames: each frame is drawn into a back buffer and only its difference from the
// frame before is sent to the screen.

#include <expected>
#include <functional>
#include <string>
#include <string_view>

#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace tui {

// Where frames go: the real terminal (Tty) or memory (MemoryBackend).
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::expected<Size, std::string> size() = 0;
  // Writes and flushes.
  virtual std::expected<void, std::string> write(std::string_view bytes) = 0;
  // Hands the terminal to another program (the editor) and takes it back.
  virtual std::expected<void, std::string> suspend() = 0;
  virtual std::expected<void, std::string> resume() = 0;
};

// What a drawing function gets: the whole screen's area and the buffer to fill.
class Frame {
 public:
  explicit Frame(Buffer& buffer) : buffer_(buffer) {}
  Rect area() const { return buffer_.area(); }
  Buffer& buffer() { return buffer_; }
  template <class Widget>
  void render_widget(const Widget& widget, Rect area) {
    widget.render(area, buffer_);
  }

 private:
  Buffer& buffer_;
};

class Terminal {
 public:
  explicit Terminal(Backend& backend) : backend_(backend) {}

  // Draws one frame at the terminal's current size. A changed size (and the first frame) clears
  // the screen and paints everything; otherwise only the cells that changed are sent.
  std::expected<void, std::string> draw(const std::function<void(Frame&)>& render);

  // Clears the screen now; the next frame is painted in full.
  std::expected<void, std::string> clear();

  std::expected<Size, std::string> size() { return backend_.size(); }

  std::expected<void, std::string> set_title(std::string_view title);

  // The editor hand-off: give the terminal away, then take it back, clear it and have the next
  // frame painted in full (the editor drew over everything).
  std::expected<void, std::string> suspend();
  std::expected<void, std::string> resume();

  // The frame last drawn.
  const Buffer& last_frame() const { return previous_; }

 private:
  Backend& backend_;
  Buffer current_;
  Buffer previous_;
  bool cleared_ = false;  // the screen is known to hold previous_
  std::string out_;
};

}  // namespace tui
