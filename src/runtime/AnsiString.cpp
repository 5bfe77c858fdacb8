#include "runtime/AnsiString.h"

#include <windows.h>

bool IsLeadByte(char byte) { return IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0; }

ByteKind ByteKindAt(const AnsiString& text, std::size_t index)
{
    // Walk from the start: only a forward scan knows whether a byte is a trail byte.
    std::size_t i = 0;
    while (i < index) {
        if (IsLeadByte(text[i]) && i + 1 < text.size())
            i += 2;
        else
            i += 1;
    }
    if (i > index)
        return ByteKind::Trail;
    if (index < text.size() && IsLeadByte(text[index]) && index + 1 < text.size())
        return ByteKind::Lead;
    return ByteKind::Single;
}

std::size_t LastDelimiter(const AnsiString& delimiters, const AnsiString& text)
{
    std::size_t found = 0;
    for (std::size_t i = 0; i < text.size();) {
        bool pair = IsLeadByte(text[i]) && i + 1 < text.size();
        if (!pair && delimiters.find(text[i]) != AnsiString::npos)
            found = i + 1;
        i += pair ? 2 : 1;
    }
    return found;
}

std::size_t WholeCharacterLength(const AnsiString& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return limit > 0 && ByteKindAt(text, limit) == ByteKind::Trail ? limit - 1 : limit;
}

static AnsiString MapCase(const AnsiString& text, bool lower)
{
    AnsiString result = text;
    for (std::size_t i = 0; i < result.size(); ++i) {
        char& c = result[i];
        if (IsLeadByte(c) && i + 1 < result.size()) {
            ++i;
            continue;
        }
        if (lower && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (!lower && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

AnsiString AnsiLowerCase(const AnsiString& text) { return MapCase(text, true); }
AnsiString AnsiUpperCase(const AnsiString& text) { return MapCase(text, false); }

static int Compare(const AnsiString& a, const AnsiString& b, DWORD flags)
{
    int r = CompareStringA(
        LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return r - CSTR_EQUAL;
}

int AnsiCompareText(const AnsiString& a, const AnsiString& b) { return Compare(a, b, NORM_IGNORECASE); }
int AnsiCompareStr(const AnsiString& a, const AnsiString& b) { return Compare(a, b, 0); }

bool SameText(const AnsiString& a, const AnsiString& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

AnsiString IntToStr(long long value) { return std::to_string(value); }
