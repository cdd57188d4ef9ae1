#pragma once
// A model terminal for the bytes the layer emits: cursor moves (CUP, CUF), SGR, clearing the
// screen and the title, and printing UTF-8 with wide characters taking two cells and zero-width
// marks joining the cell before, as a terminal does. Anything else it is sent fails the test, so
// a control character of content reaching the terminal shows up here.

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/screen.hpp"
#include "tui/buffer.hpp"

namespace tui_test {

class ModelScreen {
 public:
  ModelScreen(uint16_t width, uint16_t height) : screen_(tui::Rect{0, 0, width, height}) {}

  const tui::Buffer& screen() const { return screen_; }
  const std::string& title() const { return title_; }
  int moves() const { return moves_; }

  void apply(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      if (b == 0x1b) {
        i = escape(bytes, i);
      } else if (b < 0x20 || b == 0x7f) {
        ADD_FAILURE() << "control byte " << int{b} << " sent to the terminal at " << i;
        ++i;
      } else {
        utf8proc_int32_t cp = 0;
        const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(bytes.data() + i),
                                        static_cast<utf8proc_ssize_t>(bytes.size() - i), &cp);
        if (n <= 0) {
          ADD_FAILURE() << "ill-formed UTF-8 sent to the terminal at " << i;
          ++i;
          continue;
        }
        if (cp >= 0x80 && cp < 0xa0) ADD_FAILURE() << "C1 control sent to the terminal at " << i;
        print(std::string(bytes.substr(i, static_cast<std::size_t>(n))), utf8proc_charwidth(cp));
        i += static_cast<std::size_t>(n);
      }
    }
  }

 private:
  std::size_t escape(std::string_view s, std::size_t i) {
    if (i + 1 >= s.size()) {
      ADD_FAILURE() << "lone ESC at the end of the output";
      return s.size();
    }
    if (s[i + 1] == ']') {  // OSC 0 ; title BEL
      const std::size_t end = s.find('\x07', i);
      if (end == std::string_view::npos || s.substr(i + 2, 2) != "0;") {
        ADD_FAILURE() << "bad OSC";
        return s.size();
      }
      title_ = std::string(s.substr(i + 4, end - i - 4));
      return end + 1;
    }
    if (s[i + 1] != '[') {
      ADD_FAILURE() << "unknown escape " << s.substr(i, 2);
      return i + 2;
    }
    std::size_t j = i + 2;
    while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || s[j] == ';')) ++j;
    if (j >= s.size()) {
      ADD_FAILURE() << "unterminated CSI";
      return s.size();
    }
    std::vector<int> p;
    const std::string_view params = s.substr(i + 2, j - i - 2);
    if (!params.empty()) {
      p.push_back(0);
      for (char c : params) {
        if (c == ';') {
          p.push_back(0);
        } else {
          p.back() = p.back() * 10 + (c - '0');
        }
      }
    }
    auto arg = [&](std::size_t k, int fallback) { return k < p.size() && p[k] != 0 ? p[k] : fallback; };
    switch (s[j]) {
      case 'H':
        y_ = arg(0, 1) - 1;
        x_ = arg(1, 1) - 1;
        ++moves_;
        break;
      case 'C':
        x_ += arg(0, 1);
        ++moves_;
        break;
      case 'J':
        EXPECT_EQ(arg(0, 0), 2) << "only whole-screen clears are expected";
        for (int y = 0; y < screen_.area().height; ++y) {
          for (int x = 0; x < screen_.area().width; ++x) {
            screen_.at(x, y) = tui::Cell{};
            screen_.at(x, y).bg = pen_.bg;
          }
        }
        break;
      case 'm':
        sgr(p);
        break;
      default:
        ADD_FAILURE() << "unexpected CSI final " << s[j];
    }
    return j + 1;
  }

  void sgr(const std::vector<int>& p) {
    if (p.empty()) {
      pen_ = tui::Cell{};
      return;
    }
    for (std::size_t k = 0; k < p.size(); ++k) {
      const int v = p[k];
      if (v == 0) {
        pen_ = tui::Cell{};
      } else if (v == 1) {
        pen_.modifiers |= tui::Modifier::BOLD;
      } else if (v == 2) {
        pen_.modifiers |= tui::Modifier::DIM;
      } else if (v == 3) {
        pen_.modifiers |= tui::Modifier::ITALIC;
      } else if (v == 4) {
        pen_.modifiers |= tui::Modifier::UNDERLINED;
      } else if (v == 7) {
        pen_.modifiers |= tui::Modifier::REVERSED;
      } else if (v >= 30 && v <= 37) {
        pen_.fg = tui::Color::named(static_cast<uint8_t>(v - 30));
      } else if (v >= 90 && v <= 97) {
        pen_.fg = tui::Color::named(static_cast<uint8_t>(v - 90 + 8));
      } else if (v == 39) {
        pen_.fg = tui::Color::Reset;
      } else if (v >= 40 && v <= 47) {
        pen_.bg = tui::Color::named(static_cast<uint8_t>(v - 40));
      } else if (v >= 100 && v <= 107) {
        pen_.bg = tui::Color::named(static_cast<uint8_t>(v - 100 + 8));
      } else if (v == 49) {
        pen_.bg = tui::Color::Reset;
      } else if (v == 59) {
        pen_.underline_color = tui::Color::Reset;
      } else if ((v == 38 || v == 48 || v == 58) && k + 4 < p.size() && p[k + 1] == 2) {
        const auto c = tui::Color::rgb(static_cast<uint8_t>(p[k + 2]), static_cast<uint8_t>(p[k + 3]),
                                       static_cast<uint8_t>(p[k + 4]));
        (v == 38 ? pen_.fg : v == 48 ? pen_.bg : pen_.underline_color) = c;
        k += 4;
      } else if (v == 58 && k + 2 < p.size() && p[k + 1] == 5) {
        pen_.underline_color = tui::Color::named(static_cast<uint8_t>(p[k + 2]));
        k += 2;
      } else {
        ADD_FAILURE() << "unexpected SGR parameter " << v;
      }
    }
  }

  void print(const std::string& ch, int width) {
    const int w = screen_.area().width;
    if (width == 0) {
      int x = x_ - 1;
      if (x >= 0 && screen_.at(x, y_).symbol.empty()) --x;
      if (x < 0) {
        ADD_FAILURE() << "mark with nothing before it";
        return;
      }
      screen_.at(x, y_).symbol += ch;
      return;
    }
    if (y_ < 0 || y_ >= screen_.area().height || x_ < 0 || x_ + width > w) {
      ADD_FAILURE() << "printing outside the screen or relying on wrap at (" << x_ << ", " << y_ << ")";
      return;
    }
    tui::Cell& cell = screen_.at(x_, y_);
    if (cell.symbol.empty() && x_ > 0) screen_.at(x_ - 1, y_).symbol = " ";
    if (x_ + width < w && screen_.at(x_ + width, y_).symbol.empty()) screen_.at(x_ + width, y_).symbol = " ";
    cell = pen_;
    cell.symbol = ch;
    if (width == 2) {
      screen_.at(x_ + 1, y_) = pen_;
      screen_.at(x_ + 1, y_).symbol.clear();
    }
    x_ += width;
  }

  tui::Buffer screen_;
  tui::Cell pen_;
  int x_ = 0, y_ = 0;
  int moves_ = 0;
  std::string title_;
};

// Where two buffers of one area first differ, for failure messages.
inline std::string first_difference(const tui::Buffer& a, const tui::Buffer& b) {
  if (a.area() != b.area()) return "different areas";
  for (int y = a.area().y; y < a.area().bottom(); ++y) {
    for (int x = a.area().x; x < a.area().right(); ++x) {
      if (a.at(x, y) != b.at(x, y)) {
        return "at (" + std::to_string(x) + ", " + std::to_string(y) +
               "): " + testing::PrintToString(a.at(x, y)) + " vs " + testing::PrintToString(b.at(x, y)) +
               "\nrows " + testing::PrintToString(testing_support::rows(a)) + "\nvs   " +
               testing::PrintToString(testing_support::rows(b));
      }
    }
  }
  return "equal";
}

}  // namespace tui_test
