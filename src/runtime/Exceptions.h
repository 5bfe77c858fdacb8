// The exception classes of the program. Every failure the frame reports is one of
// these; its message is what the error box shows.
#pragma once

#include "runtime/AnsiString.h"
#include "runtime/Format.h"
#include "runtime/ResStrings.h"

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : m_message(std::move(message)) {}
    // Message from the string table, formatted with the arguments.
    template<typename... Args> static AnsiString ResText(TextId id, const Args&... args)
    {
        if constexpr (sizeof...(args) == 0)
            return LoadResString(id);
        else
            return Format(LoadResString(id), args...);
    }

    const AnsiString& Message() const { return m_message; }
    void SetMessage(AnsiString message) { m_message = std::move(message); }
    const char* what() const noexcept override { return m_message.c_str(); }
    virtual const char* ClassName() const { return "Exception"; }

private:
    AnsiString m_message;
};

#define SV_DECLARE_EXCEPTION(Name, Base)                                                                               \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
        const char* ClassName() const override { return #Name; }                                                       \
    };

SV_DECLARE_EXCEPTION(EAbort, Exception)
SV_DECLARE_EXCEPTION(EConvertError, Exception)
SV_DECLARE_EXCEPTION(EOutOfMemory, Exception)
SV_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory)
SV_DECLARE_EXCEPTION(EInvalidOperation, Exception)
SV_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
SV_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
SV_DECLARE_EXCEPTION(EStreamError, Exception)
SV_DECLARE_EXCEPTION(EFCreateError, EStreamError)
SV_DECLARE_EXCEPTION(EFOpenError, EStreamError)
SV_DECLARE_EXCEPTION(EFilerError, EStreamError)
SV_DECLARE_EXCEPTION(EReadError, EFilerError)
SV_DECLARE_EXCEPTION(EWriteError, EFilerError)
SV_DECLARE_EXCEPTION(EClassNotFound, EFilerError)
SV_DECLARE_EXCEPTION(EResNotFound, Exception)
SV_DECLARE_EXCEPTION(EComponentError, Exception)
SV_DECLARE_EXCEPTION(EMenuError, Exception)
SV_DECLARE_EXCEPTION(EJPEG, Exception)
SV_DECLARE_EXCEPTION(EListError, Exception)
SV_DECLARE_EXCEPTION(EWin32Error, Exception)

// An input/output failure: carries the system error code that caused it.
class EInOutError : public Exception {
public:
    EInOutError(AnsiString message, int code) : Exception(std::move(message)), m_errorCode(code) {}
    const char* ClassName() const override { return "EInOutError"; }
    int ErrorCode() const { return m_errorCode; }

private:
    int m_errorCode;
};

// The text for an input/output error code: the known system codes have their own
// message, every other code "I/O エラー (%d)".
AnsiString InOutErrorText(int code);

// The runtime's pending input/output result: set by a failed operation, consumed and
// reset to 0 when the error is raised.
int& InOutResult();
[[noreturn]] void RaiseInOutError(int code);

// The system's text for an error code, without its line break; empty when the system
// has none.
AnsiString SystemErrorMessage(unsigned long code);

// Raises EWin32Error for the calling thread's last system error.
[[noreturn]] void RaiseLastWin32Error();
