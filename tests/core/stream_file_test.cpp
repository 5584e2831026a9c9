#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/core.h"
#include "stream_test_files.h"

using namespace core;

namespace {

class FileStreamTest : public ::testing::Test {
  protected:
    ScratchDir dir;
};

// Answers "Pos" with -1 like a socket would; reads give nothing.
class PositionlessStream : public TStream {
  public:
    int Read(void*, int) override { return 0; }
};

// Serves "probe::" urls and records what it was asked.
class ProbeFactory : public TStreamFactory {
  public:
    Ref<TStream> CreateStream(const std::string& url, const std::string& proto,
                              const std::string& path, int readable, int writeable) override {
        lastUrl = url;
        lastPath = path;
        lastFlags = readable * 10 + writeable;
        if (proto != "probe") return nullptr;
        return Make<PositionlessStream>();
    }
    std::string lastUrl, lastPath;
    int lastFlags = -1;
};

} // namespace

TEST_F(FileStreamTest, SixByteFileReadsTwoIntsThenZeros) {
    WriteWholeFile(dir.Path("six"), "\x01\x02\x03\x04\x05\x06");
    Ref<TStream> file = FileOpenRead(dir.Path("six"));
    ASSERT_TRUE(file);
    Ref<TStream> s = TXEndianStream::LittleEndian(file);
    EXPECT_EQ(s->Size(), 6);
    EXPECT_EQ(s->ReadInt(), 0x04030201);
    EXPECT_EQ(s->Eof(), 0);
    EXPECT_EQ(s->ReadInt(), 0x0605);
    EXPECT_EQ(s->Eof(), 1);
    EXPECT_EQ(s->ReadInt(), 0);
    EXPECT_EQ(s->ReadString(4), std::string(4, '\0'));
}

TEST_F(FileStreamTest, WritePastEndGrowsSizeAndSeekReportsPosition) {
    std::string path = dir.Path("grow");
    Ref<TCStream> s = TCStream::OpenFile(path, 0, 1);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->_mode, TCStream::MODE_WRITE);
    EXPECT_EQ(s->Size(), 0);
    s->WriteInt(1);
    s->WriteInt(2);
    EXPECT_EQ(s->Pos(), 8);
    EXPECT_EQ(s->Size(), 8);
    EXPECT_EQ(s->Seek(2), 2);
    s->WriteShort(0xffff);
    EXPECT_EQ(s->Size(), 8); // overwriting inside does not grow
    EXPECT_EQ(s->Seek(6), 6);
    s->WriteInt(3);
    EXPECT_EQ(s->Size(), 10);
    EXPECT_EQ(s->Close(), 0);
    EXPECT_EQ(s->Close(), 0); // closing again does nothing
    EXPECT_EQ(ReadWholeFile(path), std::string("\x01\x00\xff\xff\x02\x00\x03\x00\x00\x00", 10));
}

TEST_F(FileStreamTest, OpeningWriteOnlyEmptiesAndReadWriteKeeps) {
    std::string path = dir.Path("keep");
    WriteWholeFile(path, "abcdef");
    {
        Ref<TCStream> both = TCStream::OpenFile(path, 1, 1);
        ASSERT_TRUE(both);
        EXPECT_EQ(both->_mode, TCStream::MODE_READ | TCStream::MODE_WRITE);
        EXPECT_EQ(both->Size(), 6);
        // Switching between reading and writing without a seek in between.
        EXPECT_EQ(both->ReadByte(), 'a');
        both->WriteByte('B');
        EXPECT_EQ(both->ReadByte(), 'c');
        both->WriteString("DE");
        EXPECT_EQ(both->ReadByte(), 'f');
        EXPECT_EQ(both->Eof(), 1);
    } // dropping the last reference closes and flushes
    EXPECT_EQ(ReadWholeFile(path), "aBcDEf");

    Ref<TStream> writer = FileOpenWrite(path);
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->Size(), 0);
    writer->Close();
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST_F(FileStreamTest, MissingFilesAndDirectoriesDoNotOpen) {
    std::string missing = dir.Path("missing");
    EXPECT_FALSE(StreamOpenRead(missing));
    EXPECT_FALSE(StreamOpen(missing, 1, 1));
    EXPECT_FALSE(FileOpenRead(missing));
    EXPECT_FALSE(StreamOpenWrite(dir.Path("no/such/dir/file")));
    for (int readable = 0; readable <= 1; ++readable) {
        for (int writeable = 0; writeable <= 1; ++writeable) {
            EXPECT_FALSE(TCStream::OpenFile(dir.Root(), readable, writeable))
                << readable << writeable;
        }
    }
    EXPECT_FALSE(TCStream::CreateWithCStream(nullptr, TCStream::MODE_READ));
    EXPECT_FALSE(StreamOpenRead(""));
}

TEST_F(FileStreamTest, BackslashSeparatorsOpenTheSameFile) {
    ASSERT_EQ(mkdir(dir.Path("sub").c_str(), 0755), 0);
    WriteWholeFile(dir.Path("sub/f.txt"), "line\r\n");
    std::string backslashed = dir.Root() + "\\sub\\f.txt";
    Ref<TStream> s = StreamOpenRead(backslashed);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ReadLine(), "line");
}

TEST_F(FileStreamTest, StreamStreamCloseLeavesFileOpenAtReaderPosition) {
    WriteWholeFile(dir.Path("embed"), "HEADpayloadTAIL");
    Ref<TStream> file = FileOpenRead(dir.Path("embed"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->ReadString(4), "HEAD");

    Ref<TStream> reader = StreamOpenRead(file);
    ASSERT_TRUE(reader);
    EXPECT_NE(reader.Get(), file.Get());
    EXPECT_EQ(reader->ReadString(7), "payload");
    reader->Close();
    reader = nullptr;

    EXPECT_EQ(file->Pos(), 11);
    EXPECT_EQ(file->ReadString(4), "TAIL");
}

TEST_F(FileStreamTest, FailedWritesAreReportedNotLost) {
    ASSERT_EQ(access("/dev/full", W_OK), 0) << "/dev/full is needed";
    // Small writes sit in the buffer; the failure shows when it is flushed.
    Ref<TCStream> small = TCStream::OpenFile("/dev/full", 0, 1);
    ASSERT_TRUE(small);
    small->WriteInt(1);
    EXPECT_THROW(small->Close(), TStreamWriteException);
    EXPECT_EQ(small->_cstream, nullptr); // the handle is released all the same

    Ref<TCStream> flushed = TCStream::OpenFile("/dev/full", 0, 1);
    flushed->WriteInt(1);
    EXPECT_THROW(flushed->Flush(), TStreamWriteException);

    // Writes larger than the buffer fail at once.
    std::string block(1 << 16, 'x');
    Ref<TStream> big = StreamOpenWrite("/dev/full");
    ASSERT_TRUE(big);
    EXPECT_THROW(big->WriteString(block), TStreamWriteException);
    Ref<TStream> line = StreamOpenWrite("/dev/full");
    EXPECT_EQ(line->WriteLine(block), 0);
}

TEST_F(FileStreamTest, EndianFactoriesOpenThePathBehindTheProto) {
    std::string path = dir.Path("be.bin");
    {
        Ref<TStream> big = StreamOpenWrite("BigEndian::" + path);
        ASSERT_TRUE(big);
        big->WriteInt(0x01020304);
        big->WriteDouble(0.5);
    }
    EXPECT_EQ(ReadWholeFile(path).substr(0, 4), "\x01\x02\x03\x04");

    Ref<TStream> bigIn = FileOpenRead("bigendian::" + path);
    ASSERT_TRUE(bigIn);
    EXPECT_EQ(bigIn->ReadInt(), 0x01020304);
    EXPECT_EQ(bigIn->ReadDouble(), 0.5);

    Ref<TStream> little = StreamOpenRead("littleendian::" + path);
    ASSERT_TRUE(little);
    EXPECT_NE(As<TCStream>(little.Get()), nullptr); // the file stream itself
    EXPECT_EQ(little->ReadInt(), 0x04030201);

    EXPECT_FALSE(StreamOpenRead("nosuchproto::" + path));
    EXPECT_FALSE(StreamOpenRead("bigendian::" + dir.Path("missing")));
}

TEST_F(FileStreamTest, NewestFactoryIsAskedFirstAndPositionlessStreamsAreRefused) {
    Ref<ProbeFactory> probe = Make<ProbeFactory>();
    EXPECT_EQ(TStreamFactory::First(), probe.Get());

    // Every "::" url passes the newest factory first, with its parts.
    Ref<TStream> big = StreamOpen("BIGENDIAN::" + dir.Path("x"), 0, 1);
    EXPECT_TRUE(big);
    EXPECT_EQ(probe->lastUrl, "BIGENDIAN::" + dir.Path("x"));
    EXPECT_EQ(probe->lastPath, dir.Path("x"));
    EXPECT_EQ(probe->lastFlags, 1);

    // Plain paths never reach a factory.
    probe->lastUrl = "untouched";
    StreamOpenRead(dir.Path("x"));
    EXPECT_EQ(probe->lastUrl, "untouched");

    Ref<TStream> raw = StreamOpenRead("Probe::anything");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->Pos(), -1);
    EXPECT_FALSE(FileOpenRead("probe::anything"));
    EXPECT_FALSE(FileOpenRead(raw));
}
