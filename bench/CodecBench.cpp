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
  std::size_t written = 0;
  for (auto _ : state) {
    const auto block = deflater.Deflate({sample.data() + at, kChunkSize}, out);
    written += block ? block->length : kChunkSize;
    at = (at + kChunkSize) % sample.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChunkSize));
  state.counters["size_percent"] = 100.0 * static_cast<double>(written) /
                                   static_cast<double>(state.iterations() * kChunkSize);
}
BENCHMARK(DeflateReusedState)->Arg(clFastest)->Arg(clDefault)->Arg(clMax);

// The baseline: zlib with the block's parameters, its state reset per chunk, a chunk whose
// stream does not fit stored as the archive stores it.
void ZlibDeflate(benchmark::State& state) {
  const auto& sample = Sample();
  z_stream s{};
  deflateInit2(&s, DeflateLevelOf(static_cast<TCompressionLevel>(state.range(0))), Z_DEFLATED, 15,
               8, Z_DEFAULT_STRATEGY);
  ChunkBuffer out{};
  std::size_t at = 0;
  std::size_t written = 0;
  for (auto _ : state) {
    deflateReset(&s);
    s.next_in = const_cast<Bytef*>(sample.data() + at);
    s.avail_in = kChunkSize;
    s.next_out = out.data();
    s.avail_out = kChunkSize;
    written += deflate(&s, Z_FINISH) == Z_STREAM_END ? s.total_out : kChunkSize;
    at = (at + kChunkSize) % sample.size();
  }
  deflateEnd(&s);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kChunkSize));
  state.counters["size_percent"] = 100.0 * static_cast<double>(written) /
                                   static_cast<double>(state.iterations() * kChunkSize);
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
      const auto size = run.counters.find("size_percent");
      if (size != run.counters.end()) sizes[run.benchmark_name()] = size->second.value;
    }
  }
  std::map<std::string, double> rates;
  std::map<std::string, double> sizes;
};

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
  for (const auto& level : {fastest, normal, max}) {
    const auto a = reporter.sizes.find("DeflateReusedState/" + level);
    const auto b = reporter.sizes.find("ZlibDeflate/" + level);
    if (a != reporter.sizes.end() && b != reporter.sizes.end() && b->second > 0) {
      std::printf("blocks at level %s: %.1f %% of the data, zlib's %.1f %% (%+.2f %%)\n", level.c_str(),
                  a->second, b->second, 100.0 * (a->second / b->second - 1.0));
    }
  }
  return 0;
}
