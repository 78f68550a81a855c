#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/ChunkCoder.h"

namespace lifto::archive {
namespace {

// The reading stays on the caller's thread, a few chunks ahead of the writing; worker threads
// code the chunks read. A slot is handed back in file order once it is coded, so the archive is
// written exactly as with one thread.
class ParallelChunkCoder final : public ChunkCoder {
 public:
  ParallelChunkCoder(TCompressionLevel level, unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) {
      workers_.emplace_back([this, level] { Work(level); });
    }
  }

  ~ParallelChunkCoder() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (auto& worker : workers_) worker.join();
  }

  void Start(HostFile& input, std::int64_t size) override {
    input_ = &input;
    unread_ = size;
    head_ = tail_ = 0;
  }

  const CodedChunk& Next() override {
    Fill();
    Slot& slot = slots_[head_ % kSlots];
    {
      std::unique_lock lock(mutex_);
      coded_.wait(lock, [&] { return slot.state == State::Done; });
    }
    ++head_;
    return slot.result;
  }

  void Finish() override {
    std::unique_lock lock(mutex_);
    coded_.wait(lock, [&] {
      for (std::size_t seq = head_; seq < tail_; ++seq) {
        if (slots_[seq % kSlots].state != State::Done) return false;
      }
      return true;
    });
    head_ = tail_ = 0;
    input_ = nullptr;
    unread_ = 0;
  }

 private:
  static constexpr std::size_t kSlots = 8;
  enum class State { Free, Queued, Done };
  struct Slot {
    ChunkBuffer chunk{};
    ChunkBuffer stream{};
    CodedChunk result;
    State state = State::Free;
  };

  // Reads chunks into every slot the writer is not holding.
  void Fill() {
    while (unread_ > 0 && tail_ - head_ < kSlots) {
      Slot& slot = slots_[tail_ % kSlots];
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(unread_, kChunkSize));
      const auto got = input_->Read(slot.chunk.data(), want);
      slot.result = CodedChunk{};
      slot.result.stream = &slot.stream;
      ++tail_;
      if (got != static_cast<std::int64_t>(want)) {
        slot.result.readFailed = true;
        slot.result.readError =
            got < 0 ? input_->Error() : "the file is shorter than when it was selected";
        slot.result.data = {slot.chunk.data(), got < 0 ? 0 : static_cast<std::size_t>(got)};
        unread_ = 0;
        std::lock_guard lock(mutex_);
        slot.state = State::Done;
        return;
      }
      unread_ -= got;
      slot.result.data = {slot.chunk.data(), want};
      {
        std::lock_guard lock(mutex_);
        slot.state = State::Queued;
        queue_.push_back(&slot);
      }
      work_.notify_one();
    }
  }

  void Work(TCompressionLevel level) {
    ChunkDeflater deflater(level);
    for (;;) {
      Slot* slot = nullptr;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        slot = queue_.front();
        queue_.pop_front();
      }
      slot->result.block = deflater.Deflate(slot->result.data, slot->stream);
      {
        std::lock_guard lock(mutex_);
        slot->state = State::Done;
      }
      coded_.notify_all();
    }
  }

  std::array<Slot, kSlots> slots_;
  HostFile* input_ = nullptr;
  std::int64_t unread_ = 0;
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

std::unique_ptr<ChunkCoder> MakeParallelChunkCoder(TCompressionLevel level, unsigned threads) {
  return std::make_unique<ParallelChunkCoder>(level, std::max(threads, 1U));
}

}  // namespace lifto::archive
