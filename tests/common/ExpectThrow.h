// Checks that a call fails with an exception of the given class and message. The test
// fails, at the caller's line, when the call returns, when it throws anything else, or
// when the message differs.
#pragma once

#include "runtime/Exceptions.h"

#include <exception>
#include <source_location>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

template<class E, class Call>
void ExpectThrowMessage(
    Call&& call, const std::string& message, std::source_location where = std::source_location::current())
{
    std::string fault;
    try {
        call();
        fault = std::string("nothing thrown, expected ") + typeid(E).name();
    } catch (const std::exception& thrown) {
        auto* expected = dynamic_cast<const E*>(&thrown);
        auto* other = dynamic_cast<const Exception*>(&thrown);
        if (!expected)
            fault = std::string("another exception: ") + typeid(thrown).name() + " \""
                + (other ? std::string(other->Message()) : std::string(thrown.what())) + "\"";
        else if (expected->Message() != message)
            fault = "the message is \"" + std::string(expected->Message()) + "\"";
    } catch (...) {
        fault = "another exception, not of the standard library's root class";
    }
    if (!fault.empty())
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
            << fault << "; expected \"" << message << "\"";
}
