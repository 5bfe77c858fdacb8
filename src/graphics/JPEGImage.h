// The JPEG graphic: keeps a JPEG file's bytes exactly as loaded and decodes them
// into a bitmap only when pixels are needed. Registered for .jpeg and .jpg.
#pragma once

#include "graphics/GdiHandles.h"
#include "graphics/Graphic.h"

#include <memory>

class TBitmap;
class TMemoryStream;

// The compressed image, shared by every JPEG graphic assigned from the same source.
class TJPEGData {
public:
    std::unique_ptr<TMemoryStream> data; // the whole JPEG file; none when never loaded
    int width = 0;                       // from the frame header
    int height = 0;
    bool grayscale = false; // the file's colour space is grayscale

    TJPEGData();
    ~TJPEGData();
};

enum TJPEGPixelFormat : std::uint8_t { jf24Bit = 0, jf8Bit = 1 };
enum TJPEGPerformance : std::uint8_t { jpBestQuality = 0, jpBestSpeed = 1 };
enum TJPEGScale : std::uint8_t { jsFullSize = 0, jsHalf = 1, jsQuarter = 2, jsEighth = 3 };

// The settings every new JPEG graphic starts with.
struct TJPEGDefaults {
    std::uint8_t CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = jpBestQuality;
    TJPEGPixelFormat PixelFormat = jf24Bit;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGScale Scale = jsFullSize;
    bool Smoothing = true;
};
TJPEGDefaults& JPEGDefaults();

class TJPEGImage : public TGraphic {
public:
    SV_GRAPHIC_CLASS(TJPEGImage, TGraphic)

    TJPEGImage();
    ~TJPEGImage() override;

    // A JPEG source shares its data (and its decoded bitmap); a bitmap source
    // becomes the image, encoded when it is saved. No change is reported.
    void Assign(TPersistent* source) override;
    // Stretch-draws the decoded bitmap.
    void Render(TCanvas* canvas, const RECT& rect) override;
    bool SameImage(TGraphic* other) override;
    bool Empty() const override;
    int Height() const override;
    HPALETTE Palette() override;
    int Width() const override;
    // A 32-bit little-endian byte count, then that many bytes of JPEG file.
    void ReadGraphicData(TStream& stream) override;
    // The size is the file's: EInvalidGraphicOperation "JPEG イメージのサイズは変更できません".
    void SetHeight(int value) override;
    void SetPalette(HPALETTE value) override;
    void SetWidth(int value) override;
    void WriteGraphicData(TStream& stream) override;
    // Reads the JPEG file from the stream's position to its end; only the header is
    // looked at. A header the library rejects raises EJPEG "JPEG エラー #%d".
    void LoadStream(TStream& stream) override;
    // Writes the stored bytes; an image made from a bitmap is encoded first.
    void SaveStream(TStream& stream) override;
    void LoadClipboardData(std::uint16_t format, HANDLE data, HPALETTE palette) override;
    void SaveClipboardData(std::uint16_t& format, HANDLE& data, HPALETTE& palette) override;

    // The decoded picture; decodes on the first request after a load. Damaged data
    // raises EJPEG; what was decoded until then stays and is not decoded again.
    TBitmap* DecodedBitmap();
    // Encodes the held bitmap when there are no stored bytes yet.
    void JPEGNeeded();

    // The compressed data (shared).
    const std::shared_ptr<TJPEGData>& Data() const { return m_data; }

    // Settings. Those that change what decoding gives drop the decoded bitmap of a
    // loaded image, so the next request decodes with them.
    std::uint8_t CompressionQuality() const { return m_compressionQuality; }
    void SetCompressionQuality(std::uint8_t value);
    bool Grayscale() const { return m_grayscale; }
    void SetGrayscale(bool value);
    TJPEGPerformance Performance() const { return m_performance; }
    void SetPerformance(TJPEGPerformance value);
    TJPEGPixelFormat PixelFormat() const { return m_pixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat value);
    bool ProgressiveDisplay() const { return m_progressiveDisplay; }
    void SetProgressiveDisplay(bool value);
    bool ProgressiveEncoding() const { return m_progressiveEncoding; }
    void SetProgressiveEncoding(bool value) { m_progressiveEncoding = value; }
    TJPEGScale Scale() const { return m_scale; }
    void SetScale(TJPEGScale value);
    bool Smoothing() const { return m_smoothing; }
    void SetSmoothing(bool value);

protected:
    // A bitmap destination receives the decoded bitmap.
    void AssignInto(TPersistent* destination) override;

private:
    void ReadStream(std::int32_t size, TStream& stream);
    void Decode();
    void Compress();
    void DecodeSettingChanged();

    std::shared_ptr<TJPEGData> m_data;
    std::unique_ptr<TBitmap> m_bitmap;
    TGdiPalette m_tempPalette;
    std::uint8_t m_compressionQuality;
    bool m_grayscale;
    TJPEGPerformance m_performance;
    TJPEGPixelFormat m_pixelFormat;
    bool m_progressiveDisplay;
    bool m_progressiveEncoding;
    TJPEGScale m_scale;
    bool m_smoothing;
};

// Registers the JPEG graphic with the pictures under the extensions "jpeg" and "jpg",
// and makes the default pixel format follow the screen (8 bits on a screen of 256
// colours or fewer). The program calls it once at start-up, before any picture is
// read; later calls do nothing. The registration is taken back at exit.
void RegisterJPEGGraphic();
