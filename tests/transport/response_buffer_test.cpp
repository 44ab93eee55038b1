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

// Fails every allocation from the given call on, counting from one.
int gAllocations = 0;
int gFailFrom = 0;
void* CountingCalloc(size_t count, size_t size) {
    return ++gAllocations >= gFailFrom ? nullptr : std::calloc(count, size);
}
void* CountingRealloc(void* block, size_t size) {
    return ++gAllocations >= gFailFrom ? nullptr : std::realloc(block, size);
}
const BufferAllocator kCounting{CountingCalloc, CountingRealloc};

TEST(ResponseBuffer, FailedFirstAllocationLeavesPointerNull) {
    gAllocations = 0;
    gFailFrom = 1;
    char* buffer = nullptr;
    EXPECT_FALSE(AppendChunk(&buffer, "abc", 3, kCounting));
    EXPECT_EQ(buffer, nullptr);
}

TEST(ResponseBuffer, FailedGrowthKeepsTextReceivedSoFar) {
    gAllocations = 0;
    gFailFrom = 2;
    ResponseBody body;
    ASSERT_TRUE(AppendChunk(body.Address(), "abc", 3, kCounting));
    EXPECT_FALSE(AppendChunk(body.Address(), "def", 3, kCounting));
    EXPECT_STREQ(body.Text(), "abc");  // and still freed by its owner
}

TEST(ResponseBuffer, RefusesGrowthPastAddressSpace) {
    ResponseBody body;
    ASSERT_TRUE(AppendChunk(body.Address(), "abc", 3, StandardBufferAllocator()));
    EXPECT_FALSE(AppendChunk(body.Address(), "", SIZE_MAX - 3, StandardBufferAllocator()));
    EXPECT_STREQ(body.Text(), "abc");
}

}  // namespace
}  // namespace clipferry
