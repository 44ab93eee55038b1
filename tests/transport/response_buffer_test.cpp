#include "transport/response_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace clipferry {
namespace {

struct ChunkCase {
    const char* name;
    std::vector<std::string> chunks;
    std::string expected;
};

void PrintTo(const ChunkCase& c, std::ostream* out) { *out << c.name; }

class AppendChunks : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(AppendChunks, JoinsKeptBytesInArrivalOrder) {
    const ChunkCase& c = GetParam();
    ResponseBody body;
    for (const std::string& chunk : c.chunks) {
        std::string bytes = chunk;  // libcurl hands out a writable buffer
        ASSERT_EQ(AppendResponseChunk(bytes.data(), 1, bytes.size(), body.Address()), bytes.size());
    }
    ASSERT_NE(body.Text(), nullptr);
    EXPECT_EQ(std::string(body.Text()), c.expected);
    EXPECT_EQ(body.Length(), c.expected.size());
}

using std::string_literals::operator""s;

INSTANTIATE_TEST_SUITE_P(
    ResponseBuffer, AppendChunks,
    ::testing::Values(
        ChunkCase{"OneChunk", {"<a>b</a>"}, "<a>b</a>"},
        ChunkCase{"SeveralChunks", {"<a>", "b", "</a>"}, "<a>b</a>"},
        ChunkCase{"ZeroByteChunkOnEmptyBuffer", {""}, ""},
        ChunkCase{"ZeroByteChunkBetween", {"ab", "", "cd"}, "abcd"},
        ChunkCase{"NulCutsItsChunkOnly", {"ab\0XY"s, "cd"}, "abcd"},
        ChunkCase{"NulFirstInFirstChunk", {"\0XY"s, "cd"}, "cd"},
        ChunkCase{"NulLastInChunk", {"ab\0"s, "cd\0"s, "ef"}, "abcdef"},
        ChunkCase{"OnlyNuls", {"\0\0\0"s}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseBuffer, ReturnsSizeTimesCount) {
    ResponseBody body;
    char data[] = "abcdef";
    EXPECT_EQ(AppendResponseChunk(data, 3, 2, body.Address()), 6u);
    EXPECT_STREQ(body.Text(), "abcdef");
}

TEST(ResponseBuffer, RefusesWhatCannotBeSized) {
    ResponseBody body;
    char data[] = "x";
    EXPECT_EQ(AppendResponseChunk(data, SIZE_MAX / 2 + 1, 2, body.Address()), 0u);
    EXPECT_EQ(body.Text(), nullptr);
    EXPECT_EQ(AppendResponseChunk(data, 1, 1, nullptr), 0u);
}

// Fails every allocation from the given call on, counting from one, and every
// block larger than the given size.
int gAllocations = 0;
int gFailFrom = 0;
size_t gLargestBlock = 0;
bool Refused(size_t size) { return ++gAllocations >= gFailFrom || size > gLargestBlock; }
void* CountingCalloc(size_t count, size_t size) { return Refused(count * size) ? nullptr : std::calloc(count, size); }
void* CountingRealloc(void* block, size_t size) { return Refused(size) ? nullptr : std::realloc(block, size); }
const BufferAllocator kCounting{CountingCalloc, CountingRealloc};

TEST(ResponseBuffer, WhatCannotBeAllocatedIsRefusedAndNothingHeldIsLost) {
    const std::string full(16384, 'a');  // fills the first allocation
    const struct {
        const char* label;
        int failFrom;
        size_t largestBlock;
        std::vector<std::string> chunks;
        std::vector<bool> taken;
    } cases[] = {
        {"first allocation fails", 1, SIZE_MAX, {"abc"}, {false}},
        {"growth fails", 2, SIZE_MAX, {full, "def"}, {true, false}},
        {"double refused, the size needed taken", 99, 20000, {full, "def"}, {true, true}},
    };
    for (const auto& c : cases) {
        gAllocations = 0;
        gFailFrom = c.failFrom;
        gLargestBlock = c.largestBlock;
        ResponseBody body;
        std::string expected;
        for (size_t i = 0; i < c.chunks.size(); ++i) {
            EXPECT_EQ(AppendChunk(body, c.chunks[i].data(), c.chunks[i].size(), kCounting), c.taken[i]) << c.label;
            if (c.taken[i]) expected += c.chunks[i];
        }
        if (!c.taken[0]) {
            EXPECT_EQ(body.Text(), nullptr) << c.label;
            continue;
        }
        ASSERT_NE(body.Text(), nullptr) << c.label;
        EXPECT_EQ(std::string(body.Text()), expected) << c.label;  // and still freed by its owner
        EXPECT_EQ(body.Length(), expected.size()) << c.label;
    }
}

TEST(ResponseBuffer, GrowsGeometricallyWhateverTheChunks) {
    gAllocations = 0;
    gFailFrom = INT32_MAX;
    gLargestBlock = SIZE_MAX;
    ResponseBody body;
    for (int i = 0; i < 1 << 20; ++i) ASSERT_TRUE(AppendChunk(body, "x", 1, kCounting));
    EXPECT_EQ(body.Length(), size_t(1) << 20);
    EXPECT_LE(gAllocations, 12);  // 16 KiB doubled up to 1 MiB
}

// Every byte that arrives counts, a NUL too, though it is not kept.
TEST(ResponseBuffer, TakesAnswersUpToTheCeilingExactly) {
    ResponseBody body;
    const std::string most(kAnswerCeiling - 1, 'x');
    ASSERT_TRUE(AppendChunk(body, most.data(), most.size(), StandardBufferAllocator()));
    EXPECT_TRUE(AppendChunk(body, "", 1, StandardBufferAllocator()));
    EXPECT_FALSE(body.OverCeiling());
    EXPECT_FALSE(AppendChunk(body, "y", 1, StandardBufferAllocator()));
    EXPECT_TRUE(body.OverCeiling());
    EXPECT_EQ(body.Length(), most.size());
}

TEST(ResponseBuffer, RefusesGrowthPastAddressSpace) {
    ResponseBody body;
    ASSERT_TRUE(AppendChunk(body, "abc", 3, StandardBufferAllocator()));
    EXPECT_FALSE(AppendChunk(body, "", SIZE_MAX - 3, StandardBufferAllocator()));
    EXPECT_STREQ(body.Text(), "abc");
}

}  // namespace
}  // namespace clipferry
