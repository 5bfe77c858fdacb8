// Where an exception caught at an entry point from the platform (a window procedure,
// a timer callback, a hook) goes. The application installs its report here; until it
// does, or after it is gone, the exception is dropped so that none leaves the entry.
#pragma once

#include <type_traits>

class TObject;

using TLoopExceptionHandler = void (*)(TObject* sender);

void SetLoopExceptionHandler(TLoopExceptionHandler handler);

// Called from a catch block: hands the exception being handled to the installed
// handler, which reports it; never lets anything escape.
void HandleLoopException(TObject* sender);

// The body of an entry point: runs WORK, and an exception it raises goes to
// HandleLoopException. SENDER is the object to name, or a call that gives it when the
// exception is handled (the work may have destroyed the object by then).
template <class Work, class Sender>
void RunAtEntryPoint(Work&& work, Sender&& sender)
{
    try {
        work();
    } catch (...) {
        // Reported, never passed on: nothing may leave an entry point from the platform.
        if constexpr (std::is_invocable_v<Sender>)
            HandleLoopException(sender());
        else
            HandleLoopException(sender);
    }
}
