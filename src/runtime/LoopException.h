// Where an exception caught at an entry point from the platform (a window procedure,
// a timer callback, a hook) goes. The application installs its report here; until it
// does, or after it is gone, the exception is dropped so that none leaves the entry.
#pragma once

#include <type_traits>
#include <utility>

class TObject;

using TLoopExceptionHandler = void (*)(TObject* sender);

void SetLoopExceptionHandler(TLoopExceptionHandler handler);

// Called from a catch block: hands the exception being handled to the installed
// handler, which reports it; never lets anything escape.
void HandleLoopException(TObject* sender);

// Runs CALL; an exception it raises is handed to REPORT, which runs inside the catch
// block so that it can look at the exception (std::current_exception). The one place
// where a call is made whose exception must go no further: a handler the frame calls
// on its own behalf, a platform callback, one step of the message loop.
template<class Call, class Report> void CallCatching(Call&& call, Report&& report)
{
    try {
        std::forward<Call>(call)();
    } catch (...) { // reported here: nothing goes further
        std::forward<Report>(report)();
    }
}

// The body of an entry point: runs WORK, and an exception it raises goes to
// HandleLoopException. SENDER is the object to name, or a call that gives it when the
// exception is handled (the work may have destroyed the object by then).
template<class Work, class Sender> void RunAtEntryPoint(Work&& work, Sender&& sender)
{
    CallCatching(std::forward<Work>(work), [&] {
        if constexpr (std::is_invocable_v<Sender>)
            HandleLoopException(sender());
        else
            HandleLoopException(sender);
    });
}
