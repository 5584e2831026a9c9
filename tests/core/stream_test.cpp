#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "core/core.h"

using namespace core;

namespace {

// A stream over a byte string that can be told to misbehave: Read gives 0
// once the position reaches failReadAt (before the end), Write moves at most
// writeLimit bytes per call (0: nothing at all).
class ByteStream : public TStream {
  public:
    explicit ByteStream(std::string bytes = {}) : bytes(std::move(bytes)) {}

    std::int64_t Pos() override { return pos; }
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes.size()); }
    std::int64_t Seek(std::int64_t to) override { return pos = to; }
    int Close() override {
        closed = true;
        return 0;
    }
    int Read(void* buf, int count) override {
        std::int64_t readable = std::min(failReadAt, Size()) - pos;
        if (readable <= 0) return 0;
        int n = static_cast<int>(std::min<std::int64_t>(count, readable));
        std::memcpy(buf, bytes.data() + pos, static_cast<std::size_t>(n));
        pos += n;
        return n;
    }
    int Write(const void* buf, int count) override {
        int n = std::min(count, writeLimit);
        if (bytes.size() < static_cast<std::size_t>(pos + n)) bytes.resize(pos + n);
        std::memcpy(bytes.data() + pos, buf, static_cast<std::size_t>(n));
        pos += n;
        return n;
    }

    std::string bytes;
    std::int64_t pos = 0;
    std::int64_t failReadAt = INT64_MAX;
    int writeLimit = INT_MAX;
    bool closed = false;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// The message of the E that op throws; "" when it throws nothing.
template <class E, class Op> std::string MessageOf(Op op) {
    try {
        op();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Stream, TypedValuesAreLittleEndianWithUnsignedByteAndShort) {
    auto s = Make<ByteStream>();
    s->WriteByte(0x141); // low 8 bits
    s->WriteShort(0x1fffe);
    s->WriteInt(-2);
    s->WriteLong(INT64_MIN + 0x0102030405060708LL);
    s->WriteFloat(1.0f);
    EXPECT_EQ(s->WriteDouble(-2.0), 0);
    EXPECT_EQ(s->bytes, Bytes({0x41, 0xfe, 0xff, 0xfe, 0xff, 0xff, 0xff, 8, 7, 6, 5, 4, 3,   2,
                               0x81, 0,    0,    0x80, 0x3f, 0,    0,    0, 0, 0, 0, 0, 0xc0}));
    s->Seek(0);
    EXPECT_EQ(s->ReadByte(), 0x41);
    EXPECT_EQ(s->ReadShort(), 0xfffe);
    EXPECT_EQ(s->ReadInt(), -2);
    EXPECT_EQ(s->ReadLong(), INT64_MIN + 0x0102030405060708LL);
    EXPECT_EQ(s->ReadFloat(), 1.0f);
    EXPECT_EQ(s->ReadDouble(), -2.0);
    EXPECT_EQ(s->Eof(), 1);
}

TEST(Stream, ReadingPastTheEndGivesZerosAndLeftoverLowBytes) {
    auto s = Make<ByteStream>(Bytes({1, 2, 3, 4, 5, 6, 'a', 'b'}));
    EXPECT_EQ(s->ReadInt(), 0x04030201);
    EXPECT_EQ(s->ReadString(-3), "");
    EXPECT_EQ(s->ReadString(4), std::string("\x05\x06"
                                            "ab"));
    s->Seek(6);
    EXPECT_EQ(s->ReadString(4), std::string("ab\0\0", 4));
    EXPECT_EQ(s->Eof(), 1);
    EXPECT_EQ(s->ReadInt(), 0);
    EXPECT_EQ(s->ReadDouble(), 0.0);
    EXPECT_EQ(s->ReadLine(), "");
    EXPECT_EQ(s->SkipBytes(10), 10);
    s->Seek(4);
    EXPECT_EQ(s->ReadLong(), 0x62610605); // the four bytes left, low-order first

    // A stream sought beyond its end reads zeros as well.
    s->Seek(100);
    EXPECT_EQ(s->Eof(), 1);
    EXPECT_EQ(s->ReadInt(), 0);
}

TEST(Stream, ReadLineSplitsAtLfOrNulAndDropsCr) {
    auto s = Make<ByteStream>("ab\r\ncd");
    EXPECT_EQ(s->ReadLine(), "ab");
    EXPECT_EQ(s->ReadLine(), "cd");
    EXPECT_EQ(s->ReadLine(), "");

    auto t = Make<ByteStream>(std::string("a\rb\nx\0y\n\n", 9));
    EXPECT_EQ(t->ReadLine(), "ab");
    EXPECT_EQ(t->ReadLine(), "x");
    EXPECT_EQ(t->ReadLine(), "y");
    EXPECT_EQ(t->ReadLine(), "");
    EXPECT_EQ(t->Eof(), 1);

    std::string longLine(100000, 'z');
    auto u = Make<ByteStream>(longLine + "\r\n");
    EXPECT_EQ(u->ReadLine(), longLine);
}

TEST(Stream, WriteLineEndsWithCrLfAndReportsShortWrites) {
    auto s = Make<ByteStream>();
    EXPECT_EQ(s->WriteLine("q"), 1);
    EXPECT_EQ(s->WriteLine(""), 1);
    EXPECT_EQ(s->bytes, "q\r\n\r\n");

    auto shortText = Make<ByteStream>();
    shortText->writeLimit = 2;
    EXPECT_EQ(shortText->WriteLine("abc"), 0);
    EXPECT_EQ(shortText->bytes, "ab"); // no line end after a short text

    auto failing = Make<ByteStream>();
    failing->writeLimit = 0;
    EXPECT_EQ(failing->WriteLine("abc"), 0);
    EXPECT_EQ(failing->bytes, "");
}

TEST(Stream, PartialTransfersAreCompletedByTheLoops) {
    auto s = Make<ByteStream>();
    s->writeLimit = 1;
    EXPECT_EQ(s->WriteInt(0x04030201), 0);
    EXPECT_EQ(s->WriteString(std::string("x\0z", 3)), 0); // no length, no terminator
    EXPECT_EQ(s->bytes, Bytes({1, 2, 3, 4, 'x', 0, 'z'}));

    std::string big(5000, 'k');
    big[4999] = 'e';
    auto r = Make<ByteStream>(big);
    EXPECT_EQ(r->SkipBytes(4999), 4999);
    EXPECT_EQ(r->Pos(), 4999);
    EXPECT_EQ(r->ReadByte(), 'e');
}

TEST(Stream, ReadThatStopsBeforeTheEndThrowsReadException) {
    auto s = Make<ByteStream>(std::string(16, 'x'));
    s->failReadAt = 2;
    char buf[8];
    EXPECT_EQ(MessageOf<TStreamReadException>([&] { s->ReadBytes(buf, 8); }),
              "Error reading from stream");
    for (auto read : {+[](TStream* t) { t->ReadInt(); }, +[](TStream* t) { t->ReadString(3); },
                      +[](TStream* t) { t->SkipBytes(8); }}) {
        s->Seek(0);
        EXPECT_THROW(read(s), TStreamReadException);
    }
    s->Seek(0);
    EXPECT_EQ(s->ReadLine(), "xx"); // ReadLine just stops
}

TEST(Stream, WriteThatMovesNothingThrowsWriteException) {
    auto s = Make<ByteStream>();
    s->writeLimit = 0;
    EXPECT_EQ(MessageOf<TStreamWriteException>([&] { s->WriteBytes("abc", 3); }),
              "Error writing to stream");
    EXPECT_THROW(s->WriteByte(1), TStreamWriteException);
    EXPECT_THROW(s->WriteDouble(1), TStreamWriteException);
    EXPECT_THROW(s->WriteString("a"), TStreamWriteException);
}

TEST(Stream, BareStreamHasNoPositionAndCannotMoveBytes) {
    auto s = Make<TStream>();
    EXPECT_EQ(s->Pos(), -1);
    EXPECT_EQ(s->Size(), 0);
    EXPECT_EQ(s->Seek(3), -1);
    EXPECT_EQ(s->Eof(), 0);
    EXPECT_EQ(s->Flush() + s->Close(), 0);
    char c;
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->Read(&c, 1); }), "Stream is not readable");
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->ReadInt(); }), "Stream is not readable");
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->Write(&c, 1); }), "Stream is not writeable");
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->WriteLine("x"); }), "Stream is not writeable");
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->ReadObject(); }), "Unable to read object");
    EXPECT_EQ(MessageOf<RuntimeError>([&] { s->WriteObject(s); }), "Unable to write object");
}

TEST(StreamWrapper, StreamStreamForwardsAndItsCloseLetsGoWithoutClosing) {
    auto inner = Make<ByteStream>();
    auto view = TStreamStream::Create(inner);
    view->WriteInt(7);
    view->WriteLine("hi");
    EXPECT_EQ(inner->bytes, Bytes({7, 0, 0, 0, 'h', 'i', '\r', '\n'}));
    EXPECT_EQ(view->Size(), 8);
    EXPECT_EQ(view->Seek(4), 4);
    EXPECT_EQ(view->ReadByte(), 'h');
    EXPECT_EQ(inner->RefCount(), 2);
    EXPECT_EQ(view->Close(), 0);
    EXPECT_FALSE(inner->closed);
    EXPECT_EQ(inner->RefCount(), 1);
    EXPECT_EQ(inner->Pos(), 5);
    // Detached, the view is a bare stream: a clear error, not a crash.
    EXPECT_EQ(view->Pos(), -1);
    EXPECT_THROW(view->ReadInt(), RuntimeError);
    EXPECT_THROW(view->WriteInt(1), RuntimeError);
    EXPECT_FALSE(TStreamStream::Create(nullptr));
}

TEST(XEndianStream, BigEndianReversesEveryMultiByteValue) {
    auto inner = Make<ByteStream>();
    Ref<TStream> big = TXEndianStream::BigEndian(inner);
    ASSERT_TRUE(big);
    EXPECT_NE(big.Get(), inner.Get());
    big->WriteByte(0x41);
    big->WriteShort(0x0102);
    big->WriteInt(0x01020304);
    big->WriteLong(0x0102030405060708LL);
    big->WriteFloat(1.0f);
    big->WriteDouble(-2.0);
    EXPECT_EQ(inner->bytes, Bytes({0x41, 1,    2,    1, 2, 3,    4, 1, 2, 3, 4, 5, 6, 7,
                                   8,    0x3f, 0x80, 0, 0, 0xc0, 0, 0, 0, 0, 0, 0, 0}));
    inner->Seek(0);
    EXPECT_EQ(big->ReadByte(), 0x41);
    EXPECT_EQ(big->ReadShort(), 0x0102);
    EXPECT_EQ(big->ReadInt(), 0x01020304);
    EXPECT_EQ(big->ReadLong(), 0x0102030405060708LL);
    EXPECT_EQ(big->ReadFloat(), 1.0f);
    EXPECT_EQ(big->ReadDouble(), -2.0);
    EXPECT_EQ(big->ReadShort(), 0); // at the end
}

TEST(XEndianStream, LittleEndianIsTheStreamItselfAndNullStaysNull) {
    auto inner = Make<ByteStream>();
    EXPECT_EQ(TXEndianStream::LittleEndian(inner).Get(), inner.Get());
    EXPECT_FALSE(TXEndianStream::LittleEndian(nullptr));
    EXPECT_FALSE(TXEndianStream::BigEndian(nullptr));
    EXPECT_FALSE(TXEndianStream::Create(nullptr));

    unsigned char b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    TXEndianStream::Swap2(b);
    TXEndianStream::Swap4(b + 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 8), Bytes({2, 1, 3, 4, 8, 7, 6, 5}));
    TXEndianStream::Swap8(b);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 8), Bytes({5, 6, 7, 8, 4, 3, 1, 2}));
}

TEST(XEndianStream, ViewOverBigEndianStreamSwapsLongsToo) {
    auto inner = Make<ByteStream>();
    Ref<TStream> view = StreamOpenWrite(TXEndianStream::BigEndian(inner));
    view->WriteLong(1);
    view->WriteInt(1);
    EXPECT_EQ(inner->bytes, Bytes({0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(StreamFreeFunctions, CallTheMethodAndRejectNull) {
    auto s = Make<ByteStream>();
    Ref<TStream> ref = s.Get();
    EXPECT_EQ(core::WriteInt(ref, 9), 0);
    EXPECT_EQ(core::WriteLine(s, "ok"), 1);
    EXPECT_EQ(core::WriteFloat(s, 0.5f), 0);
    EXPECT_EQ(core::Pos(s), 12);
    EXPECT_EQ(core::Seek(s, 0), 0);
    EXPECT_EQ(core::ReadInt(s), 9);
    EXPECT_EQ(core::ReadLine(s), "ok");
    EXPECT_EQ(core::ReadFloat(s), 0.5f);
    EXPECT_EQ(core::Eof(s), 1);
    EXPECT_EQ(core::Close(s), 0);
    EXPECT_TRUE(s->closed);
    EXPECT_THROW(core::ReadInt(nullptr), RuntimeError);
    EXPECT_THROW(core::Close(nullptr), RuntimeError);
}
