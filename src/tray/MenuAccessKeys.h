// The automatic passes over an item's children before its menu opens: every visible
// child gets an access key of its own, and surplus separators are hidden.
#pragma once

#include "runtime/AnsiString.h"

class TMenuItem;

// Characters that serve as automatic access keys.
extern const char* const ValidAccessKeys;

// The access key of a caption: the character after the last single "&", upper-cased;
// 0 when there is none. The second byte of a double-byte character is never taken.
char AccessKeyOf(const AnsiString& caption);
// The caption without access-key marks ("&&" stays a literal "&"); in a Far East
// locale a group "(&X)" goes whole.
AnsiString StripAccessKey(const AnsiString& caption, bool farEast);
// Marks the key at the byte position: a caption with double-byte characters in a Far
// East locale gets "(&K)" appended (before a final "..."), others an "&" before the
// position (nothing when there is no position).
AnsiString MarkAccessKey(const AnsiString& caption, char key, std::size_t position, bool farEast);
// Whether the system's locale is a Far East one (double-byte code page).
bool FarEastLocale();

// Gives every visible child needing one a free access key. Runs when forced or when
// the item's automatic access keys are on; true when any child needed a key.
bool AssignAccessKeys(TMenuItem* item, bool force, bool farEast = FarEastLocale());
// Hides leading, trailing and doubled separators among the children, showing the
// last of each run between visible items. Runs when forced or when the item's
// automatic line reduction is on; true when it set any separator's visibility.
bool ReduceSeparators(TMenuItem* item, bool force);
