#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace raziz2u {

// A queue between two stages of a conversion that run on their own threads. It holds at most
// `capacity` items: a full queue holds its producer back, so that memory stays bounded whatever
// the stages' speeds. A producer held back goes on once the queue has emptied to half, not at
// every item taken: waking a thread costs more than most items' work. Close() ends it for the
// consumer once it is empty; Abort() ends it at once for both sides and drops what it holds (a
// stage failed, or a consumer needs no more).
template <typename T>
class WorkQueue {
 public:
  explicit WorkQueue(size_t capacity) : capacity_(capacity) {}
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  // False when the queue was aborted; the item is then dropped.
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return items_.size() < capacity_ || aborted_; });
    if (aborted_) return false;
    items_.push_back(std::move(item));
    ready_.notify_one();
    return true;
  }

  // The next item; nothing once the queue is closed and empty, or aborted.
  std::optional<T> Pop() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !items_.empty() || closed_ || aborted_; });
    if (aborted_ || items_.empty()) return std::nullopt;
    std::optional<T> item(std::move(items_.front()));
    items_.pop_front();
    if (items_.size() <= capacity_ / 2) room_.notify_one();
    return item;
  }

  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    ready_.notify_all();
  }

  void Abort() {
    std::deque<T> dropped;
    {
      std::lock_guard lock(mutex_);
      aborted_ = true;
      dropped.swap(items_);
      ready_.notify_all();
      room_.notify_all();
    }
  }

 private:
  const size_t capacity_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable room_;
  std::deque<T> items_;
  bool closed_ = false;
  bool aborted_ = false;
};

}  // namespace raziz2u
