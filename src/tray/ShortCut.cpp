#include "tray/ShortCut.h"

#include "runtime/ResStrings.h"

#include <windows.h>

namespace {

// Captions of the keys that have their own text in the string table.
AnsiString KeyCaption(unsigned key)
{
    struct Named {
        unsigned key;
        int text;
    };
    static const Named named[] = {
        { 8, 65341 }, { 9, 65342 }, { 13, 65312 }, { 27, 65343 }, { 32, 65313 }, { 33, 65314 },
        { 34, 65315 }, { 35, 65316 }, { 36, 65317 }, { 37, 65318 }, { 38, 65319 }, { 39, 65320 },
        { 40, 65321 }, { 45, 65322 }, { 46, 65323 },
    };
    for (const Named& n : named)
        if (n.key == key)
            return LoadResString(n.text);
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return AnsiString(1, static_cast<char>(key));
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return AnsiString(1, static_cast<char>('0' + key - VK_NUMPAD0));
    if (key >= VK_F1 && key <= VK_F24)
        return "F" + IntToStr(key - VK_F1 + 1);
    char name[257] {};
    LONG scan = static_cast<LONG>(MapVirtualKeyA(key, 0)) << 16;
    int length = GetKeyNameTextA(scan, name, 256);
    return length > 0 ? AnsiString(name, static_cast<std::size_t>(length)) : AnsiString();
}

bool StartsWithText(const AnsiString& text, std::size_t at, const AnsiString& prefix)
{
    return !prefix.empty() && text.size() - at >= prefix.size() && SameText(text.substr(at, prefix.size()), prefix);
}

}

AnsiString ShortCutCaption(TShortCut shortCut)
{
    AnsiString key = KeyCaption(shortCut & 0xFF);
    if (key.empty())
        return {};
    AnsiString text;
    if (shortCut & scShift)
        text += LoadResString(65324);
    if (shortCut & scCtrl)
        text += LoadResString(65325);
    if (shortCut & scAlt)
        text += LoadResString(65326);
    return text + key;
}

TShortCut ShortCutFromCaption(const AnsiString& text)
{
    TShortCut modifiers = 0;
    std::size_t at = 0;
    for (bool found = true; found;) {
        found = false;
        const struct {
            AnsiString prefix;
            TShortCut bit;
        } prefixes[] = { { LoadResString(65324), scShift }, { "^", scCtrl }, { LoadResString(65325), scCtrl },
            { LoadResString(65326), scAlt } };
        for (const auto& p : prefixes) {
            if (StartsWithText(text, at, p.prefix)) {
                modifiers |= p.bit;
                at += p.prefix.size();
                found = true;
            }
        }
    }
    AnsiString rest = text.substr(at);
    if (rest.empty())
        return 0;
    for (unsigned key = 8; key <= 597; ++key) {
        AnsiString caption = ShortCutCaption(static_cast<TShortCut>(key));
        if (!caption.empty() && AnsiCompareText(caption, rest) == 0)
            return static_cast<TShortCut>(key | modifiers);
    }
    return 0;
}
