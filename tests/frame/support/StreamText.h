// Form stream bytes written by hand, value by value, for the reader's tests.
#pragma once

#include "runtime/AnsiString.h"

#include <cstring>
#include <initializer_list>

// Writes form stream bytes for hand-made cases.
class StreamText {
public:
    StreamText& Sig() { return Raw("TPF0"); }
    StreamText& Raw(const AnsiString& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    StreamText& Byte(int b)
    {
        m_bytes += static_cast<char>(b);
        return *this;
    }
    StreamText& Short(const AnsiString& s)
    {
        Byte(static_cast<int>(s.size()));
        return Raw(s);
    }
    StreamText& Object(const AnsiString& cls, const AnsiString& name) { return Short(cls).Short(name); }
    StreamText& End() { return Byte(0); }
    StreamText& Prop(const AnsiString& name) { return Short(name); }
    StreamText& Int(int v)
    {
        if (v >= -128 && v <= 127)
            return Byte(2).Byte(v & 0xFF);
        Byte(4);
        char b[4];
        std::memcpy(b, &v, 4);
        return Raw(AnsiString(b, 4));
    }
    StreamText& Str(const AnsiString& s) { return Byte(6).Short(s); }
    StreamText& Ident(const AnsiString& s) { return Byte(7).Short(s); }
    StreamText& True() { return Byte(9); }
    StreamText& Set(std::initializer_list<const char*> names)
    {
        Byte(11);
        for (const char* n : names)
            Short(n);
        return Byte(0);
    }
    const AnsiString& Bytes() const { return m_bytes; }

private:
    AnsiString m_bytes;
};
