// Whether an object still exists, for code that runs on its behalf: a handler the
// object calls may destroy it, and the caller must then touch none of its members.
//
//     TAliveToken::Watcher alive = m_alive.Watch();
//     OnClick(this);
//     if (!alive)
//         return;
#pragma once

#include <memory>

class TAliveToken {
public:
    // A weak view of the token, kept on the stack across a call that may destroy the
    // object.
    class Watcher {
    public:
        explicit operator bool() const { return !m_token.expired(); }

    private:
        friend class TAliveToken;
        explicit Watcher(const std::shared_ptr<char>& token) : m_token(token) {}
        std::weak_ptr<char> m_token;
    };

    TAliveToken() = default;
    // Each object has a life of its own: a copy is not the same object.
    TAliveToken(const TAliveToken&) : TAliveToken() {}
    TAliveToken& operator=(const TAliveToken&) { return *this; }

    Watcher Watch() const { return Watcher(m_token); }
    // Ends the object's life at the start of its destructor, before what the destructor
    // does can reach a watcher; the token's own destruction does it otherwise.
    void Expire() { m_token.reset(); }

private:
    std::shared_ptr<char> m_token = std::make_shared<char>();
};
