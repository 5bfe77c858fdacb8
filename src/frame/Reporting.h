// Calls made where an exception must go no further: a handler the frame calls on
// its own behalf, a platform callback, one step of the message loop. What the call
// raises is reported and the caller goes on.
#pragma once

#include "runtime/LoopException.h"

#include <utility>

// Runs CALL; an exception it raises is handed to REPORT, which runs inside the catch
// block so that it can look at the exception (std::current_exception).
template<class Call, class Report>
void CallCatching(Call&& call, Report&& report)
{
    try {
        std::forward<Call>(call)();
    } catch (...) { // reported here: nothing goes further
        std::forward<Report>(report)();
    }
}

// Runs CALL; an exception it raises goes to HandleLoopException as raised on SENDER's
// behalf.
template<class Call>
void CallReporting(TObject* sender, Call&& call)
{
    CallCatching(std::forward<Call>(call), [sender] { HandleLoopException(sender); });
}
