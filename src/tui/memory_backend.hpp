#pragma once
// Stand-ins for the real terminal, for tests and benchmarks: a screen of fixed size that keeps
// what is written to it, and an event source that plays back a script.

#include <deque>
#include <string>

#include "tui/event.hpp"
#include "tui/terminal.hpp"

namespace tui {

class MemoryBackend final : public Backend {
 public:
  explicit MemoryBackend(Size size) : size_(size) {}

  void set_size(Size size) { size_ = size; }
  // Keep the bytes written (tests) or only count them (benchmarks).
  void keep_output(bool keep) { keep_ = keep; }

  const std::string& output() const { return output_; }
  void clear_output() { output_.clear(); }
  std::size_t bytes_written() const { return bytes_; }
  int suspends() const { return suspends_; }
  int resumes() const { return resumes_; }
  bool suspended() const { return suspended_; }

  std::expected<Size, std::string> size() override { return size_; }
  std::expected<void, std::string> write(std::string_view bytes) override {
    bytes_ += bytes.size();
    if (keep_) output_ += bytes;
    return {};
  }
  std::expected<void, std::string> suspend() override {
    ++suspends_;
    suspended_ = true;
    return {};
  }
  std::expected<void, std::string> resume() override {
    ++resumes_;
    suspended_ = false;
    return {};
  }

 private:
  Size size_;
  bool keep_ = true;
  std::string output_;
  std::size_t bytes_ = 0;
  int suspends_ = 0, resumes_ = 0;
  bool suspended_ = false;
};

// Hands out the queued events one per poll, without waiting; an empty queue is a quiet poll.
class ScriptedEvents final : public EventSource {
 public:
  ScriptedEvents() = default;
  ScriptedEvents(std::initializer_list<Event> events) : events_(events) {}

  void push(Event event) { events_.push_back(event); }
  std::size_t pending() const { return events_.size(); }
  int polls() const { return polls_; }

  std::expected<std::optional<Event>, std::string> poll_event(std::chrono::milliseconds) override {
    ++polls_;
    if (events_.empty()) return std::optional<Event>{};
    Event e = events_.front();
    events_.pop_front();
    return std::optional<Event>{e};
  }

 private:
  std::deque<Event> events_;
  int polls_ = 0;
};

}  // namespace tui
