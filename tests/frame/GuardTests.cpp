#include "frame/ControlCanvas.h"
#include "frame/Reporting.h"
#include "graphics/GdiHandles.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>

// A paint that raises leaves the canvas unlocked and without the context it was
// handed, as a paint that ends normally does.
TEST(CanvasOnDC, LetsGoOfTheContextAndUnlocksHoweverThePaintEnds)
{
    for (bool raises : { false, true }) {
        SCOPED_TRACE(raises ? "raising paint" : "normal paint");
        TMemoryDC dc(nullptr);
        TCanvas canvas;
        try {
            TCanvasOnDC drawing(canvas, dc);
            EXPECT_EQ(canvas.LockCount(), 1);
            EXPECT_EQ(canvas.Handle(), static_cast<HDC>(dc));
            if (raises)
                throw std::runtime_error("paint failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(canvas.LockCount(), 0);
        EXPECT_FALSE(canvas.HandleAllocated());
        // Unlocked for real: another thread's TryLock would now succeed.
        EXPECT_TRUE(canvas.TryLock());
        canvas.Unlock();
    }
}

// The report runs inside the catch block (it sees the exception) and nothing goes
// further; a call that does not raise is not reported.
TEST(CallCatching, ReportsWhatTheCallRaisesAndStopsIt)
{
    int reports = 0;
    bool sawException = false;
    auto report = [&] {
        ++reports;
        sawException = std::current_exception() != nullptr;
    };
    EXPECT_NO_THROW(CallCatching([] { throw std::runtime_error("handler failed"); }, report));
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(sawException);

    bool ran = false;
    CallCatching([&] { ran = true; }, report);
    EXPECT_TRUE(ran);
    EXPECT_EQ(reports, 1);
}
