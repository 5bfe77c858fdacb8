#include "graphics/JpegLibrary.h"

#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"
#include "runtime/Stream.h"

#include <algorithm>
#include <cmath>

#include <jerror.h>

namespace {

// The library's jpeg_error_mgr is the first member of ours.
TJpegErrorManager& ErrorManager(j_common_ptr info) { return *reinterpret_cast<TJpegErrorManager*>(info->err); }

[[noreturn]] void ErrorExit(j_common_ptr info) { std::longjmp(ErrorManager(info).jump, 1); }

void EmitMessage(j_common_ptr, int) {}

void OutputMessage(j_common_ptr) {}

void ResetErrorManager(j_common_ptr info)
{
    info->err->num_warnings = 0;
    info->err->msg_code = 0;
}

// Runs our code called back from inside the library, whose C frames no exception may
// cross: one it raises is held for Call(), and false is returned.
template<class Work> bool HoldingFailure(TJpegErrorManager& error, Work work) noexcept
{
    try {
        return work();
    } catch (...) {
        // Translated: raised again by Call() once the library has been left.
        error.pending = std::current_exception();
        return false;
    }
}

// Asks the graphic to report progress; an exception its handler raises is held
// for Call(). Returns false when one was raised.
bool ReportProgress(
    TJpegProgressMonitor& monitor, TJpegErrorManager& error, const TJpegProgressCounters& counters) noexcept
{
    return HoldingFailure(error, [&] {
        TJpegProgressReport report = JpegProgressStep(monitor, GetTickCount(), counters);
        if (report.report)
            monitor.image->Progress(monitor.image, psRunning, static_cast<std::uint8_t>(report.percent), report.redraw,
                report.rect, AnsiString());
        return true;
    });
}

void ProgressCallback(j_common_ptr info)
{
    auto* monitor = reinterpret_cast<TJpegProgressMonitor*>(info->progress);
    if (!monitor || !monitor->image)
        return;
    TJpegProgressCounters counters {};
    counters.passCounter = monitor->pub.pass_counter;
    counters.passLimit = monitor->pub.pass_limit;
    counters.completedPasses = monitor->pub.completed_passes;
    counters.totalPasses = monitor->pub.total_passes;
    if (monitor->decoding) {
        auto* d = reinterpret_cast<j_decompress_ptr>(info);
        counters.outputScanline = static_cast<int>(d->output_scanline);
        counters.outputWidth = static_cast<int>(d->output_width);
        counters.outputHeight = static_cast<int>(d->output_height);
    }
    if (!ReportProgress(*monitor, ErrorManager(info), counters))
        std::longjmp(ErrorManager(info).jump, 1);
}

// Source adapter.
void InitSource(j_decompress_ptr info) { reinterpret_cast<TJpegSource*>(info->src)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<TJpegSource*>(info->src);
    std::int32_t count = source->stream->Read(source->buffer, TJpegSource::BufferSize);
    if (count <= 0) {
        if (source->startOfFile)
            ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<std::size_t>(count);
    source->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    auto* source = reinterpret_cast<TJpegSource*>(info->src);
    while (static_cast<std::size_t>(count) > source->pub.bytes_in_buffer) {
        count -= static_cast<long>(source->pub.bytes_in_buffer);
        FillInputBuffer(info);
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// Destination adapter. Writing to memory can fail only for want of memory; that
// failure is held and the library stopped with its write error.
bool WriteOut(TJpegDestination& destination, TJpegErrorManager& error, std::int32_t count) noexcept
{
    return HoldingFailure(error, [&] { return destination.stream->Write(destination.buffer, count) == count; });
}

void InitDestination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
    destination->pub.next_output_byte = destination->buffer;
    destination->pub.free_in_buffer = TJpegDestination::BufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
    if (!WriteOut(*destination, ErrorManager(reinterpret_cast<j_common_ptr>(info)), TJpegDestination::BufferSize))
        ERREXIT(info, JERR_FILE_WRITE);
    destination->pub.next_output_byte = destination->buffer;
    destination->pub.free_in_buffer = TJpegDestination::BufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TJpegDestination*>(info->dest);
    auto count = static_cast<std::int32_t>(TJpegDestination::BufferSize - destination->pub.free_in_buffer);
    if (count > 0 && !WriteOut(*destination, ErrorManager(reinterpret_cast<j_common_ptr>(info)), count))
        ERREXIT(info, JERR_FILE_WRITE);
}

} // namespace

TJpegProgressReport JpegProgressStep(TJpegProgressMonitor& monitor, DWORD now, const TJpegProgressCounters& counters)
{
    TJpegProgressReport result;
    if (now - monitor.lastTime < 500)
        return result;
    DWORD previous = monitor.lastTime;
    monitor.lastTime = now;
    if (previous == 0)
        return result;
    if (monitor.decoding) {
        result.rect = { 0, monitor.lastScanline, counters.outputWidth, counters.outputScanline };
        if (result.rect.bottom < result.rect.top)
            result.rect.bottom = counters.outputHeight;
    }
    if (counters.passLimit <= 0 || counters.totalPasses <= 0)
        return result;
    double done = (static_cast<double>(counters.passCounter) / counters.passLimit + counters.completedPasses) * 100.0
        / counters.totalPasses;
    int percent = static_cast<int>(std::clamp(std::trunc(done), 0.0, 100.0));
    if (percent == monitor.lastPercent)
        return result;
    monitor.lastPercent = percent;
    if (monitor.decoding)
        monitor.lastScanline = counters.outputScanline;
    result.report = true;
    result.percent = percent;
    result.redraw = result.rect.bottom - result.rect.top >= 4;
    return result;
}

AnsiString JpegErrorText(int code) { return Exception::ResText(TextId::JpegError, code); }

TJpegCoder::TJpegCoder(TGraphic* progressTarget, bool decoding)
{
    jpeg_std_error(&m_error.pub);
    m_error.pub.error_exit = ErrorExit;
    m_error.pub.emit_message = EmitMessage;
    m_error.pub.output_message = OutputMessage;
    m_error.pub.reset_error_mgr = ResetErrorManager;
    m_progress.pub.progress_monitor = ProgressCallback;
    m_progress.pub.pass_counter = 0;
    m_progress.pub.pass_limit = 0;
    m_progress.pub.completed_passes = 0;
    m_progress.pub.total_passes = 0;
    m_progress.image = progressTarget;
    m_progress.decoding = decoding;
}

void TJpegCoder::RaiseFailure()
{
    if (m_error.pending) {
        std::exception_ptr pending = m_error.pending;
        m_error.pending = nullptr;
        std::rethrow_exception(pending);
    }
    throw EJPEG(JpegErrorText(m_error.pub.msg_code));
}

TJpegDecompressor::TJpegDecompressor(TMemoryStream& bytes, TGraphic* progressTarget) : TJpegCoder(progressTarget, true)
{
    m_info = {};
    m_info.err = &m_error.pub;
    // Creating the object fails only for a library of another interface version or
    // without memory; the error manager is in place for that.
    Call([this] { jpeg_CreateDecompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info)); });
    m_info.progress = &m_progress.pub;
    bytes.SetPosition(0);
    m_source.stream = &bytes;
    m_source.pub.init_source = InitSource;
    m_source.pub.fill_input_buffer = FillInputBuffer;
    m_source.pub.skip_input_data = SkipInputData;
    m_source.pub.resync_to_restart = jpeg_resync_to_restart;
    m_source.pub.term_source = TermSource;
    m_source.pub.bytes_in_buffer = 0;
    m_source.pub.next_input_byte = nullptr;
    m_info.src = &m_source.pub;
}

TJpegDecompressor::~TJpegDecompressor() { jpeg_destroy_decompress(&m_info); }

void TJpegDecompressor::ReadHeader()
{
    Call([this] { jpeg_read_header(&m_info, TRUE); });
}

TJpegCompressor::TJpegCompressor(TMemoryStream& bytes, TGraphic* progressTarget) : TJpegCoder(progressTarget, false)
{
    m_info = {};
    m_info.err = &m_error.pub;
    Call([this] { jpeg_CreateCompress(&m_info, JPEG_LIB_VERSION, sizeof(m_info)); });
    m_info.progress = &m_progress.pub;
    m_destination.stream = &bytes;
    m_destination.pub.init_destination = InitDestination;
    m_destination.pub.empty_output_buffer = EmptyOutputBuffer;
    m_destination.pub.term_destination = TermDestination;
    m_info.dest = &m_destination.pub;
}

TJpegCompressor::~TJpegCompressor() { jpeg_destroy_compress(&m_info); }
