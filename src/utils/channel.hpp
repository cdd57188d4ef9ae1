#pragma once
// Channels between threads. A receiver polls without waiting and can tell a
// message, nothing yet and a sender that is gone apart; dropping either end
// never blocks the other.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace utils {

enum class Poll { Message, Empty, Disconnected };

namespace detail {

template <class T>
struct ChannelCore {
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<T> queue;
  int senders = 0;
  bool receiver_alive = true;
};

}  // namespace detail

template <class T>
class Receiver;

// A sending end; copies are further senders. The channel counts as
// disconnected for the receiver once every sender is gone.
template <class T>
class Sender {
 public:
  Sender() = default;
  explicit Sender(std::shared_ptr<detail::ChannelCore<T>> core) : core_(std::move(core)) { attach(); }
  Sender(const Sender& o) : core_(o.core_) { attach(); }
  Sender(Sender&& o) noexcept : core_(std::move(o.core_)) {}
  Sender& operator=(Sender o) noexcept {
    std::swap(core_, o.core_);
    return *this;
  }
  ~Sender() { release(); }

  // False when the receiver is gone; the value is then dropped.
  bool send(T value) const {
    if (!core_) return false;
    {
      std::lock_guard lock(core_->mutex);
      if (!core_->receiver_alive) return false;
      core_->queue.push_back(std::move(value));
    }
    core_->ready.notify_one();
    return true;
  }

 private:
  void attach() {
    if (!core_) return;
    std::lock_guard lock(core_->mutex);
    ++core_->senders;
  }
  void release() {
    if (!core_) return;
    {
      std::lock_guard lock(core_->mutex);
      --core_->senders;
    }
    core_->ready.notify_all();
    core_.reset();
  }
  std::shared_ptr<detail::ChannelCore<T>> core_;
};

template <class T>
class Receiver {
 public:
  Receiver() = default;
  explicit Receiver(std::shared_ptr<detail::ChannelCore<T>> core) : core_(std::move(core)) {}
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;
  Receiver(Receiver&& o) noexcept : core_(std::move(o.core_)) {}
  Receiver& operator=(Receiver&& o) noexcept {
    if (this != &o) {
      release();
      core_ = std::move(o.core_);
    }
    return *this;
  }
  ~Receiver() { release(); }

  // Never waits. A message still queued is delivered even after its sender
  // is gone.
  Poll try_recv(std::optional<T>& out) {
    if (!core_) return Poll::Disconnected;
    std::lock_guard lock(core_->mutex);
    if (!core_->queue.empty()) {
      out.emplace(std::move(core_->queue.front()));
      core_->queue.pop_front();
      return Poll::Message;
    }
    return core_->senders == 0 ? Poll::Disconnected : Poll::Empty;
  }

  // Waits until a message arrives; nullopt once every sender is gone.
  std::optional<T> recv() {
    if (!core_) return std::nullopt;
    std::unique_lock lock(core_->mutex);
    core_->ready.wait(lock, [&] { return !core_->queue.empty() || core_->senders == 0; });
    return take(lock);
  }

  // Waits at most `timeout`; nullopt when nothing came (or every sender is gone).
  std::optional<T> recv_for(std::chrono::milliseconds timeout) {
    if (!core_) return std::nullopt;
    std::unique_lock lock(core_->mutex);
    core_->ready.wait_for(lock, timeout, [&] { return !core_->queue.empty() || core_->senders == 0; });
    return take(lock);
  }

 private:
  std::optional<T> take(std::unique_lock<std::mutex>&) {
    if (core_->queue.empty()) return std::nullopt;
    std::optional<T> v(std::move(core_->queue.front()));
    core_->queue.pop_front();
    return v;
  }
  // The lock goes before the reference: when this end is the last owner,
  // dropping the reference frees the mutex.
  void release() {
    if (!core_) return;
    {
      std::lock_guard lock(core_->mutex);
      core_->receiver_alive = false;
      core_->queue.clear();
    }
    core_.reset();
  }
  std::shared_ptr<detail::ChannelCore<T>> core_;
};

template <class T>
std::pair<Sender<T>, Receiver<T>> make_channel() {
  auto core = std::make_shared<detail::ChannelCore<T>>();
  return {Sender<T>(core), Receiver<T>(core)};
}

// A unit message: "something changed".
struct Signal {};

}  // namespace utils
