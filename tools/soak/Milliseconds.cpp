#include "Milliseconds.h"

#include <windows.h>

double NowMs()
{
    LARGE_INTEGER count {}, frequency {};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}
