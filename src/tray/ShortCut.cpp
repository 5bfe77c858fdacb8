#include "tray/ShortCut.h"

#include "runtime/ResStrings.h"

#include <windows.h>

namespace {

// Captions of the keys that have their own text in the string table.
AnsiString KeyCaption(unsigned key)
{
    struct Named {
        unsigned key;
        TextId text;
    };
    static const Named named[] = {
        { 8, TextId::KeyBackspace },
        { 9, TextId::KeyTab },
        { 13, TextId::KeyEnter },
        { 27, TextId::KeyEscape },
        { 32, TextId::KeySpace },
        { 33, TextId::KeyPageUp },
        { 34, TextId::KeyPageDown },
        { 35, TextId::KeyEnd },
        { 36, TextId::KeyHome },
        { 37, TextId::KeyLeft },
        { 38, TextId::KeyUp },
        { 39, TextId::KeyRight },
        { 40, TextId::KeyDown },
        { 45, TextId::KeyInsert },
        { 46, TextId::KeyDelete },
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
        text += LoadResString(TextId::ShiftPrefix);
    if (shortCut & scCtrl)
        text += LoadResString(TextId::CtrlPrefix);
    if (shortCut & scAlt)
        text += LoadResString(TextId::AltPrefix);
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
        } prefixes[] = { { LoadResString(TextId::ShiftPrefix), scShift }, { "^", scCtrl },
            { LoadResString(TextId::CtrlPrefix), scCtrl }, { LoadResString(TextId::AltPrefix), scAlt } };
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
