#include "archive/Codecs.h"

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

TEST(DeflateChunk, LevelsMapToZlibLevelsInTheComponentsOrder) {
  EXPECT_EQ(DeflateLevelOf(clFastest), 1);
  EXPECT_EQ(DeflateLevelOf(clNone), 0);
  EXPECT_EQ(DeflateLevelOf(clDefault), Z_DEFAULT_COMPRESSION);
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

TEST(InflateBlock, DamagedOrCutStreamsAreCompressionErrors) {
  const auto chunk = Text(kChunkSize);
  ChunkBuffer stream{}, decoded{};
  const auto block = DeflateChunk(chunk, clDefault, stream);
  ASSERT_TRUE(block && !block->stored);

  auto damaged = stream;
  damaged[block->length - 1] ^= 0xFF;  // the Adler-32 trailer no longer matches
  EXPECT_FALSE(InflateBlock({damaged.data(), block->length}, decoded));
  EXPECT_FALSE(InflateBlock({stream.data(), block->length - 6}, decoded));  // cut short
  const std::uint8_t garbage[] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_FALSE(InflateBlock(garbage, decoded));

  // A stream that decodes to more than a chunk does not fit the block's buffer.
  std::vector<std::uint8_t> big(kChunkSize + 1, 'a');
  std::vector<std::uint8_t> compressed(compressBound(big.size()));
  uLongf length = compressed.size();
  ASSERT_EQ(compress(compressed.data(), &length, big.data(), big.size()), Z_OK);
  EXPECT_FALSE(InflateBlock({compressed.data(), length}, decoded));
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
