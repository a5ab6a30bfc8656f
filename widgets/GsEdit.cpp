#include "widgets/GsEdit.h"

#include <cstdint>
#include <memory>

#include "src/gui/widget/ClipGuard.h"

void GsEdit::ComposeInto(TBitmap* target, bool withChildren, bool)
{
    if (!withChildren || !Visible())
        return;
    // Four bytes a pixel are written: any other target would be misread.
    if (!target || target->PixelFormat() != pf32bit || target->Empty())
        return;
    if (Width() <= 0 || Height() <= 0)
        return;
    gs::ClipGuard frame(target, TPoint(Left(), Top()), BoundsRect());
    const TPoint p = frame.Origin();
    HRGN r = frame.Clip();

    std::unique_ptr<TBitmap> picture(new TBitmap());
    picture->SetPixelFormat(pf32bit);
    picture->SetSize(Width(), Height());
    PaintTo(picture->Canvas(), 0, 0);

    const int tw = target->Width(), th = target->Height();
    for (int i = 0; i < Height(); ++i) {
        const int ty = p.y + i;
        if (ty < 0)
            continue;
        if (ty >= th)
            break;
        const uint8_t* src = static_cast<const uint8_t*>(picture->ScanLine(i));
        uint8_t* dst = static_cast<uint8_t*>(target->ScanLine(ty));
        for (int j = 0; j < Width(); ++j) {
            const int tx = p.x + j;
            if (tx < 0)
                continue;
            if (tx >= tw)
                break;
            if (!PtInRegion(r, tx, ty))
                continue;
            uint8_t* d = dst + 4 * tx;
            const uint8_t* s = src + 4 * j;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }
}
