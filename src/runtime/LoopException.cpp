#include "runtime/LoopException.h"

#include <atomic>

namespace {

std::atomic<TLoopExceptionHandler> installedHandler { nullptr };

}

void SetLoopExceptionHandler(TLoopExceptionHandler handler) { installedHandler.store(handler); }

void HandleLoopException(TObject* sender)
{
    TLoopExceptionHandler handler = installedHandler.load();
    if (!handler)
        return;
    try {
        handler(sender);
    } catch (...) {
        // A report that fails itself is dropped: nothing may leave an entry point.
    }
}
