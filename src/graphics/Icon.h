// The icon graphic: an icon file kept as the bytes it was read from, with the system
// icon made from them only when a handle is asked for.
#pragma once

#include "graphics/Graphic.h"
#include "runtime/Stream.h"

#include <memory>

// The image icons share after assignment: the system icon, the icon file, and the
// size of the image chosen from the file (0, 0 until a handle was made).
class TIconImage {
public:
    TIconImage() = default;
    TIconImage(HICON handle, std::unique_ptr<TMemoryStream> memoryImage);
    ~TIconImage();
    TIconImage(const TIconImage&) = delete;
    TIconImage& operator=(const TIconImage&) = delete;

    HICON Handle = nullptr;
    std::unique_ptr<TMemoryStream> MemoryImage;
    SIZE Size { 0, 0 };
};

class TIcon : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TIcon, TGraphic)

    TIcon();

    void Assign(TPersistent* source) override;
    // Draws the icon at its own size at the rectangle's top-left corner.
    void Render(TCanvas* canvas, const RECT& rect) override;
    bool Empty() const override;
    int Height() const override;
    int Width() const override;
    // Icons are always drawn through their mask.
    bool Transparent() const override { return true; }
    // The size to choose from the file when the handle is made; after that,
    // EInvalidGraphicOperation "アイコンの大きさは変更できません".
    void SetHeight(int value) override;
    void SetTransparent(bool) override {}
    void SetWidth(int value) override;
    void LoadStream(TStream& stream) override;
    void SaveStream(TStream& stream) override;
    // Icons do not go through the clipboard: EInvalidGraphicOperation.
    void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette) override;
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette) override;

    // The system icon, made from the icon file on first request.
    HICON Handle();
    // Takes ownership of a system icon; the icon then has no file bytes until saved.
    void SetHandle(HICON value);
    bool HandleAllocated() const { return m_image->Handle != nullptr; }

private:
    void NewImage(HICON handle, std::unique_ptr<TMemoryStream> memoryImage);
    void HandleNeeded();
    void ImageNeeded();
    void CheckSizeChangeable() const;

    std::shared_ptr<TIconImage> m_image;
    SIZE m_requestedSize { 0, 0 };
};
