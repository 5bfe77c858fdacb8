// Where an exception caught at an entry point from the platform (a window procedure,
// a timer callback, a hook) goes. The application installs its report here; until it
// does, or after it is gone, the exception is dropped so that none leaves the entry.
#pragma once

class TObject;

using TLoopExceptionHandler = void (*)(TObject* sender);

void SetLoopExceptionHandler(TLoopExceptionHandler handler);

// Called from a catch block: hands the exception being handled to the installed
// handler, which reports it; never lets anything escape.
void HandleLoopException(TObject* sender);
