#include "runtime/Stream.h"

#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

void TStream::ReadBuffer(void* buffer, std::int32_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError(LoadResString(TextId::StreamReadError));
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(Exception::ResText(TextId::StreamWriteError));
}

std::int32_t TStream::Size()
{
    std::int32_t here = Seek(0, SeekOrigin::Current);
    std::int32_t size = Seek(0, SeekOrigin::End);
    Seek(here, SeekOrigin::Beginning);
    return size;
}

std::int32_t TStream::CopyFrom(TStream& source, std::int32_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::int32_t left = count;
    char buffer[61440];
    while (left > 0) {
        std::int32_t n = std::min<std::int32_t>(left, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        left -= n;
    }
    return count;
}

namespace {

std::int32_t NewPosition(std::int32_t position, std::int32_t size, std::int32_t offset, SeekOrigin origin)
{
    switch (origin) {
    case SeekOrigin::Beginning: return offset;
    case SeekOrigin::Current: return position + offset;
    case SeekOrigin::End: return size + offset;
    }
    return position;
}

}

TMemoryStream::TMemoryStream(AnsiString bytes) : m_bytes(std::move(bytes)) {}

std::int32_t TMemoryStream::Read(void* buffer, std::int32_t count)
{
    if (count <= 0 || m_position < 0 || m_position >= Size())
        return 0;
    std::int32_t n = std::min(count, Size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return n;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count)
{
    if (count <= 0 || m_position < 0)
        return 0;
    // Sizes and positions are 32-bit: nothing is written that would end beyond them.
    std::size_t end = static_cast<std::size_t>(m_position) + static_cast<std::size_t>(count);
    if (end > static_cast<std::size_t>(INT32_MAX))
        return 0;
    if (end > m_bytes.size())
        m_bytes.resize(end);
    std::memcpy(m_bytes.data() + m_position, buffer, static_cast<std::size_t>(count));
    m_position += count;
    return count;
}

std::int32_t TMemoryStream::Seek(std::int32_t offset, SeekOrigin origin)
{
    m_position = NewPosition(m_position, Size(), offset, origin);
    return m_position;
}

void TMemoryStream::SetSize(std::int32_t size)
{
    m_bytes.resize(static_cast<std::size_t>(std::max(size, 0)));
    m_position = std::min(m_position, Size());
}

void TMemoryStream::Clear()
{
    m_bytes.clear();
    m_position = 0;
}

std::int32_t TReadOnlyMemoryStream::Read(void* buffer, std::int32_t count)
{
    if (count <= 0 || m_position < 0 || m_position >= m_size)
        return 0;
    std::int32_t n = std::min(count, m_size - m_position);
    std::memcpy(buffer, m_data + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return n;
}

std::int32_t TReadOnlyMemoryStream::Seek(std::int32_t offset, SeekOrigin origin)
{
    m_position = NewPosition(m_position, m_size, offset, origin);
    return m_position;
}

TFileStream::TFileStream(const AnsiString& name, Mode mode)
{
    if (mode == Mode::OpenRead || mode == Mode::OpenReadDenyWrite) {
        DWORD share = mode == Mode::OpenRead ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
        m_handle =
            CreateFileA(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            throw EFOpenError(Exception::ResText(TextId::FileCannotOpen, name));
    } else {
        const bool temporary = mode == Mode::CreateTemporary;
        m_handle =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, temporary ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0,
                nullptr, CREATE_ALWAYS, temporary ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            throw EFCreateError(Exception::ResText(TextId::FileCannotCreate, name));
    }
}

TFileStream::~TFileStream() { CloseHandle(m_handle); }

std::int32_t TFileStream::Read(void* buffer, std::int32_t count)
{
    DWORD got = 0;
    if (count <= 0 || !ReadFile(m_handle, buffer, static_cast<DWORD>(count), &got, nullptr))
        return 0;
    return static_cast<std::int32_t>(got);
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count)
{
    DWORD put = 0;
    if (count <= 0 || !WriteFile(m_handle, buffer, static_cast<DWORD>(count), &put, nullptr))
        return 0;
    return static_cast<std::int32_t>(put);
}

std::int32_t TFileStream::Seek(std::int32_t offset, SeekOrigin origin)
{
    DWORD method = origin == SeekOrigin::Beginning ? FILE_BEGIN
        : origin == SeekOrigin::Current            ? FILE_CURRENT
                                                   : FILE_END;
    return static_cast<std::int32_t>(SetFilePointer(m_handle, offset, nullptr, method));
}

TResourceStream::TResourceStream(HINSTANCE module, const AnsiString& name, const char* type)
{
    if (!module)
        module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, name.c_str(), type);
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    if (!data)
        throw EResNotFound(Exception::ResText(TextId::ResourceNotFound, name));
    SetData(LockResource(data), static_cast<std::int32_t>(SizeofResource(module, info)));
}
