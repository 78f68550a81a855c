#include "archive/Codecs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/Lzrw1KhCompressor.h"

namespace lifto::archive {
namespace {

using test::Lzrw1KhCompress;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed = 7) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

std::vector<std::uint8_t> Text(std::size_t n) {
  const std::string words = "atualizacao do programa korami versao 8.2 arquivo ";
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(words[(i * 7 / 5) % words.size()]);
  return bytes;
}

TEST(DeflateChunk, IncompressibleChunkIsStoredAsItIs) {
  const auto chunk = RandomBytes(kChunkSize);
  ChunkBuffer out{};
  const auto block = DeflateChunk(chunk, clDefault, out);
  ASSERT_TRUE(block);
  EXPECT_TRUE(block->stored);
  EXPECT_EQ(block->length, kChunkSize);
}

TEST(DeflateChunk, CompressedBlocksAreWholeZlibStreamsThatInflateBack) {
  for (auto level : {clFastest, clDefault, clMax}) {
    for (const auto& chunk : {std::vector<std::uint8_t>(kChunkSize, 0), Text(kChunkSize), Text(1)}) {
      ChunkBuffer stream{};
      const auto block = DeflateChunk(chunk, level, stream);
      ASSERT_TRUE(block);
      ASSERT_FALSE(block->stored);
      // zlib header: deflate with a 32 KiB window, and a check value that makes it a multiple of 31.
      EXPECT_EQ(stream[0], 0x78);
      EXPECT_EQ((stream[0] * 256 + stream[1]) % 31, 0);
      ChunkBuffer decoded{};
      const auto n = InflateBlock({stream.data(), block->length}, decoded);
      ASSERT_TRUE(n);
      EXPECT_EQ(std::vector<std::uint8_t>(decoded.begin(), decoded.begin() + *n), chunk);
    }
  }
}

TEST(DeflateChunk, LevelNoneStoresFullChunksAndDeflatesShortOnesAsStoredBlocks) {
  const auto full = Text(kChunkSize);
  ChunkBuffer out{};
  auto block = DeflateChunk(full, clNone, out);
  ASSERT_TRUE(block);
  EXPECT_TRUE(block->stored);

  const auto shortChunk = Text(100);
  block = DeflateChunk(shortChunk, clNone, out);
  ASSERT_TRUE(block);
  EXPECT_FALSE(block->stored);
  // 2-byte header, one final stored deflate block (1 + 4 bytes), the data, 4-byte Adler-32.
  EXPECT_EQ(block->length, 2U + 5U + 100U + 4U);
  EXPECT_EQ(out[2], 0x01);
}

TEST(DeflateChunk, LevelsMapToDeflateLevelsInTheComponentsOrder) {
  EXPECT_EQ(DeflateLevelOf(clFastest), 1);
  EXPECT_EQ(DeflateLevelOf(clNone), 0);
  EXPECT_EQ(DeflateLevelOf(clDefault), 6);  // what zlib's default level stands for
  EXPECT_EQ(DeflateLevelOf(clMax), 9);
}

TEST(DeflateChunk, ReusedStateGivesTheBytesOfAFreshOne) {
  ChunkDeflater reused(clDefault);
  for (unsigned seed = 0; seed < 6; ++seed) {
    auto chunk = Text(3000 + seed * 2500);
    chunk[seed * 10] ^= 0x5A;  // every chunk differs, so history would show if it were carried
    ChunkBuffer a{}, b{};
    const auto fromReused = reused.Deflate(chunk, a);
    const auto fromFresh = DeflateChunk(chunk, clDefault, b);
    ASSERT_TRUE(fromReused && fromFresh);
    ASSERT_EQ(fromReused->length, fromFresh->length);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + fromReused->length, b.begin()));
  }
}

// ---- Compatibility with zlib: an office running an older reader must read what we write, and
// we must read every archive whose blocks zlib wrote. ----

using Bytes = std::vector<std::uint8_t>;

// One whole stream with the block's parameters, as zlib-based writers make it; nullopt when the
// stream does not fit into a block.
std::optional<Bytes> ZlibDeflate(const Bytes& chunk, int level) {
  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return std::nullopt;
  Bytes out(kChunkSize);
  s.next_in = const_cast<Bytef*>(chunk.data());
  s.avail_in = static_cast<uInt>(chunk.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

// How a zlib-based reader decodes a block: one inflate call into 16384 bytes.
std::optional<Bytes> ZlibInflate(const Bytes& payload) {
  z_stream s{};
  if (inflateInit2(&s, 15) != Z_OK) return std::nullopt;
  Bytes out(kChunkSize);
  s.next_in = const_cast<Bytef*>(payload.data());
  s.avail_in = static_cast<uInt>(payload.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&s, Z_NO_FLUSH);
  out.resize(s.total_out);
  const bool whole = status == Z_STREAM_END && s.avail_in == 0;
  inflateEnd(&s);
  if (!whole) return std::nullopt;
  return out;
}

std::optional<Bytes> Decode(const Bytes& payload) {
  ChunkBuffer out{};
  const auto n = InflateBlock(payload, out);
  if (!n) return std::nullopt;
  return Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(*n));
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Sample {
  std::string name;
  Bytes chunk;
};

// Chunks of every length class from real programs (this test's own executable and the Windows
// programs of the test data), random bytes, zeros and text.
std::vector<Sample> Corpus() {
  const Bytes self = ReadFile("/proc/self/exe");
  const Bytes dll = ReadFile(std::string(LIFTO_TEST_DATA_DIR) + "/version-toolchain.dll");
  const Bytes random = RandomBytes(kChunkSize, 11);
  const Bytes text = Text(kChunkSize);
  std::vector<Sample> corpus;
  for (const std::size_t size : {std::size_t{1}, std::size_t{100}, kChunkSize - 1, kChunkSize}) {
    const auto cut = [size](const Bytes& from, std::size_t at) {
      at = std::min(at, from.size() - std::min(from.size(), size));
      return Bytes(from.begin() + static_cast<std::ptrdiff_t>(at),
                   from.begin() + static_cast<std::ptrdiff_t>(std::min(from.size(), at + size)));
    };
    const std::string n = std::to_string(size);
    corpus.push_back({"program start " + n, cut(self, 0)});
    corpus.push_back({"program code " + n, cut(self, self.size() / 3)});
    corpus.push_back({"program data " + n, cut(self, self.size() * 4 / 5)});
    corpus.push_back({"windows dll " + n, cut(dll, 0)});
    corpus.push_back({"random " + n, cut(random, 0)});
    corpus.push_back({"zeros " + n, Bytes(size, 0)});
    corpus.push_back({"text " + n, cut(text, 0)});
  }
  return corpus;
}

TEST(CodecCompatibility, EveryBlockWeWriteInflatesWithZlib) {
  for (const auto& [name, chunk] : Corpus()) {
    for (const auto level : {clFastest, clNone, clDefault, clMax}) {
      SCOPED_TRACE(name + ", level " + std::to_string(DeflateLevelOf(level)));
      ChunkBuffer stream{};
      const auto block = DeflateChunk(chunk, level, stream);
      ASSERT_TRUE(block);
      if (block->stored) {
        EXPECT_EQ(block->length, chunk.size());
        continue;
      }
      ASSERT_LE(block->length, kChunkSize);
      const Bytes payload(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(block->length));
      EXPECT_EQ(ZlibInflate(payload), chunk);
      EXPECT_EQ(Decode(payload), chunk);
    }
  }
}

TEST(CodecCompatibility, EveryBlockZlibWritesDecodesTheSame) {
  std::size_t decoded = 0;
  for (const auto& [name, chunk] : Corpus()) {
    for (const int level : {0, 1, 6, 9}) {
      SCOPED_TRACE(name + ", zlib level " + std::to_string(level));
      const auto stream = ZlibDeflate(chunk, level);
      if (!stream) continue;  // zlib's writer stores such a chunk as it is
      EXPECT_EQ(Decode(*stream), chunk);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 80U);
}

TEST(CodecCompatibility, DamagedStreamsAreCompressionErrorsForBothReaders) {
  const Bytes text = Text(kChunkSize);
  const auto corpus = Corpus();
  const Bytes program = std::find_if(corpus.begin(), corpus.end(), [](const Sample& s) {
                          return s.name == "program code 16383";
                        })->chunk;
  ChunkBuffer ours{};
  const auto block = DeflateChunk(text, clDefault, ours);
  ASSERT_TRUE(block && !block->stored);
  const std::vector<std::pair<std::string, Bytes>> streams = {
      {"ours", Bytes(ours.begin(), ours.begin() + static_cast<std::ptrdiff_t>(block->length))},
      {"zlib level 6", *ZlibDeflate(program, 6)},
      {"zlib level 0", *ZlibDeflate(Bytes(100, 'x'), 0)},
  };
  for (const auto& [writer, stream] : streams) {
    ASSERT_TRUE(Decode(stream)) << writer;
    const std::size_t n = stream.size();
    std::vector<std::pair<std::string, Bytes>> damaged;
    auto flipped = stream;
    flipped[n / 2] ^= 0x10;
    damaged.emplace_back("a flipped bit", flipped);
    auto adler = stream;
    adler[n - 1] = static_cast<std::uint8_t>(adler[n - 1] + 1);
    damaged.emplace_back("a wrong Adler-32", adler);
    auto header = stream;
    header[1] ^= 0x20;  // asks for a preset dictionary, which no block has
    damaged.emplace_back("a wrong header", header);
    for (const std::size_t keep : {n - 1, n - 4, n / 2, std::size_t{2}, std::size_t{0}}) {
      damaged.emplace_back("cut to " + std::to_string(keep),
                           Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(keep)));
    }
    auto padded = stream;
    padded.push_back(0);
    damaged.emplace_back("a byte after its end", padded);
    for (const auto& [what, payload] : damaged) {
      SCOPED_TRACE(writer + ", " + what);
      EXPECT_FALSE(Decode(payload));
      EXPECT_FALSE(ZlibInflate(payload));
    }
  }
}

TEST(InflateBlock, StreamsThatDoNotFitABlockAreCompressionErrors) {
  ChunkBuffer decoded{};
  // More than a chunk of data, and a payload longer than a block.
  Bytes more(kChunkSize + 1, 'a');
  Bytes compressed(compressBound(more.size()));
  uLongf length = compressed.size();
  ASSERT_EQ(compress(compressed.data(), &length, more.data(), more.size()), Z_OK);
  EXPECT_FALSE(InflateBlock({compressed.data(), length}, decoded));
  const Bytes tooLong = RandomBytes(kChunkSize + 1);
  EXPECT_FALSE(InflateBlock(tooLong, decoded));
}

std::vector<std::uint8_t> Expand(const std::vector<std::uint8_t>& block) {
  LegacyBuffer out{};
  const auto n = Lzrw1KhExpand(block, out);
  if (!n) return {0xEE, 0xEE, 0xEE};  // a marker no test expects
  return {out.begin(), out.begin() + *n};
}

TEST(Lzrw1KhExpand, StoredBlocksLiteralsCopiesAndRuns) {
  EXPECT_EQ(Expand({0x80, 'a', 'b', 'c'}), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(Expand({0x80}), std::vector<std::uint8_t>{});

  // 'x', then a copy at offset 1 of length 18: the byte repeats.
  EXPECT_EQ(Expand({0x00, 0x40, 0x00, 'x', 0x00, 0x1F}), std::vector<std::uint8_t>(19, 'x'));
  // "ab", then a copy at offset 2 of length 5 repeats the pattern.
  EXPECT_EQ(Expand({0x00, 0x20, 0x00, 'a', 'b', 0x00, 0x22}),
            (std::vector<std::uint8_t>{'a', 'b', 'a', 'b', 'a', 'b', 'a'}));
  // Runs: the longest and the shortest.
  EXPECT_EQ(Expand({0x00, 0x80, 0x00, 0x00, 0x0F, 0xFF, 'v'}), std::vector<std::uint8_t>(4111, 'v'));
  EXPECT_EQ(Expand({0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 'v'}), std::vector<std::uint8_t>(16, 'v'));
}

TEST(Lzrw1KhExpand, SecondControlWordAndAShortLastGroup) {
  // 16 literals under the first control word, then a control word governing a copy and a literal.
  std::vector<std::uint8_t> block{0x00, 0x00, 0x00};
  for (int i = 0; i < 16; ++i) block.push_back(static_cast<std::uint8_t>('A' + i));
  block.insert(block.end(), {0x80, 0x00, 0x01, 0x00, 'z'});  // copy offset 16, length 3
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 16; ++i) expected.push_back(static_cast<std::uint8_t>('A' + i));
  expected.insert(expected.end(), {'A', 'B', 'C', 'z'});
  EXPECT_EQ(Expand(block), expected);
}

TEST(Lzrw1KhExpand, BlocksBreakingTheirBoundsAreRefused) {
  const std::vector<std::uint8_t> bad = {0xEE, 0xEE, 0xEE};
  EXPECT_EQ(Expand({0x00, 0x80, 0x00, 0x00, 0x10}), bad);         // copy before any output
  EXPECT_EQ(Expand({0x00, 0x40, 0x00, 'x', 0x00}), bad);          // copy item cut short
  EXPECT_EQ(Expand({0x00, 0x80, 0x00, 0x00, 0x0F, 0xFF}), bad);   // run item cut short
  EXPECT_EQ(Expand({0x00, 0x00}), bad);                           // no control word
  // Nine longest runs would write 36999 bytes into a 32783-byte buffer.
  std::vector<std::uint8_t> overflow{0x00, 0xFF, 0x80};
  for (int i = 0; i < 9; ++i) overflow.insert(overflow.end(), {0x00, 0x0F, 0xFF, 'v'});
  EXPECT_EQ(Expand(overflow), bad);
  LegacyBuffer out{};
  std::vector<std::uint8_t> tooLong(kLegacyBlockSize + 1, 0);
  tooLong[0] = 0x80;
  EXPECT_FALSE(Lzrw1KhExpand(tooLong, out));
}

TEST(Lzrw1KhExpand, ExpandsWhatTheTestCompressorMakes) {
  const auto random = RandomBytes(32768, 3);
  const auto text = Text(32768);
  for (const std::string& data :
       {std::string(random.begin(), random.end()), std::string(text.begin(), text.end()),
        std::string(32768, '\0'), std::string("abc"), std::string(5000, 'q') + "tail"}) {
    const auto block = Lzrw1KhCompress(data);
    const auto expanded = Expand(block);
    EXPECT_EQ(std::string(expanded.begin(), expanded.end()), data);
  }
  EXPECT_LT(Lzrw1KhCompress(std::string(text.begin(), text.end())).size(), text.size() / 2);
}

}  // namespace
}  // namespace lifto::archive
