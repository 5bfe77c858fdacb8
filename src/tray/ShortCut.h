// Keyboard shortcuts of menu items: a 16-bit value, the virtual key in the low byte
// plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt, and their texts ("Shift+Ctrl+F5").
#pragma once

#include "runtime/AnsiString.h"

#include <cstdint>

using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The shortcut's text; empty when the key has no name.
AnsiString ShortCutCaption(TShortCut shortCut);
// The shortcut a text names (modifier prefixes in any order and case, then a key
// name); 0 when it names none.
TShortCut ShortCutFromCaption(const AnsiString& text);
