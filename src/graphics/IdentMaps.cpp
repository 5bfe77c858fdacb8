#include "graphics/IdentMaps.h"

#include "graphics/Colors.h"

const TIdentMap& ColorIdents()
{
    static const TIdentMap map {
        { clBlack, "clBlack" },
        { clMaroon, "clMaroon" },
        { clGreen, "clGreen" },
        { 0x008080, "clOlive" },
        { clNavy, "clNavy" },
        { 0x800080, "clPurple" },
        { 0x808000, "clTeal" },
        { clGray, "clGray" },
        { clSilver, "clSilver" },
        { clRed, "clRed" },
        { clLime, "clLime" },
        { 0x00FFFF, "clYellow" },
        { clBlue, "clBlue" },
        { 0xFF00FF, "clFuchsia" },
        { 0xFFFF00, "clAqua" },
        { clWhite, "clWhite" },
        { clScrollBar, "clScrollBar" },
        { clBackground, "clBackground" },
        { clActiveCaption, "clActiveCaption" },
        { clInactiveCaption, "clInactiveCaption" },
        { clMenu, "clMenu" },
        { clWindow, "clWindow" },
        { clWindowFrame, "clWindowFrame" },
        { clMenuText, "clMenuText" },
        { clWindowText, "clWindowText" },
        { clCaptionText, "clCaptionText" },
        { clActiveBorder, "clActiveBorder" },
        { clInactiveBorder, "clInactiveBorder" },
        { clAppWorkSpace, "clAppWorkSpace" },
        { clHighlight, "clHighlight" },
        { clHighlightText, "clHighlightText" },
        { clBtnFace, "clBtnFace" },
        { clBtnShadow, "clBtnShadow" },
        { clGrayText, "clGrayText" },
        { clBtnText, "clBtnText" },
        { clInactiveCaptionText, "clInactiveCaptionText" },
        { clBtnHighlight, "clBtnHighlight" },
        { cl3DDkShadow, "cl3DDkShadow" },
        { cl3DLight, "cl3DLight" },
        { clInfoText, "clInfoText" },
        { clInfoBk, "clInfoBk" },
        { clNone, "clNone" },
        { clDefault, "clDefault" },
    };
    return map;
}

const TIdentMap& CursorIdents()
{
    static const TIdentMap map {
        { 0, "crDefault" },
        { -1, "crNone" },
        { -2, "crArrow" },
        { -3, "crCross" },
        { -4, "crIBeam" },
        { -5, "crSizeNESW" },
        { -6, "crSizeNS" },
        { -7, "crSizeNWSE" },
        { -8, "crSizeWE" },
        { -9, "crUpArrow" },
        { -11, "crHourGlass" },
        { -12, "crDrag" },
        { -13, "crNoDrop" },
        { -14, "crHSplit" },
        { -15, "crVSplit" },
        { -16, "crMultiDrag" },
        { -17, "crSQLWait" },
        { -18, "crNo" },
        { -19, "crAppStart" },
        { -20, "crHelp" },
        { -21, "crHandPoint" },
        { -22, "crSizeAll" },
        { -22, "crSize" },
    };
    return map;
}

const TIdentMap& CharsetIdents()
{
    static const TIdentMap map {
        { ANSI_CHARSET, "ANSI_CHARSET" },
        { DEFAULT_CHARSET, "DEFAULT_CHARSET" },
        { SYMBOL_CHARSET, "SYMBOL_CHARSET" },
        { MAC_CHARSET, "MAC_CHARSET" },
        { SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET" },
        { HANGEUL_CHARSET, "HANGEUL_CHARSET" },
        { JOHAB_CHARSET, "JOHAB_CHARSET" },
        { GB2312_CHARSET, "GB2312_CHARSET" },
        { CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET" },
        { GREEK_CHARSET, "GREEK_CHARSET" },
        { TURKISH_CHARSET, "TURKISH_CHARSET" },
        { VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET" },
        { HEBREW_CHARSET, "HEBREW_CHARSET" },
        { ARABIC_CHARSET, "ARABIC_CHARSET" },
        { BALTIC_CHARSET, "BALTIC_CHARSET" },
        { RUSSIAN_CHARSET, "RUSSIAN_CHARSET" },
        { THAI_CHARSET, "THAI_CHARSET" },
        { EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET" },
        { OEM_CHARSET, "OEM_CHARSET" },
    };
    return map;
}
