#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "file_stream.h"
#include "memory_stream.h"

namespace {

TEST(MemoryStreamRead, CountsWholeItemsAndStopsAtTheEnd)
{
    uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryStream s(data, 10);
    uint8_t out[12] = {};
    EXPECT_EQ(s.ReadBlock(out, 3, 4), 3u);  // 10 bytes copied, 3 whole items
    EXPECT_EQ(0, std::memcmp(out, data, 10));
    EXPECT_EQ(s.Position(), 10);
    EXPECT_EQ(s.ReadBlock(out, 1, 1), 0u);
    EXPECT_TRUE(s.AtEnd());
    EXPECT_EQ(s.GetByte(), -1);
}

TEST(MemoryStreamRead, RefusesNullAndEmptyRequests)
{
    uint8_t data[4] = {1, 2, 3, 4};
    MemoryStream s(data, 4);
    uint8_t out[4];
    EXPECT_EQ(s.ReadBlock(nullptr, 1, 4), 0u);
    EXPECT_EQ(s.ReadBlock(out, 0, 4), 0u);
    EXPECT_EQ(s.ReadBlock(out, 4, 0), 0u);
    EXPECT_EQ(s.Position(), 0);
    MemoryStream none;
    EXPECT_EQ(none.ReadBlock(out, 1, 1), 0u);
    EXPECT_TRUE(none.AtEnd());
    EXPECT_EQ(none.Position(), -1);
    EXPECT_EQ(none.Length(), -1);
    EXPECT_EQ(none.ErrorState(), -1);
    EXPECT_FALSE(none.SeekTo(0, SEEK_SET));
    EXPECT_FALSE(none.PutByte(1));
    EXPECT_FALSE(none.FlushStream());
}

TEST(MemoryStreamSeek, ClampsBelowZeroAndAllowsPastTheEnd)
{
    uint8_t data[10] = {};
    MemoryStream s(data, 10);
    EXPECT_TRUE(s.SeekTo(-5, SEEK_SET));
    EXPECT_EQ(s.Position(), 0);
    EXPECT_TRUE(s.SeekTo(100, SEEK_SET));
    EXPECT_EQ(s.Position(), 100);
    EXPECT_TRUE(s.AtEnd());
    EXPECT_EQ(s.ErrorState(), 1);
    EXPECT_TRUE(s.SeekTo(-3, SEEK_END));
    EXPECT_EQ(s.Position(), 7);
    EXPECT_EQ(s.ErrorState(), 0);
    EXPECT_TRUE(s.SeekTo(2, SEEK_CUR));
    EXPECT_EQ(s.Position(), 9);
    EXPECT_FALSE(s.SeekTo(0, 7));
    EXPECT_EQ(s.Position(), 9);
    // A huge forward seek stays a valid, if far, position.
    EXPECT_TRUE(s.SeekTo(INT32_MAX, SEEK_CUR));
    EXPECT_EQ(s.Position(), INT32_MAX);
    uint8_t out;
    EXPECT_EQ(s.ReadBlock(&out, 1, 1), 0u);
}

TEST(MemoryStreamGrowth, GrowsInSteps)
{
    MemoryStream s;
    ASSERT_TRUE(s.OpenEmpty());
    EXPECT_FALSE(s.OpenEmpty());
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_TRUE(s.PutByte(0x5A));
    EXPECT_EQ(s.Capacity(), 65536);
    EXPECT_EQ(s.Length(), 1);
    EXPECT_EQ(s.Position(), 1);

    MemoryStream big;
    ASSERT_TRUE(big.OpenEmpty());
    std::string block(65536, 'x');
    EXPECT_EQ(big.WriteBlock(block.data(), 1, 65536), 65536u);
    EXPECT_EQ(big.Capacity(), 131072);
    EXPECT_EQ(big.Length(), 65536);

    MemoryStream step;
    ASSERT_TRUE(step.OpenEmpty());
    EXPECT_TRUE(step.Reserve(65535));
    EXPECT_EQ(step.Capacity(), 65536);
    EXPECT_TRUE(step.Reserve(100));
    EXPECT_EQ(step.Capacity(), 65536);
}

TEST(MemoryStreamWrite, OverwritesInsideAndExtendsPastTheEnd)
{
    MemoryStream s;
    ASSERT_TRUE(s.OpenEmpty());
    EXPECT_EQ(s.WriteBlock("abcdef", 2, 3), 3u);
    ASSERT_TRUE(s.SeekTo(2, SEEK_SET));
    EXPECT_EQ(s.WriteBlock("XY", 1, 2), 2u);
    EXPECT_EQ(s.Length(), 6);
    ASSERT_TRUE(s.SeekTo(10, SEEK_SET));
    EXPECT_TRUE(s.PutByte('!'));
    EXPECT_EQ(s.Length(), 11);
    EXPECT_EQ(0, std::memcmp(s.BufferPointer(false), "abXYef", 6));
    EXPECT_EQ(s.WriteBlock(nullptr, 1, 1), 0u);
    EXPECT_EQ(s.WriteBlock("a", 0, 1), 0u);
}

TEST(MemoryStreamWrite, LeavesTheCallersBlockAloneWhenGrowing)
{
    uint8_t caller[4] = {1, 2, 3, 4};
    MemoryStream s(caller, 4);
    EXPECT_FALSE(s.OwnsBuffer());
    ASSERT_TRUE(s.SeekTo(4, SEEK_SET));
    EXPECT_EQ(s.WriteBlock("\x09\x08", 1, 2), 2u);
    EXPECT_TRUE(s.OwnsBuffer());
    EXPECT_NE(s.BufferPointer(false), caller);
    EXPECT_EQ(0, std::memcmp(s.BufferPointer(false), "\x01\x02\x03\x04\x09\x08", 6));
    EXPECT_EQ(caller[3], 4);
}

TEST(MemoryStreamOwnership, BufferPointerCanGiveTheBufferAway)
{
    uint8_t* kept = nullptr;
    {
        MemoryStream s;
        ASSERT_TRUE(s.OpenEmpty());
        ASSERT_TRUE(s.PutByte(7));
        kept = s.BufferPointer(true);
        EXPECT_FALSE(s.OwnsBuffer());
    }
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept[0], 7);
    std::free(kept);
}

TEST(MemoryStreamText, GetLineKeepsTheNewlineAndFailsAtTheEnd)
{
    uint8_t data[] = {'a', 'b', '\n', 'c', 'd'};
    MemoryStream s(data, sizeof data);
    char line[8];
    char tiny[1] = {'z'};
    EXPECT_EQ(s.GetLine(tiny, 1), tiny);
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_EQ(s.Position(), 0);
    ASSERT_EQ(s.GetLine(line, 8), line);
    EXPECT_STREQ(line, "ab\n");
    EXPECT_EQ(s.GetLine(line, 8), nullptr);  // "cd" then the end: null even after some bytes
    int value = 0;
    EXPECT_EQ(s.ScanFormatted("%d", &value), 0);
}

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (std::filesystem::temp_directory_path() /
                ("codecs_stream_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".bin"))
                   .string();
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::string path;
};

TEST_F(FileStreamTest, ThinCallsAndEndOnlyAfterAShortRead)
{
    FILE* f = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(f, nullptr);
    {
        FileStream s(f);
        EXPECT_EQ(s.WriteBlock("12345", 1, 5), 5u);
        EXPECT_TRUE(s.PutByte('6'));
        EXPECT_TRUE(s.FlushStream());
        EXPECT_EQ(s.Length(), 6);
        EXPECT_EQ(s.Position(), 6);
        ASSERT_TRUE(s.SeekTo(0, SEEK_SET));
        char buf[6];
        EXPECT_EQ(s.ReadBlock(buf, 3, 2), 2u);
        EXPECT_FALSE(s.AtEnd());  // the position is at the end, but nothing has read past it
        EXPECT_EQ(s.GetByte(), -1);
        EXPECT_TRUE(s.AtEnd());
        EXPECT_EQ(s.ErrorState(), 0);
        ASSERT_TRUE(s.SeekTo(-2, SEEK_END));
        int n = 0;
        EXPECT_EQ(s.ScanFormatted("%d", &n), 1);
        EXPECT_EQ(n, 56);
        // A borrowed file is not closed by the stream.
        EXPECT_TRUE(s.CloseStream());
    }
    EXPECT_EQ(std::fclose(f), 0);
}

TEST(FileStreamNone, ReturnsTheDocumentedValuesWithoutAFile)
{
    FileStream s(nullptr);
    char buf[4];
    EXPECT_TRUE(s.CloseStream());
    EXPECT_EQ(s.ReadBlock(buf, 1, 4), 0u);
    EXPECT_EQ(s.WriteBlock(buf, 1, 4), 0u);
    EXPECT_FALSE(s.SeekTo(0, SEEK_SET));
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Length(), -1);
    EXPECT_FALSE(s.FlushStream());
    EXPECT_TRUE(s.AtEnd());
    EXPECT_EQ(s.ErrorState(), -1);
    EXPECT_FALSE(s.PutByte(1));
    EXPECT_EQ(s.GetByte(), -1);
    EXPECT_EQ(s.GetLine(buf, 4), nullptr);
    EXPECT_EQ(s.ScanFormatted("%d", buf), -1);
}

}  // namespace
