#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/SegmentDecoder.h"

namespace lifto::archive {
namespace {

// The caller's thread reads a segment's blocks a few ahead of the writing; worker threads decode
// the compressed ones. The blocks are handed to the events in archive order, and a failure met
// while reading ahead is kept with its block, so that the events before it still come first.
class ParallelSegmentDecoder final : public SegmentDecoder {
 public:
  ParallelSegmentDecoder(SegmentBuffers& buffers, unsigned workers) : buffers_(buffers) {
    for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  }

  ~ParallelSegmentDecoder() override {
    Drop();
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (auto& worker : workers_) worker.join();
  }

  void Begin(FormatReader& in) override {
    Drop();
    try {
      marker_ = in.Marker();
    } catch (...) {
      failure_ = std::current_exception();
      return;
    }
    if (marker_ == kMethodEc2) {
      reading_ = true;
      Fill(in);
    }
  }

  SegmentEnd Read(FormatReader& in, const SegmentEvents& events) override {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    // Legacy segments, and markers that are no segment's, go the plain way.
    if (marker_ != kMethodEc2) return ReadSegmentBody(in, marker_, true, buffers_, events);
    const DropWhenDone dropper{*this};
    Ec2SegmentEnd end;
    for (;;) {
      Fill(in);
      Slot& slot = (*slots_)[head_ % kSlots];
      Await(slot);
      if (slot.failure) std::rethrow_exception(slot.failure);
      std::size_t appended = 0;
      bool damaged = false;
      if (slot.length > 0 && slot.decoded) {
        events.append({slot.output.data(), *slot.decoded});
        appended = *slot.decoded;
      } else if (slot.length > 0) {
        damaged = true;
      } else if (slot.length < 0) {
        events.append({slot.input.data(), slot.size});
        appended = slot.size;
      }
      const std::int32_t length = slot.length;
      ++head_;
      const bool goOn = events.afterBlock({appended, damaged, false});
      if (const auto result = end.After(length, damaged, goOn)) return *result;
    }
  }

  void Drop() override {
    std::unique_lock lock(mutex_);
    // Blocks not yet taken by a worker are not decoded at all; those being decoded are awaited.
    for (Slot* slot : queue_) slot->state = State::Done;
    queue_.clear();
    done_.wait(lock, [&] {
      return std::all_of(slots_->begin(), slots_->end(),
                         [](const Slot& s) { return s.state != State::Decoding; });
    });
    head_ = tail_ = 0;
    reading_ = false;
    marker_.clear();
    failure_ = nullptr;
  }

 private:
  static constexpr std::size_t kSlots = 8;
  enum class State { Done, Queued, Decoding };
  struct Slot {
    ChunkBuffer input{};
    ChunkBuffer output{};
    std::int32_t length = 0;
    std::size_t size = 0;
    std::optional<std::size_t> decoded;
    std::exception_ptr failure;
    State state = State::Done;
  };
  struct DropWhenDone {
    ParallelSegmentDecoder& decoder;
    ~DropWhenDone() { decoder.Drop(); }
  };

  // Reads blocks into every slot the writing does not hold, up to the segment's closing 0.
  void Fill(FormatReader& in) {
    while (reading_ && tail_ - head_ < kSlots) {
      Slot& slot = (*slots_)[tail_ % kSlots];
      ++tail_;
      slot.decoded.reset();
      slot.failure = nullptr;
      try {
        slot.length = in.BlockLength();
        slot.size = static_cast<std::size_t>(std::abs(std::int64_t{slot.length}));
        if (slot.size != 0) in.Bytes(slot.input.data(), slot.size);
      } catch (...) {
        slot.failure = std::current_exception();
        reading_ = false;
        return;
      }
      if (slot.length == 0) reading_ = false;
      if (slot.length > 0) {
        {
          std::lock_guard lock(mutex_);
          slot.state = State::Queued;
          queue_.push_back(&slot);
        }
        work_.notify_one();
      }
    }
  }

  // Waits for a slot's block; one that no worker has taken yet is decoded here instead.
  void Await(Slot& slot) {
    std::unique_lock lock(mutex_);
    if (slot.state == State::Queued) {
      queue_.erase(std::find(queue_.begin(), queue_.end(), &slot));
      slot.state = State::Decoding;
      lock.unlock();
      slot.decoded = buffers_.inflater.Inflate({slot.input.data(), slot.size}, slot.output);
      lock.lock();
      slot.state = State::Done;
      return;
    }
    SpinWhile(lock, [&] { return slot.state != State::Done; });
    done_.wait(lock, [&] { return slot.state == State::Done; });
  }

  // A block decodes in a few microseconds, less than putting a thread to sleep and waking it
  // costs: a wait that is about to end is spun through instead (the lock released meanwhile).
  template <typename Pending>
  static void SpinWhile(std::unique_lock<std::mutex>& lock, Pending pending) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
    while (pending() && std::chrono::steady_clock::now() < until) {
      lock.unlock();
      std::this_thread::yield();
      lock.lock();
    }
  }

  void Work() {
    BlockInflater inflater;
    for (;;) {
      Slot* slot = nullptr;
      {
        std::unique_lock lock(mutex_);
        SpinWhile(lock, [&] { return !stopping_ && queue_.empty(); });
        work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        slot = queue_.front();
        queue_.pop_front();
        slot->state = State::Decoding;
      }
      slot->decoded = inflater.Inflate({slot->input.data(), slot->size}, slot->output);
      {
        std::lock_guard lock(mutex_);
        slot->state = State::Done;
      }
      done_.notify_all();
    }
  }

  SegmentBuffers& buffers_;
  std::unique_ptr<std::array<Slot, kSlots>> slots_ = std::make_unique<std::array<Slot, kSlots>>();
  std::size_t head_ = 0;  // blocks handed to the events
  std::size_t tail_ = 0;  // blocks read
  bool reading_ = false;  // the segment's closing 0 (or a failure) is not read yet
  std::string marker_;
  std::exception_ptr failure_;  // reading the marker failed
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::deque<Slot*> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

std::unique_ptr<SegmentDecoder> MakeParallelSegmentDecoder(SegmentBuffers& buffers, unsigned workers) {
  return std::make_unique<ParallelSegmentDecoder>(buffers, std::max(workers, 1U));
}

}  // namespace lifto::archive
