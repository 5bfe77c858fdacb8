// Formatting of message texts: the directives %d %u %x %X %s %p %c %e %f %g %%, each
// with optional "-" (left-justify), width and ".precision", and "*" for either taken
// from the arguments. A directive without a matching argument, or with an argument of
// the wrong kind, raises EConvertError naming the format.
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>
#include <initializer_list>
#include <type_traits>

class FormatArg {
public:
    enum class Kind { Integer, Unsigned, Float, String, Pointer };

    template<typename T>
    requires std::is_integral_v<T> FormatArg(T value)
    {
        if constexpr (std::is_signed_v<T>) {
            m_kind = Kind::Integer;
            m_integer = value;
        } else {
            m_kind = Kind::Unsigned;
            m_unsigned = value;
        }
    }
    FormatArg(double value) : m_kind(Kind::Float), m_float(value) {}
    FormatArg(const char* value) : m_kind(Kind::String), m_string(value ? value : "") {}
    FormatArg(const AnsiString& value) : m_kind(Kind::String), m_string(value.c_str()), m_length(value.size()) {}
    FormatArg(const void* value) : m_kind(Kind::Pointer), m_pointer(value) {}

    Kind kind() const { return m_kind; }
    long long integer() const { return m_kind == Kind::Unsigned ? static_cast<long long>(m_unsigned) : m_integer; }
    unsigned long long unsigned_value() const
    {
        return m_kind == Kind::Unsigned ? m_unsigned : static_cast<unsigned long long>(m_integer);
    }
    double floating() const { return m_float; }
    AnsiString string() const { return m_length == npos ? AnsiString(m_string) : AnsiString(m_string, m_length); }
    const void* pointer() const { return m_pointer; }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    Kind m_kind;
    long long m_integer = 0;
    unsigned long long m_unsigned = 0;
    double m_float = 0;
    const char* m_string = nullptr;
    std::size_t m_length = npos;
    const void* m_pointer = nullptr;
};

AnsiString FormatList(const AnsiString& format, std::initializer_list<FormatArg> args);

template<typename... Args> AnsiString Format(const AnsiString& format, const Args&... args)
{
    return FormatList(format, { FormatArg(args)... });
}
