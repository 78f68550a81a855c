#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "archive/ChunkCoder.h"

namespace lifto::archive {
namespace {

// The reading stays on the caller's thread, some chunks ahead of the writing, and goes on into
// the files that follow, so that the workers need not wait at each file's end while the writer
// closes one file and opens the next (most files of an update are a few chunks long). Worker
// threads code the chunks read. A slot is handed back in file order once it is coded, so the
// archive is written exactly as with one thread.
class ParallelChunkCoder final : public ChunkCoder {
 public:
  ParallelChunkCoder(TCompressionLevel level, unsigned threads, UpcomingFiles upcoming)
      : upcoming_(std::move(upcoming)), deflater_(level) {
    for (unsigned i = 0; i < threads; ++i) {
      workers_.emplace_back([this, level] { Work(level); });
    }
  }

  ~ParallelChunkCoder() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();
    }
    work_.notify_all();
    for (auto& worker : workers_) worker.join();
  }

  void Start(HostFile& input, std::int64_t size) override {
    if (files_.empty() || files_.front().input != &input) {
      // Not the file read ahead: whatever was read for others is of no use.
      AwaitSlots(tail_);
      head_ = tail_;
      files_.clear();
      files_.push_back({&input, std::max<std::int64_t>(size, 0), nextFile_++});
    }
  }

  const CodedChunk& Next() override {
    Fill();
    Slot& slot = slots_[head_ % kSlots];
    std::unique_lock lock(mutex_);
    // Rather than wait, this thread codes too: the chunk read last, so that the workers, taking
    // the oldest, keep the writer's next chunks coming.
    while (slot.state != State::Done && !queue_.empty()) {
      Slot* own = queue_.back();
      queue_.pop_back();
      own->state = State::Coding;
      lock.unlock();
      own->result.block = deflater_.Deflate(own->result.data, own->stream);
      lock.lock();
      own->state = State::Done;
    }
    coded_.wait(lock, [&] { return slot.state == State::Done; });
    ++head_;
    return slot.result;
  }

  void Finish() override {
    if (files_.empty()) return;
    // The chunks of this file not taken (it ended early) are dropped once no worker holds them.
    const std::uint64_t file = files_.front().number;
    std::size_t end = head_;
    while (end < tail_ && slots_[end % kSlots].file == file) ++end;
    AwaitSlots(end);
    head_ = end;
    files_.pop_front();
  }

 private:
  // Enough for the workers to go on through a slow chunk at the head (chunks of stored data code
  // many times faster than text), 32 KiB each.
  static constexpr std::size_t kSlots = 32;
  enum class State { Free, Queued, Coding, Done };
  struct Slot {
    ChunkBuffer chunk{};
    ChunkBuffer stream{};
    CodedChunk result;
    std::uint64_t file = 0;
    State state = State::Free;
  };
  struct File {
    HostFile* input;
    std::int64_t unread;
    std::uint64_t number;
  };

  // Reads chunks into every slot the writer is not holding: of the current file, then of those
  // that follow it. Files without bytes take no slot, so their number is bounded apart.
  void Fill() {
    while (tail_ - head_ < kSlots) {
      if (files_.empty() || files_.back().unread <= 0) {
        if (!upcoming_ || files_.size() > kSlots) return;
        const auto next = upcoming_();
        if (!next) return;
        files_.push_back({next->input, std::max<std::int64_t>(next->size, 0), nextFile_++});
        continue;
      }
      File& file = files_.back();
      Slot& slot = slots_[tail_ % kSlots];
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(file.unread, kChunkSize));
      const auto got = file.input->Read(slot.chunk.data(), want);
      slot.result = CodedChunk{};
      slot.result.stream = &slot.stream;
      slot.file = file.number;
      ++tail_;
      if (got != static_cast<std::int64_t>(want)) {
        slot.result.readFailed = true;
        slot.result.readError =
            got < 0 ? file.input->Error() : "the file is shorter than when it was selected";
        slot.result.data = {slot.chunk.data(), got < 0 ? 0 : static_cast<std::size_t>(got)};
        file.unread = 0;
        std::lock_guard lock(mutex_);
        slot.state = State::Done;
        continue;
      }
      file.unread -= got;
      slot.result.data = {slot.chunk.data(), want};
      {
        std::lock_guard lock(mutex_);
        slot.state = State::Queued;
        queue_.push_back(&slot);
      }
      work_.notify_one();
    }
  }

  // Waits until the workers are done with every slot read before `end`.
  void AwaitSlots(std::size_t end) {
    std::unique_lock lock(mutex_);
    coded_.wait(lock, [&] {
      for (std::size_t seq = head_; seq < end; ++seq) {
        if (slots_[seq % kSlots].state != State::Done) return false;
      }
      return true;
    });
  }

  void Work(TCompressionLevel level) {
    ChunkDeflater deflater(level);
    for (;;) {
      Slot* slot = nullptr;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        slot = queue_.front();
        queue_.pop_front();
        slot->state = State::Coding;
      }
      slot->result.block = deflater.Deflate(slot->result.data, slot->stream);
      {
        std::lock_guard lock(mutex_);
        slot->state = State::Done;
      }
      coded_.notify_all();
    }
  }

  UpcomingFiles upcoming_;
  ChunkDeflater deflater_;  // this thread's own
  std::array<Slot, kSlots> slots_;
  // The file being written first, then those read ahead; only the last may have bytes unread.
  std::deque<File> files_;
  std::uint64_t nextFile_ = 1;
  std::size_t head_ = 0;  // chunks handed to the writer
  std::size_t tail_ = 0;  // chunks read
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable coded_;
  std::deque<Slot*> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace

std::unique_ptr<ChunkCoder> MakeParallelChunkCoder(TCompressionLevel level, unsigned threads,
                                                   UpcomingFiles upcoming) {
  return std::make_unique<ParallelChunkCoder>(level, std::max(threads, 1U), std::move(upcoming));
}

}  // namespace lifto::archive
