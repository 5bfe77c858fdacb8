// The test helper that expects an exception with a message: it passes only on the
// right class with the right text.
#include "common/ExpectThrow.h"

#include <gtest/gtest-spi.h>

TEST(ExpectThrowMessage, FailsUnlessTheRightClassThrowsTheRightText)
{
    ExpectThrowMessage<EConvertError>([] { throw EConvertError("bad value"); }, "bad value");
    ExpectThrowMessage<Exception>([] { throw EConvertError("bad value"); }, "bad value");
    EXPECT_NONFATAL_FAILURE(ExpectThrowMessage<EConvertError>([] {}, "bad value"), "nothing thrown");
    EXPECT_NONFATAL_FAILURE(
        ExpectThrowMessage<EConvertError>([] { throw EReadError("bad value"); }, "bad value"), "another exception");
    EXPECT_NONFATAL_FAILURE(ExpectThrowMessage<EConvertError>([] { throw 7; }, "bad value"), "another exception");
    EXPECT_NONFATAL_FAILURE(ExpectThrowMessage<EConvertError>([] { throw EConvertError("other value"); }, "bad value"),
        "the message is \"other value\"");
}
