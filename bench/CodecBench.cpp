// EC2 block coding on 16 KiB chunks of this machine's own binaries and texts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

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

}  // namespace

BENCHMARK_MAIN();
