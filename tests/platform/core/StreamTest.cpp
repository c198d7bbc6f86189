#include "Stream.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(MemoryStream, ReadsWritesAndSeeks) {
    TMemoryStream s;
    s.Write("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    s.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 4);
    EXPECT_STREQ(buf, "cdef");
    EXPECT_EQ(s.Read(buf, 1), 0);
    s.Seek(-1, TSeekOrigin::End);
    EXPECT_EQ(s.ReadByte(), 'f');
    EXPECT_THROW(s.Seek(-10, TSeekOrigin::Current), EStreamError);
}

TEST(MemoryStream, ReadExactFailsShortAndKeepsWhatWasRead) {
    TMemoryStream s(std::vector<uint8_t>{1, 2, 3});
    uint8_t buf[4];
    EXPECT_THROW(s.ReadExact(buf, 4), EReadError);
    s.SetPosition(0);
    EXPECT_NO_THROW(s.ReadExact(buf, 3));
    EXPECT_EQ(buf[2], 3);
    EXPECT_THROW(s.ReadByte(), EReadError);
}

TEST(MemoryStream, WritingPastTheEndGrows) {
    TMemoryStream s;
    s.SetPosition(4);
    s.WriteByte(9);
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Memory()[0], 0);
    EXPECT_EQ(s.Memory()[4], 9);
}

TEST(FileStream, RoundTripAndMissingFile) {
    const auto path = std::filesystem::temp_directory_path() / "tv_stream_test.bin";
    {
        TFileStream out(path.string(), TFileMode::Create);
        out.Write("hello", 5);
        out.Close();
    }
    TFileStream in(path.string(), TFileMode::OpenRead);
    EXPECT_EQ(in.Size(), 5);
    char buf[6] = {};
    in.ReadExact(buf, 5);
    EXPECT_STREQ(buf, "hello");
    std::filesystem::remove(path);
    EXPECT_THROW(TFileStream("/nonexistent/dir/x.bin", TFileMode::OpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("/nonexistent/dir/x.bin", TFileMode::Create), EFCreateError);
}
