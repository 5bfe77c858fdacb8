#include "graphics/support/JpegEncoding.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

AnsiString EncodeJpeg(
    int width, int height, int components, int colorSpace, const std::vector<unsigned char>& samples, int quality)
{
    jpeg_compress_struct c {};
    jpeg_error_mgr errors {};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = static_cast<J_COLOR_SPACE>(colorSpace);
    jpeg_set_defaults(&c);
    if (quality >= 0)
        jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    while (c.next_scanline < c.image_height) {
        auto* row = const_cast<JSAMPROW>(&samples[c.next_scanline * stride]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    AnsiString bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}
