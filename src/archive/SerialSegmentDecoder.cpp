#include "archive/SegmentDecoder.h"

namespace lifto::archive {
namespace {

class SerialSegmentDecoder final : public SegmentDecoder {
 public:
  explicit SerialSegmentDecoder(SegmentBuffers& buffers) : buffers_(buffers) {}

  std::int32_t Int32(FormatReader& in) override { return in.Int32(); }
  std::string Text(FormatReader& in, std::int32_t length) override { return in.Text(length); }
  void Begin(FormatReader&) override {}
  SegmentEnd Read(FormatReader& in, const SegmentEvents& events) override {
    return ReadSegment(in, true, buffers_, events);
  }
  SegmentEnd Skip(FormatReader& in, const SegmentEvents& events) override {
    return ReadSegment(in, false, buffers_, events);
  }
  void Drop() override {}

 private:
  SegmentBuffers& buffers_;
};

}  // namespace

std::unique_ptr<SegmentDecoder> MakeSerialSegmentDecoder(SegmentBuffers& buffers) {
  return std::make_unique<SerialSegmentDecoder>(buffers);
}

}  // namespace lifto::archive
