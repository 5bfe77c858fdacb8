// Splitting paths into their parts. Paths are code page 932 byte strings: a
// separator byte that is the second byte of a double-byte character (0x5C in "ソ")
// is never taken for a separator.
#pragma once

#include "runtime/AnsiString.h"

// LastDelimiter, the double-byte-aware search the parts below use, lives with the
// byte strings (runtime/AnsiString.h).

// Everything up to and including the last "\" or ":".
AnsiString ExtractFilePath(const AnsiString& path);
// As the path part, without a final "\" unless it closes a drive or a root.
AnsiString ExtractFileDir(const AnsiString& path);
// Everything after the last "\" or ":".
AnsiString ExtractFileName(const AnsiString& path);
// From the last "." to the end when that "." is in the file name; else empty.
AnsiString ExtractFileExt(const AnsiString& path);
// "C:" of a drive path; "\\server\share" of a network path; else empty.
AnsiString ExtractFileDrive(const AnsiString& path);
// The path without its extension, followed by the new extension.
AnsiString ChangeFileExt(const AnsiString& path, const AnsiString& extension);

// Case-blind comparison of two file names with the locale's rules.
int CompareFileNames(const AnsiString& a, const AnsiString& b);
