#include "frame/ButtonGlyph.h"

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/GdiHandles.h"

#include <algorithm>
#include <map>
#include <vector>

#include <commctrl.h>

namespace {

constexpr DWORD RopDSPDxax = 0x00E20746;

// One image list per image size, shared by every glyph of that size. A slot freed in
// the middle is reused by the next image; a list without images goes away, and the
// cache with its last list.
class TGlyphCache {
public:
    struct List {
        HIMAGELIST handle = nullptr;
        std::vector<bool> used;
    };

    ~TGlyphCache()
    {
        for (auto& [size, list] : m_lists)
            ImageList_Destroy(list.handle);
    }

    HIMAGELIST Get(int width, int height)
    {
        List& list = m_lists[{ width, height }];
        if (!list.handle) {
            InitCommonControls();
            list.handle = ImageList_Create(width, height, ILC_COLORDDB | ILC_MASK, 4, 4);
            if (!list.handle) {
                m_lists.erase({ width, height });
                GdiError();
            }
        }
        return list.handle;
    }

    // Adds the image masked by the colour; returns its index.
    int Add(HIMAGELIST handle, HBITMAP image, COLORREF maskColor)
    {
        List* list = Find(handle);
        if (!list)
            return -1;
        int index = ImageList_AddMasked(handle, image, maskColor);
        if (index < 0)
            GdiError();
        list->used.resize(static_cast<std::size_t>(index) + 1, false);
        auto free = std::find(list->used.begin(), list->used.begin() + index, false);
        if (free != list->used.begin() + index) {
            int slot = static_cast<int>(free - list->used.begin());
            ImageList_Copy(handle, slot, handle, index, ILCF_MOVE);
            ImageList_Remove(handle, index);
            list->used.resize(static_cast<std::size_t>(index));
            index = slot;
        }
        list->used[static_cast<std::size_t>(index)] = true;
        return index;
    }

    // Frees the slot; true when the list then holds no images and was destroyed.
    bool Delete(HIMAGELIST handle, int index)
    {
        List* list = Find(handle);
        if (!list || index < 0 || static_cast<std::size_t>(index) >= list->used.size())
            return false;
        list->used[static_cast<std::size_t>(index)] = false;
        while (!list->used.empty() && !list->used.back()) {
            ImageList_Remove(handle, static_cast<int>(list->used.size()) - 1);
            list->used.pop_back();
        }
        if (!list->used.empty())
            return false;
        ImageList_Destroy(handle);
        for (auto it = m_lists.begin(); it != m_lists.end(); ++it) {
            if (it->second.handle == handle) {
                m_lists.erase(it);
                break;
            }
        }
        return true;
    }

    bool Empty() const { return m_lists.empty(); }

private:
    List* Find(HIMAGELIST handle)
    {
        for (auto& [size, list] : m_lists)
            if (list.handle == handle)
                return &list;
        return nullptr;
    }

    std::map<std::pair<int, int>, List> m_lists;
};

// The process-wide glyph cache: made by the first glyph image, freed with the last.
std::unique_ptr<TGlyphCache>& GlyphCache()
{
    static std::unique_ptr<TGlyphCache> cache;
    return cache;
}

}

TButtonGlyph::TButtonGlyph() : m_original(std::make_unique<TBitmap>())
{
    m_original->SetOnChange([this](TObject*) { GlyphChanged(); });
}

TButtonGlyph::~TButtonGlyph()
{
    m_original->SetOnChange(nullptr);
    Invalidate();
}

void TButtonGlyph::Invalidate()
{
    for (int& index : m_indexes) {
        if (index >= 0 && m_list && GlyphCache()) {
            if (GlyphCache()->Delete(m_list, index))
                m_list = nullptr;
        }
        index = -1;
    }
    m_list = nullptr;
    if (GlyphCache() && GlyphCache()->Empty())
        GlyphCache().reset();
}

void TButtonGlyph::SetGlyph(TBitmap* value)
{
    Invalidate();
    m_original->Assign(value);
}

void TButtonGlyph::GlyphChanged()
{
    Invalidate();
    if (m_original->Width() > 0 && m_original->Height() > 0) {
        m_transparentColor = m_original->TransparentColor() & 0xFFFFFF;
        if (m_original->Width() % m_original->Height() == 0) {
            int count = m_original->Width() / m_original->Height();
            m_numGlyphs = count < 5 ? count : 1;
        }
    }
    if (OnChange)
        OnChange(nullptr);
}

void TButtonGlyph::SetNumGlyphs(int value)
{
    if (value < 1)
        value = 1;
    if (value > 4)
        value = 4;
    if (value == m_numGlyphs)
        return;
    Invalidate();
    m_numGlyphs = value;
    if (OnChange)
        OnChange(nullptr);
}

SIZE TButtonGlyph::ImageSize() const
{
    if (m_original->Width() <= 0 || m_original->Height() <= 0)
        return { 0, 0 };
    return { m_original->Width() / m_numGlyphs, m_original->Height() };
}

void TButtonGlyph::PrepareState(TButtonState state) { CreateButtonGlyph(state); }

int TButtonGlyph::CreateButtonGlyph(TButtonState state)
{
    if (state == bsDown && m_numGlyphs < 3)
        state = bsUp;
    int& slot = m_indexes[state];
    if (slot >= 0)
        return slot;
    SIZE size = ImageSize();
    if (size.cx <= 0 || size.cy <= 0)
        return -1;
    if (!GlyphCache())
        GlyphCache() = std::make_unique<TGlyphCache>();
    m_list = GlyphCache()->Get(size.cx, size.cy);

    TScreenDC screen;
    TMemoryDC dc(screen);
    TGdiBitmap image(CreateCompatibleBitmap(screen, size.cx, size.cy));
    if (!image)
        GdiError();
    COLORREF face = ColorToRGB(clBtnFace);
    // The face shows where the image is masked: the glyph's transparent colour in a
    // copied image, the button face in a disabled one.
    COLORREF maskColor = face;
    {
        TSelectObject selectImage(dc, image.Get());
        RECT whole = { 0, 0, size.cx, size.cy };
        FillRect(dc, &whole, TGdiBrush(CreateSolidBrush(face)).Get());
        int strip = std::min<int>(state, m_numGlyphs - 1);
        if (state == bsExclusive && m_numGlyphs < 4)
            strip = 0;
        if (state == bsDisabled && m_numGlyphs == 1) {
            // A monochrome copy of the image, drawn embossed: highlight one pixel right
            // and down, shadow in place.
            TMemoryDC monoDC(screen);
            TGdiBitmap mono(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
            if (!mono)
                GdiError();
            TSelectObject selectMono(monoDC, mono.Get());
            HDC source = m_original->Canvas()->Handle();
            SetBkColor(source, RGB(255, 255, 255));
            BitBlt(monoDC, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            {
                TGdiBrush light(CreateSolidBrush(ColorToRGB(clBtnHighlight)));
                TSelectObject selectLight(dc, light.Get());
                BitBlt(dc, 1, 1, size.cx, size.cy, monoDC, 0, 0, RopDSPDxax);
            }
            {
                TGdiBrush shadow(CreateSolidBrush(ColorToRGB(clBtnShadow)));
                TSelectObject selectShadow(dc, shadow.Get());
                BitBlt(dc, 0, 0, size.cx, size.cy, monoDC, 0, 0, RopDSPDxax);
            }
        } else if (state == bsDisabled) {
            // The second image, with white as highlight, grey as shadow and the
            // transparent colour as face.
            HDC source = m_original->Canvas()->Handle();
            COLORREF transparent = ColorToRGB(m_transparentColor);
            for (int y = 0; y < size.cy; ++y) {
                for (int x = 0; x < size.cx; ++x) {
                    COLORREF pixel = GetPixel(source, size.cx + x, y);
                    COLORREF out = pixel;
                    if (pixel == RGB(255, 255, 255))
                        out = ColorToRGB(clBtnHighlight);
                    else if (pixel == RGB(128, 128, 128))
                        out = ColorToRGB(clBtnShadow);
                    else if (pixel == transparent)
                        out = face;
                    SetPixel(dc, x, y, out);
                }
            }
        } else {
            HDC source = m_original->Canvas()->Handle();
            BitBlt(dc, 0, 0, size.cx, size.cy, source, strip * size.cx, 0, SRCCOPY);
            maskColor = ColorToRGB(m_transparentColor);
        }
    }
    slot = GlyphCache()->Add(m_list, image.Get(), maskColor);
    return slot;
}

void TButtonGlyph::DrawButtonGlyph(TCanvas* canvas, POINT at, TButtonState state, bool transparent)
{
    SIZE size = ImageSize();
    if (size.cx <= 0 || size.cy <= 0)
        return;
    int index = CreateButtonGlyph(state);
    if (index < 0 || !m_list)
        return;
    HDC dc = canvas->Handle();
    if (transparent || state == bsExclusive)
        ImageList_DrawEx(m_list, index, dc, at.x, at.y, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    else
        ImageList_DrawEx(m_list, index, dc, at.x, at.y, 0, 0, ColorToRGB(clBtnFace), CLR_NONE, ILD_NORMAL);
}

void TButtonGlyph::DrawButtonText(
    TCanvas* canvas, const AnsiString& caption, RECT bounds, TButtonState state, UINT textFlags)
{
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    UINT flags = DT_CENTER | DT_VCENTER | textFlags;
    if (state == bsDisabled) {
        OffsetRect(&bounds, 1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawTextA(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &bounds, flags);
        OffsetRect(&bounds, -1, -1);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawTextA(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &bounds, flags);
}

void TButtonGlyph::CalcLayout(TCanvas* canvas, const RECT& client, POINT offset, const AnsiString& caption,
    TButtonLayout layout, int margin, int spacing, POINT& glyphPos, RECT& textBounds, UINT textFlags)
{
    if (textFlags & DT_RTLREADING) {
        if (layout == blGlyphLeft)
            layout = blGlyphRight;
        else if (layout == blGlyphRight)
            layout = blGlyphLeft;
    }
    POINT clientSize = { client.right - client.left, client.bottom - client.top };
    SIZE glyph = ImageSize();
    POINT glyphSize = { glyph.cx, glyph.cy };
    POINT textSize = { 0, 0 };
    if (!caption.empty()) {
        textBounds = { 0, 0, clientSize.x, 0 };
        DrawTextA(
            canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &textBounds, DT_CALCRECT | textFlags);
        textSize = { textBounds.right - textBounds.left, textBounds.bottom - textBounds.top };
    } else {
        textBounds = { 0, 0, 0, 0 };
    }
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        glyphPos.y = (clientSize.y - glyphSize.y + 1) / 2;
        textBounds.top = (clientSize.y - textSize.y + 1) / 2;
    } else {
        glyphPos.x = (clientSize.x - glyphSize.x + 1) / 2;
        textBounds.left = (clientSize.x - textSize.x + 1) / 2;
    }
    if (textSize.x == 0 || glyphSize.x == 0)
        spacing = 0;
    int total = horizontal ? clientSize.x : clientSize.y;
    int glyphLength = horizontal ? glyphSize.x : glyphSize.y;
    int textLength = horizontal ? textSize.x : textSize.y;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (total - (glyphLength + textLength)) / 3;
            spacing = margin;
        } else {
            margin = (total - (spacing + glyphLength + textLength) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (total - (margin + glyphLength + textLength)) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyphPos.x = margin;
        textBounds.left = glyphPos.x + glyphSize.x + spacing;
        break;
    case blGlyphRight:
        glyphPos.x = clientSize.x - margin - glyphSize.x;
        textBounds.left = glyphPos.x - spacing - textSize.x;
        break;
    case blGlyphTop:
        glyphPos.y = margin;
        textBounds.top = glyphPos.y + glyphSize.y + spacing;
        break;
    case blGlyphBottom:
        glyphPos.y = clientSize.y - margin - glyphSize.y;
        textBounds.top = glyphPos.y - spacing - textSize.y;
        break;
    }
    glyphPos.x += client.left + offset.x;
    glyphPos.y += client.top + offset.y;
    textBounds.right = textBounds.left + textSize.x;
    textBounds.bottom = textBounds.top + textSize.y;
    OffsetRect(&textBounds, client.left + offset.x, client.top + offset.y);
}

RECT TButtonGlyph::Draw(TCanvas* canvas, const RECT& client, POINT offset, const AnsiString& caption,
    TButtonLayout layout, int margin, int spacing, TButtonState state, bool transparent, UINT textFlags)
{
    POINT glyphPos = { 0, 0 };
    RECT textBounds = { 0, 0, 0, 0 };
    CalcLayout(canvas, client, offset, caption, layout, margin, spacing, glyphPos, textBounds, textFlags);
    DrawButtonGlyph(canvas, glyphPos, state, transparent);
    if (!caption.empty())
        DrawButtonText(canvas, caption, textBounds, state, textFlags);
    return textBounds;
}
