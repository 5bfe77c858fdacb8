#include "frame/ControlCanvas.h"
#include "graphics/GdiHandles.h"

#include <gtest/gtest.h>

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
