#include "common/ExpectThrow.h"
#include "common/TestSupport.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <gtest/gtest.h>

TEST(Stream, MemoryStreamReadsWritesAndStopsAtTheEnd)
{
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Size(), 6);
    stream.SetPosition(4);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(AnsiString(buffer, 2), "ef");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.SetPosition(2);
    ExpectThrowMessage<EReadError>([&] { stream.ReadBuffer(buffer, 5); }, "ストリームからの読み込みエラー");
    // A position past the end reads nothing and writes extend the stream.
    stream.SetPosition(100);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    stream.SetPosition(-5);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
    stream.SetPosition(6);
    stream.WriteBuffer("g", 1);
    EXPECT_EQ(stream.Bytes(), "abcdefg");
}

TEST(Stream, FileStreamOpenAndCreateErrorsNameTheFile)
{
    TempFolder dir;
    AnsiString path = dir / "data.bin";
    {
        TFileStream out(path, TFileStream::Mode::Create);
        out.WriteBuffer("hello", 5);
    }
    {
        TFileStream in(path, TFileStream::Mode::OpenRead);
        EXPECT_EQ(in.Size(), 5);
        TMemoryStream copy;
        copy.CopyFrom(in, 0);
        EXPECT_EQ(copy.Bytes(), "hello");
    }
    ExpectThrowMessage<EFOpenError>([&] { TFileStream missing(dir / "missing.bin", TFileStream::Mode::OpenRead); },
        "ファイル " + (dir / "missing.bin") + " は開けません");
    ExpectThrowMessage<EFCreateError>([&] { TFileStream bad(dir / "no\\such\\folder.bin", TFileStream::Mode::Create); },
        "ファイル " + (dir / "no\\such\\folder.bin") + " を作成できません");
}

// While the file is being written, a temporary one can be read and deleted by others
// (the desktop reads the wallpaper's file); an ordinary one is shared with no one.
TEST(Stream, FileStreamSharingWhileWritten)
{
    struct Row {
        TFileStream::Mode mode;
        bool shared;
    };
    for (const Row& row :
        { Row { TFileStream::Mode::Create, false }, Row { TFileStream::Mode::CreateTemporary, true } }) {
        TempFolder dir;
        AnsiString path = dir / "_tmp.dat";
        TFileStream out(path, row.mode);
        out.WriteBuffer("hello", 5);
        HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(reader != INVALID_HANDLE_VALUE, row.shared) << int(row.mode);
        if (reader != INVALID_HANDLE_VALUE) {
            char bytes[8] = {};
            DWORD read = 0;
            EXPECT_TRUE(ReadFile(reader, bytes, sizeof bytes, &read, nullptr));
            EXPECT_EQ(AnsiString(bytes, read), "hello");
            CloseHandle(reader);
        }
        EXPECT_EQ(DeleteFileA(path.c_str()) != FALSE, row.shared) << int(row.mode);
    }
}

TEST(Stream, MissingResourceRaisesResNotFound)
{
    ExpectThrowMessage<EResNotFound>([&] { TResourceStream stream(nullptr, "NO_SUCH_RESOURCE", MAKEINTRESOURCEA(10)); },
        "NO_SUCH_RESOURCE リソースが見つかりません");
}

// Positions and sizes are 32-bit: a write that would end beyond 2 GB - 1 fails as a
// write error, leaving the stream as it was (it used to grow past 2 GB, and its size
// and position then wrapped round to negative numbers).
TEST(Stream, MemoryStreamWritePastTwoGigabytesIsAWriteError)
{
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(0x7FFFFFF0);
    const char block[32] = {};
    try {
        stream.WriteBuffer(block, sizeof block);
        ADD_FAILURE() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "ストリームへの書き込みエラー");
    }
    EXPECT_EQ(stream.Size(), 3);
    EXPECT_EQ(stream.Bytes(), "abc");
    // Ending one byte beyond the largest 32-bit size is already too far.
    stream.SetPosition(0x7FFFFFFF - 1);
    EXPECT_EQ(stream.Write(block, 2), 0);
    EXPECT_EQ(stream.Size(), 3);
}
