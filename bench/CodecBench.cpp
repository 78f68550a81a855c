// EC2 block coding on 16 KiB chunks of this machine's own binaries and texts, against zlib's
// deflate and inflate on the same chunks (the baseline); the ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <zlib.h>

#include "archive/Codecs.h"

namespace {

using namespace lifto::archive;

// About 8 MiB of real files: shared libraries and documentation, as update archives hold.
const std::vector<std::uint8_t>& Sample() {
  static const std::vector<std::uint8_t> sample = [] {
    std::vector<std::uint8_t> bytes;
    const std::pair<const char*, std::size_t> roots[] = {
        {"/usr/lib/x86_64-linux-gnu", 5u << 20}, {"/usr/share/doc", 2u << 20}, {"/usr/bin", 1u << 20}};
    for (const auto& [root, quota] : roots) {
      const std::size_t limit = bytes.size() + quota;
      std::error_code ec;
      for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
           it != std::filesystem::recursive_directory_iterator() && bytes.size() < limit; it.increment(ec)) {
        if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
        std::ifstream in(it->path(), std::ios::binary);
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), {});
      }
    }
    const std::size_t wanted = 8u << 20;
    bytes.resize(std::min(bytes.size(), wanted) / kChunkSize * kChunkSize);
    return bytes;
  }();
  return sample;
}

void DeflateFreshState(benchmark::State& state) {
  const auto& sample = Sample();
  ChunkBuffer out{};
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DeflateChunk({sample.data() + at, kChunkSize}, clDefault, out));
    at = (at + kChunkSize) % sample.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChunkSize));
}
BENCHMARK(DeflateFreshState);

void DeflateReusedState(benchmark::State& state) {
  const auto& sample = Sample();
  ChunkDeflater deflater(static_cast<TCompressionLevel>(state.range(0)));
  ChunkBuffer out{};
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(deflater.Deflate({sample.data() + at, kChunkSize}, out));
    at = (at + kChunkSize) % sample.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChunkSize));
}
BENCHMARK(DeflateReusedState)->Arg(clFastest)->Arg(clDefault)->Arg(clMax);

// The baseline: zlib with the block's parameters, its state reset per chunk.
class ZlibChunkDeflater {
 public:
  explicit ZlibChunkDeflater(TCompressionLevel level) {
    deflateInit2(&s_, DeflateLevelOf(level), Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  }
  ~ZlibChunkDeflater() { deflateEnd(&s_); }
  ZlibChunkDeflater(const ZlibChunkDeflater&) = delete;
  ZlibChunkDeflater& operator=(const ZlibChunkDeflater&) = delete;

  /// The block's length: the stream's, or the chunk's when the stream does not fit (stored).
  std::size_t Deflate(const std::uint8_t* chunk, ChunkBuffer& out) {
    deflateReset(&s_);
    s_.next_in = const_cast<Bytef*>(chunk);
    s_.avail_in = kChunkSize;
    s_.next_out = out.data();
    s_.avail_out = kChunkSize;
    return deflate(&s_, Z_FINISH) == Z_STREAM_END ? s_.total_out : kChunkSize;
  }

 private:
  z_stream s_{};
};

void ZlibDeflate(benchmark::State& state) {
  const auto& sample = Sample();
  ZlibChunkDeflater deflater(static_cast<TCompressionLevel>(state.range(0)));
  ChunkBuffer out{};
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(deflater.Deflate(sample.data() + at, out));
    at = (at + kChunkSize) % sample.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChunkSize));
}
BENCHMARK(ZlibDeflate)->Arg(clFastest)->Arg(clDefault)->Arg(clMax);

// Blocks as the archive holds them: compressed streams, and chunks stored when they would not shrink.
struct Blocks {
  std::vector<std::vector<std::uint8_t>> compressed;
  std::size_t storedChunks = 0;
};

const Blocks& SampleBlocks() {
  static const Blocks blocks = [] {
    Blocks b;
    const auto& sample = Sample();
    ChunkBuffer out{};
    for (std::size_t at = 0; at < sample.size(); at += kChunkSize) {
      const auto block = DeflateChunk({sample.data() + at, kChunkSize}, clDefault, out);
      if (block && !block->stored) {
        b.compressed.emplace_back(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(block->length));
      } else {
        ++b.storedChunks;
      }
    }
    return b;
  }();
  return blocks;
}

void InflateFreshState(benchmark::State& state) {
  const auto& blocks = SampleBlocks().compressed;
  ChunkBuffer out{};
  std::size_t i = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const auto n = InflateBlock(blocks[i], out);
    bytes += static_cast<std::int64_t>(n.value_or(0));
    i = (i + 1) % blocks.size();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(InflateFreshState);

void InflateReusedState(benchmark::State& state) {
  const auto& blocks = SampleBlocks().compressed;
  BlockInflater inflater;
  ChunkBuffer out{};
  std::size_t i = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const auto n = inflater.Inflate(blocks[i], out);
    bytes += static_cast<std::int64_t>(n.value_or(0));
    i = (i + 1) % blocks.size();
  }
  state.SetBytesProcessed(bytes);
  state.counters["stored_chunks"] = static_cast<double>(SampleBlocks().storedChunks);
}
BENCHMARK(InflateReusedState);

// The baseline: one inflate call per block into 16384 bytes, as a zlib-based reader decodes.
void ZlibInflate(benchmark::State& state) {
  const auto& blocks = SampleBlocks().compressed;
  z_stream s{};
  inflateInit2(&s, 15);
  ChunkBuffer out{};
  std::size_t i = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    inflateReset(&s);
    s.next_in = const_cast<Bytef*>(blocks[i].data());
    s.avail_in = static_cast<uInt>(blocks[i].size());
    s.next_out = out.data();
    s.avail_out = kChunkSize;
    if (inflate(&s, Z_NO_FLUSH) == Z_STREAM_END) bytes += static_cast<std::int64_t>(s.total_out);
    i = (i + 1) % blocks.size();
  }
  inflateEnd(&s);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(ZlibInflate);

// Prints as usual, and keeps each run's throughput for the ratios.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      const auto rate = run.counters.find("bytes_per_second");
      if (rate != run.counters.end()) rates[run.benchmark_name()] = rate->second.value;
    }
  }
  std::map<std::string, double> rates;
};

// The blocks' share of the data at a level over the whole sample, ours and zlib's: the same
// chunks for both (the timed runs cover different numbers of chunks). A stored chunk counts whole.
std::pair<double, double> SizePercents(TCompressionLevel level) {
  const auto& sample = Sample();
  ChunkDeflater ours(level);
  ZlibChunkDeflater zlib(level);
  ChunkBuffer out{};
  std::size_t oursTotal = 0;
  std::size_t zlibTotal = 0;
  for (std::size_t at = 0; at < sample.size(); at += kChunkSize) {
    const auto block = ours.Deflate({sample.data() + at, kChunkSize}, out);
    oursTotal += block ? block->length : kChunkSize;
    zlibTotal += zlib.Deflate(sample.data() + at, out);
  }
  const auto percent = [&](std::size_t total) { return 100.0 * static_cast<double>(total) / static_cast<double>(sample.size()); };
  return {percent(oursTotal), percent(zlibTotal)};
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto ratio = [&](const std::string& ours, const std::string& zlib, const char* what) {
    const auto a = reporter.rates.find(ours);
    const auto b = reporter.rates.find(zlib);
    if (a != reporter.rates.end() && b != reporter.rates.end() && b->second > 0) {
      std::printf("%-32s %.2fx zlib\n", what, a->second / b->second);
    }
  };
  const std::string fastest = std::to_string(clFastest);
  const std::string normal = std::to_string(clDefault);
  const std::string max = std::to_string(clMax);
  ratio("DeflateReusedState/" + fastest, "ZlibDeflate/" + fastest, "DeflateChunk, level fastest:");
  ratio("DeflateReusedState/" + normal, "ZlibDeflate/" + normal, "DeflateChunk, level default:");
  ratio("DeflateReusedState/" + max, "ZlibDeflate/" + max, "DeflateChunk, level max:");
  ratio("InflateReusedState", "ZlibInflate", "InflateBlock:");
  const std::pair<TCompressionLevel, const char*> levels[] = {{clFastest, "fastest"}, {clDefault, "default"}, {clMax, "max"}};
  for (const auto& [level, name] : levels) {
    const auto [ours, zlib] = SizePercents(level);
    std::printf("blocks at level %s: %.1f %% of the data, zlib's %.1f %% (%+.2f %%)\n", name, ours, zlib,
                100.0 * (ours / zlib - 1.0));
  }
  return 0;
}
