// Event handlers: a handler is bound to an object by the code that installs it and
// is called with the object that raises the event.
#pragma once

#include "runtime/Persistent.h"

#include <functional>

using TNotifyEvent = std::function<void(TObject* sender)>;

// Something told about the changes of an object (a picture's or a font's observer).
class IChangeNotifier {
public:
    virtual ~IChangeNotifier() = default;
    virtual void Changed() = 0;
};
