#include <algorithm>

#include "archive/ChunkCoder.h"

namespace lifto::archive {
namespace {

class SerialChunkCoder final : public ChunkCoder {
 public:
  explicit SerialChunkCoder(TCompressionLevel level) : deflater_(level) {}

  void Start(HostFile& input, std::int64_t size) override {
    input_ = &input;
    remaining_ = size;
  }

  const CodedChunk& Next() override {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(remaining_, kChunkSize));
    const auto got = input_->Read(chunk_.data(), want);
    result_ = CodedChunk{};
    result_.stream = &stream_;
    if (got != static_cast<std::int64_t>(want)) {
      result_.readFailed = true;
      result_.readError = got < 0 ? input_->Error() : "the file is shorter than when it was selected";
      result_.data = {chunk_.data(), got < 0 ? 0 : static_cast<std::size_t>(got)};
      return result_;
    }
    remaining_ -= got;
    result_.data = {chunk_.data(), want};
    result_.block = deflater_.Deflate(result_.data, stream_);
    return result_;
  }

  void Finish() override { input_ = nullptr; }

 private:
  ChunkDeflater deflater_;
  HostFile* input_ = nullptr;
  std::int64_t remaining_ = 0;
  ChunkBuffer chunk_{};
  ChunkBuffer stream_{};
  CodedChunk result_;
};

}  // namespace

std::unique_ptr<ChunkCoder> MakeSerialChunkCoder(TCompressionLevel level) {
  return std::make_unique<SerialChunkCoder>(level);
}

}  // namespace lifto::archive
