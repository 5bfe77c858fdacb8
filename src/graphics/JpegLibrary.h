// The bridge to the JPEG library: one decompression or compression object per
// read, decode or encode, reading from or writing to an in-memory byte stream.
//
// The library is C and built without unwinding support, so no C++ exception may
// cross its frames. Every library call therefore runs inside Call(): a fatal library
// error jumps back there (setjmp/longjmp) and is raised as EJPEG "JPEG エラー #%d"
// with the library's message code. An exception raised by one of our own callbacks
// (a progress handler raising EAbort, a failing stream) is held, the library is
// left the same way, and the held exception is raised from Call().
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

#include "runtime/AnsiString.h"

#include <windows.h>

#include <jpeglib.h>

class TGraphic;
class TMemoryStream;

// Fatal errors jump back to the active Call(); warnings and trace messages are
// discarded.
struct TJpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    std::exception_ptr pending; // raised by a callback of ours, passed on by Call()
};

// Reports coding progress to a graphic, at most once per 500 ms and only when the
// percentage changes.
struct TJpegProgressMonitor {
    jpeg_progress_mgr pub;
    TGraphic* image = nullptr;
    bool decoding = false;
    DWORD lastTime = 0;
    int lastPercent = 0;
    int lastScanline = 0;
};

// What the progress monitor decides for one call from the library: whether to
// report, and what. Separate from the monitor so that the throttle can be checked.
struct TJpegProgressReport {
    bool report = false;
    int percent = 0;
    RECT rect {};
    bool redraw = false;
};
struct TJpegProgressCounters {
    long passCounter, passLimit;
    int completedPasses, totalPasses;
    // Decoding only: the rows delivered so far and the output size.
    int outputScanline, outputWidth, outputHeight;
};
TJpegProgressReport JpegProgressStep(TJpegProgressMonitor& monitor, DWORD now, const TJpegProgressCounters& counters);

// Reads the stored bytes through a 4096-byte buffer. An empty stream is a fatal
// error; running out later gives the library's end-of-file warning and a made-up
// end-of-image marker, so that the rest of the image is left to the library's fill.
struct TJpegSource {
    static constexpr int BufferSize = 4096;
    jpeg_source_mgr pub;
    TMemoryStream* stream = nullptr;
    bool startOfFile = true;
    JOCTET buffer[BufferSize];
};

// Writes encoded bytes through a 4096-byte buffer; a short write is a fatal error.
struct TJpegDestination {
    static constexpr int BufferSize = 4096;
    jpeg_destination_mgr pub;
    TMemoryStream* stream = nullptr;
    JOCTET buffer[BufferSize];
};

// Shared part of the two coder objects: the error manager and the progress monitor.
class TJpegCoder {
public:
    TJpegCoder(const TJpegCoder&) = delete;
    TJpegCoder& operator=(const TJpegCoder&) = delete;

    // Runs a step that calls into the library. The step must hold no objects with
    // destructors while it calls the library: a fatal error leaves it by a jump.
    // The progress monitor (its throttle state), for callers that start it afresh.
    TJpegProgressMonitor& ProgressMonitor() { return m_progress; }

    template<typename Step> void Call(Step&& step)
    {
        if (setjmp(m_error.jump) != 0) {
            RaiseFailure();
        }
        step();
    }

protected:
    TJpegCoder(TGraphic* progressTarget, bool decoding);
    ~TJpegCoder() = default;
    [[noreturn]] void RaiseFailure();

    TJpegErrorManager m_error;
    TJpegProgressMonitor m_progress;
};

// A decompression object over the stored bytes, read from their start.
class TJpegDecompressor : public TJpegCoder {
public:
    // Creates the library object (interface version of the library's own header);
    // progress reports go to the graphic when one is given.
    TJpegDecompressor(TMemoryStream& bytes, TGraphic* progressTarget);
    ~TJpegDecompressor();

    jpeg_decompress_struct& Info() { return m_info; }
    // Reads the header; the image must be there.
    void ReadHeader();

private:
    jpeg_decompress_struct m_info;
    TJpegSource m_source;
};

// A compression object writing to the byte stream.
class TJpegCompressor : public TJpegCoder {
public:
    TJpegCompressor(TMemoryStream& bytes, TGraphic* progressTarget);
    ~TJpegCompressor();

    jpeg_compress_struct& Info() { return m_info; }

private:
    jpeg_compress_struct m_info;
    TJpegDestination m_destination;
};

// The library's message code for a fatal error, as raised in EJPEG.
AnsiString JpegErrorText(int code);
