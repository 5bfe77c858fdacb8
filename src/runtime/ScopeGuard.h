// Undo that runs when a scope ends, however it ends: by falling off its end, by an
// early return or by an exception. The one way the frame undoes a step.
#pragma once

#include <utility>

// Runs UNDO when the scope ends, unless Dismiss() was called first: a step undone only
// on failure dismisses its guard once the work after it has succeeded. UNDO must not
// throw (it may run while an exception unwinds).
template<class Undo> class ScopeExit {
public:
    explicit ScopeExit(Undo undo) : m_undo(std::move(undo)) {}
    ~ScopeExit()
    {
        if (m_armed)
            m_undo();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    void Dismiss() { m_armed = false; }

private:
    Undo m_undo;
    bool m_armed = true;
};

// Sets a variable for the length of a scope and gives it its earlier value back when
// the scope ends.
template<class T> class AutoReset {
public:
    AutoReset(T& target, T value) : m_target(target), m_saved(std::exchange(target, std::move(value))) {}
    ~AutoReset() { m_target = std::move(m_saved); }
    AutoReset(const AutoReset&) = delete;
    AutoReset& operator=(const AutoReset&) = delete;

private:
    T& m_target;
    T m_saved;
};
