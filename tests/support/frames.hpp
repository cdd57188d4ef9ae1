#pragma once
// Whole frames as the program draws them, into a buffer of a fixed size.

#include <cstdint>

#include "render/render.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/terminal.hpp"

namespace testing_support {

// The frame of `state` over `repo` at `now`, which decides whether the
// status message is still shown; the clock's start shows any message.
inline tui::Buffer draw(const state::State& state, const repo::Repo& repo, std::uint16_t width,
                        std::uint16_t height, state::Clock::time_point now = {}) {
  tui::Buffer buffer({0, 0, width, height});
  tui::Frame frame(buffer);
  render::render(frame, state, repo, now);
  return buffer;
}

}  // namespace testing_support
