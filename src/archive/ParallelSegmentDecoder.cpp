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
#include <variant>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/SegmentDecoder.h"

namespace lifto::archive {
namespace {

// The caller's thread reads blocks ahead of the writing; worker threads decode the compressed ones.
// Once an entry's event has fired, reading goes on past its segment into the next entry's header
// and blocks, so that the workers decode while this thread makes, writes and closes files; it stops
// there until that entry's own event has fired. The blocks are handed to the events in archive
// order. A failure met in the segment begun is kept with its block, so that the events before it
// still come first; one met in the next entry is left to be met again when the entry is read, as
// only then is it known whether the entry is written or passed over.
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

  std::int32_t Int32(FormatReader& in) override {
    if (!fields_.empty()) return std::get<std::int32_t>(TakeField());
    TakeOverReading();
    return in.Int32();
  }

  std::string Text(FormatReader& in, std::int32_t length) override {
    if (!fields_.empty()) return std::get<std::string>(TakeField());
    TakeOverReading();
    return in.Text(length);
  }

  void Begin(FormatReader& in) override {
    if (!fields_.empty()) {
      // The marker and the first blocks were read ahead.
      marker_ = std::get<std::string>(TakeField());
      if (reading_ == Reading::Ahead) {
        reading_ = Reading::Segment;
      } else if (reading_ == Reading::AheadDone) {
        reading_ = Reading::Header;
      } else if (reading_ == Reading::None && marker_ == kMethodEc2) {
        reading_ = Reading::Segment;  // reading ahead stopped short of a failure: met again here
      }
    } else {
      try {
        ThrowIfLost();
        Drop();
        marker_ = in.Marker();
      } catch (...) {
        failure_ = std::current_exception();
        return;
      }
      if (marker_ == kMethodEc2) reading_ = Reading::Segment;
    }
    Fill(in);
  }

  SegmentEnd Read(FormatReader& in, const SegmentEvents& events) override {
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    // Legacy segments, and markers that are no segment's, go the plain way.
    if (marker_ != kMethodEc2) return ReadSegmentBody(in, marker_, true, buffers_, events);
    // What was read ahead of a segment not read to its end is given up with it.
    DropUnlessEnded dropper{*this};
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
      if (const auto result = end.After(length, damaged, goOn)) {
        dropper.ended = length == 0;
        return *result;
      }
    }
  }

  SegmentEnd Skip(FormatReader& in, const SegmentEvents& events) override {
    if (fields_.empty()) {
      ThrowIfLost();
      Drop();
      return ReadSegment(in, false, buffers_, events);
    }
    const std::string marker = std::get<std::string>(TakeField());
    DropUnlessEnded dropper{*this};
    if (marker != kMethodEc2) return ReadSegmentBody(in, marker, false, buffers_, events);
    // The blocks read ahead are passed over undecoded, as the archive's would be; past them the
    // segment is read from the archive. Nothing is read ahead beyond an entry passed over.
    Ec2SegmentEnd end;
    while (head_ != tail_) {
      Slot& slot = (*slots_)[head_ % kSlots];
      Cancel(slot);
      if (slot.failure) std::rethrow_exception(slot.failure);
      const std::int32_t length = slot.length;
      ++head_;
      const bool goOn = events.afterBlock({0, false, false});
      if (const auto result = end.After(length, false, goOn)) return *result;
    }
    reading_ = Reading::None;
    return ReadSegmentBody(in, marker, false, buffers_, events);
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
    reading_ = Reading::None;
    fields_.clear();
    headerField_ = 0;
    marker_.clear();
    failure_ = nullptr;
    lost_ = nullptr;
  }

 private:
  static constexpr std::size_t kSlots = 64;
  enum class State { Done, Queued, Decoding };
  // What reading ahead reads next.
  enum class Reading {
    None,       // nothing: the caller reads on from the archive
    Segment,    // blocks of the segment begun
    Header,     // the next entry's header fields, the segment begun read to its end
    Ahead,      // blocks of the next entry's segment, its event not fired yet
    AheadDone,  // nothing until the next entry's segment, read to its end, is begun
    Failed,     // nothing more: a failure is kept with the segment's last block
  };
  struct Slot {
    ChunkBuffer input{};
    ChunkBuffer output{};
    std::int32_t length = 0;
    std::size_t size = 0;
    std::optional<std::size_t> decoded;
    std::exception_ptr failure;
    State state = State::Done;
  };
  using Field = std::variant<std::int32_t, std::string>;
  struct DropUnlessEnded {
    ParallelSegmentDecoder& decoder;
    bool ended = false;  // the segment was read to its closing 0
    ~DropUnlessEnded() {
      if (!ended) decoder.Drop();
    }
  };

  Field TakeField() {
    Field field = std::move(fields_.front());
    fields_.pop_front();
    return field;
  }

  // Reads ahead into every slot the writing does not hold, as far as the state allows.
  void Fill(FormatReader& in) {
    while (tail_ - head_ < kSlots) {
      switch (reading_) {
        case Reading::None:
        case Reading::AheadDone:
        case Reading::Failed: return;
        case Reading::Segment: ReadBlock(in, false); break;
        case Reading::Ahead: ReadBlock(in, true); break;
        case Reading::Header: ReadHeaderField(in); break;
      }
    }
  }

  void ReadBlock(FormatReader& in, bool ahead) {
    const std::int64_t start = in.Source().Offset();
    Slot& slot = (*slots_)[tail_ % kSlots];
    slot.decoded.reset();
    slot.failure = nullptr;
    try {
      slot.length = in.BlockLength();
      slot.size = static_cast<std::size_t>(std::abs(std::int64_t{slot.length}));
      if (slot.size != 0) in.Bytes(slot.input.data(), slot.size);
    } catch (...) {
      // The next entry's block is read again by whoever reads the entry (it may be passed over
      // without reading its data); only where going back fails is the failure kept here.
      if (ahead && in.Source().Rewind(start)) {
        reading_ = Reading::None;
        return;
      }
      slot.failure = std::current_exception();
      ++tail_;
      reading_ = Reading::Failed;
      return;
    }
    ++tail_;
    if (slot.length == 0) reading_ = ahead ? Reading::AheadDone : Reading::Header;
    if (slot.length > 0) {
      {
        std::lock_guard lock(mutex_);
        slot.state = State::Queued;
        queue_.push_back(&slot);
      }
      work_.notify_one();
    }
  }

  // The next entry's header, a field at a time: its name's length (0 ends the archive), its name
  // (a disk record ends reading ahead: the next volume is the caller's to open), its stamp and
  // its segment's marker.
  void ReadHeaderField(FormatReader& in) {
    const std::int64_t start = in.Source().Offset();
    try {
      switch (headerField_) {
        case 0: {
          const std::int32_t length = in.Int32();
          fields_.emplace_back(length);
          nameLength_ = length;
          if (length == 0) reading_ = Reading::None;
          break;
        }
        case 1: {
          std::string name = in.Text(nameLength_);
          if (IsDiskRecord(name)) reading_ = Reading::None;
          fields_.emplace_back(std::move(name));
          break;
        }
        case 2: fields_.emplace_back(in.Int32()); break;
        default: {
          std::string marker = in.Marker();
          reading_ = marker == kMethodEc2 ? Reading::Ahead : Reading::None;
          fields_.emplace_back(std::move(marker));
          break;
        }
      }
    } catch (...) {
      // Left to the caller's own reading of the field, which meets the failure again.
      reading_ = Reading::None;
      if (!in.Source().Rewind(start)) lost_ = std::current_exception();
      return;
    }
    headerField_ = (headerField_ + 1) % 4;
    if (reading_ == Reading::None) headerField_ = 0;
  }

  // Where going back to a header field failed, the caller's next read of the archive fails as
  // reading the field did.
  void ThrowIfLost() {
    if (lost_) std::rethrow_exception(std::exchange(lost_, nullptr));
  }

  // The caller reads a header field that was not read ahead: reading ahead stops there.
  void TakeOverReading() {
    ThrowIfLost();
    if (reading_ == Reading::Header) {
      reading_ = Reading::None;
      headerField_ = 0;
    }
  }

  // Gives up a slot passed over: not decoded if no worker has it yet, else awaited.
  void Cancel(Slot& slot) {
    std::unique_lock lock(mutex_);
    if (slot.state == State::Queued) {
      queue_.erase(std::find(queue_.begin(), queue_.end(), &slot));
      slot.state = State::Done;
    }
    done_.wait(lock, [&] { return slot.state == State::Done; });
  }

  // Waits for a slot's block; one that no worker has taken yet is decoded here instead, and while
  // a worker decodes it, the blocks queued after it are.
  void Await(Slot& slot) {
    std::unique_lock lock(mutex_);
    while (slot.state != State::Done) {
      Slot* job = slot.state == State::Queued ? &slot : queue_.empty() ? nullptr : queue_.front();
      if (job == nullptr) break;
      queue_.erase(std::find(queue_.begin(), queue_.end(), job));
      job->state = State::Decoding;
      lock.unlock();
      job->decoded = buffers_.inflater.Inflate({job->input.data(), job->size}, job->output);
      lock.lock();
      job->state = State::Done;
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
  Reading reading_ = Reading::None;
  // The next entry's header fields read ahead, for the caller to take in their order.
  std::deque<Field> fields_;
  unsigned headerField_ = 0;  // which of them is read next
  std::int32_t nameLength_ = 0;
  std::string marker_;
  std::exception_ptr failure_;  // reading the marker failed
  std::exception_ptr lost_;     // reading a header field ahead failed, and going back too
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
