// Byte streams: what pictures, form resources and files are read from and written to.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <vector>

#include <windows.h>

enum class SeekOrigin { Beginning, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads or writes up to count bytes; returns how many were moved.
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
    virtual std::int32_t Seek(std::int32_t offset, SeekOrigin origin) = 0;

    // Exactly count bytes, or EReadError "ストリームからの読み込みエラー" (65418).
    void ReadBuffer(void* buffer, std::int32_t count);
    // Exactly count bytes, or EWriteError.
    void WriteBuffer(const void* buffer, std::int32_t count);

    std::int32_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int32_t position) { Seek(position, SeekOrigin::Beginning); }
    virtual std::int32_t Size();
    // Copies count bytes from the source's position (all of it from 0 when count is 0).
    std::int32_t CopyFrom(TStream& source, std::int32_t count);
};

// A stream over bytes in memory that it owns.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(AnsiString bytes);

    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int32_t Seek(std::int32_t offset, SeekOrigin origin) override;
    std::int32_t Size() override { return static_cast<std::int32_t>(m_bytes.size()); }
    void SetSize(std::int32_t size);
    void Clear();

    const char* Memory() const { return m_bytes.data(); }
    const AnsiString& Bytes() const { return m_bytes; }

private:
    AnsiString m_bytes;
    std::int32_t m_position = 0;
};

// A read-only stream over bytes owned by someone else (a resource, a buffer).
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const void* data, std::int32_t size) : m_data(static_cast<const char*>(data)), m_size(size) {}

    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
    std::int32_t Seek(std::int32_t offset, SeekOrigin origin) override;
    std::int32_t Size() override { return m_size; }

protected:
    TReadOnlyMemoryStream() = default;
    void SetData(const void* data, std::int32_t size)
    {
        m_data = static_cast<const char*>(data);
        m_size = size;
        m_position = 0;
    }

private:
    const char* m_data = nullptr;
    std::int32_t m_size = 0;
    std::int32_t m_position = 0;
};

// A file opened for reading, or created for writing. Owns the file handle.
class TFileStream : public TStream {
public:
    // OpenReadDenyWrite: as OpenRead, but no one may write the file while it is open.
    // CreateTemporary: as Create, for a short-lived file that others may read while it
    // is written and that the system may keep in its cache rather than on the disk.
    enum class Mode { OpenRead, OpenReadDenyWrite, Create, CreateTemporary };
    // EFOpenError "ファイル %s は開けません" or EFCreateError "ファイル %s を作成できません".
    TFileStream(const AnsiString& name, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int32_t Seek(std::int32_t offset, SeekOrigin origin) override;

private:
    HANDLE m_handle;
};

// A resource of the program's own module (or the given one) of the given type, read
// only. EResNotFound "%s リソースが見つかりません" (65392) when there is none.
class TResourceStream : public TReadOnlyMemoryStream {
public:
    TResourceStream(HINSTANCE module, const AnsiString& name, const char* type);
};
