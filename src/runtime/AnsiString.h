// Byte strings in code page 932 and the double-byte rules that searches for a
// separator must respect.
#pragma once

#include <cstddef>
#include <string>

using AnsiString = std::string;

// True when the byte starts a double-byte character in the process's ANSI code page.
bool IsLeadByte(char byte);

// What a byte at a 0-based index of a string is: a single-byte character, the lead
// byte or the trail byte of a double-byte character. A lead byte at the very end of
// the string (with no trail after it) counts as a single byte.
enum class ByteKind { Single, Lead, Trail };
ByteKind ByteKindAt(const AnsiString& text, std::size_t index);

// One past the last byte that is one of the delimiters and a character of its own
// (never the trail byte of a double-byte character); 0 when there is none.
std::size_t LastDelimiter(const AnsiString& delimiters, const AnsiString& text);
// The longest length up to the limit that does not cut a double-byte character in two.
std::size_t WholeCharacterLength(const AnsiString& text, std::size_t limit);

// Lower-cases ASCII letters only, leaving double-byte characters alone.
AnsiString AnsiLowerCase(const AnsiString& text);
AnsiString AnsiUpperCase(const AnsiString& text);

// Case-blind comparison with the user locale's rules (CompareStringA).
int AnsiCompareText(const AnsiString& a, const AnsiString& b);
// Case-sensitive comparison with the user locale's rules.
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);

// Case-blind comparison of ASCII identifiers (component, property and class names).
bool SameText(const AnsiString& a, const AnsiString& b);
AnsiString IntToStr(long long value);
