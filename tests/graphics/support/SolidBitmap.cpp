#include "graphics/support/SolidBitmap.h"

#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "graphics/Canvas.h"

void PaintSolid(TBitmap& bitmap, int width, int height, TColor color)
{
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(RECT { 0, 0, width, height });
}
