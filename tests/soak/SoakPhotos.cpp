#include "soak/SoakPhotos.h"

#include "PhotoMaker.h"
#include "PhotoPainter.h"
#include "common/TestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/JPEGImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

#include <jpeglib.h>

namespace {

std::uint32_t ReadU32(const AnsiString& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]))
        | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8
        | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16
        | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

void WritePhoto(const TempFolder& folder, const AnsiString& name, int shownMinute, int sizeMinute)
{
    auto painted = PaintPhoto(shownMinute);
    SIZE size { 96 + 16 * (sizeMinute % 5), 72 + 12 * (sizeMinute % 3) };
    auto small = ScaledCopy(*painted, size);
    TJPEGImage jpeg;
    jpeg.Assign(small.get());
    WriteJpeg(jpeg, folder / name);
}

// Fatal library errors end the decode through this jump.
struct ReferenceErrors {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void LeaveDecode(j_common_ptr info) { std::longjmp(reinterpret_cast<ReferenceErrors*>(info->err)->back, 1); }

void IgnoreMessage(j_common_ptr, int) {}

}

AnsiString SoakPhotoName(int minute)
{
    char name[32];
    std::snprintf(name, sizeof name, "sv_soak_%02d%02d.jpg", minute / 60, minute % 60);
    return name;
}

void WriteSoakPhotos(const TempFolder& folder, int count)
{
    for (int minute = 0; minute < count && minute < 1440; ++minute) {
        WritePhoto(folder, SoakPhotoName(minute), minute, minute);
        if (minute % 7 == 0) {
            char decoy[32];
            std::snprintf(decoy, sizeof decoy, "sv_zz_%02d%02d.jpg", minute / 60, minute % 60);
            WritePhoto(folder, decoy, (minute + 720) % 1440, minute + 1);
        }
    }
}

bool DecodeJpegReference(const AnsiString& bytes, BgrImage& image)
{
    jpeg_decompress_struct info {};
    ReferenceErrors errors {};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = LeaveDecode;
    errors.manager.emit_message = IgnoreMessage;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data() + static_cast<std::size_t>(info.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool ReadBmpPixels(const AnsiString& bytes, BgrImage& image)
{
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const std::uint32_t offset = ReadU32(bytes, 10);
    const auto width = static_cast<std::int32_t>(ReadU32(bytes, 18));
    const auto height = static_cast<std::int32_t>(ReadU32(bytes, 22));
    const int bits = static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
    const std::uint32_t compression = ReadU32(bytes, 30);
    if ((bits != 24 && bits != 32) || (compression != BI_RGB && compression != BI_BITFIELDS))
        return false;
    if (width <= 0 || width > 65536 || height == 0 || height < -65536 || height > 65536)
        return false;
    const int rows = height < 0 ? -height : height;
    const std::size_t stride = (static_cast<std::size_t>(width) * (bits / 8) + 3) & ~std::size_t(3);
    if (offset > bytes.size() || (bytes.size() - offset) / stride < static_cast<std::size_t>(rows))
        return false;
    image.width = width;
    image.height = rows;
    image.pixels.assign(static_cast<std::size_t>(width) * rows * 3, 0);
    for (int y = 0; y < rows; ++y) {
        const int fileRow = height < 0 ? y : rows - 1 - y;
        const char* source = bytes.data() + offset + stride * fileRow;
        std::uint8_t* target = image.pixels.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x)
            std::memcpy(target + x * 3, source + x * (bits / 8), 3);
    }
    return true;
}

AnsiString CompareImages(const BgrImage& expected, const BgrImage& actual, int tolerance)
{
    char text[160];
    if (expected.width != actual.width || expected.height != actual.height) {
        std::snprintf(text, sizeof text, "size %d x %d, expected %d x %d", actual.width, actual.height, expected.width,
            expected.height);
        return text;
    }
    int worst = 0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
        int difference = std::abs(static_cast<int>(expected.pixels[i]) - static_cast<int>(actual.pixels[i]));
        if (difference > worst) {
            worst = difference;
            worstAt = i;
        }
    }
    if (worst <= tolerance)
        return {};
    const std::size_t pixel = worstAt / 3;
    std::snprintf(text, sizeof text, "pixel (%d, %d) differs by %d in channel %d",
        static_cast<int>(pixel % expected.width), static_cast<int>(pixel / expected.width), worst,
        static_cast<int>(worstAt % 3));
    return text;
}
