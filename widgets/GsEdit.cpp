#include "widgets/GsEdit.h"

#include <cstdint>
#include <memory>

void GsEdit::ComposeInto(TBitmap* target, bool withChildren, bool)
{
    if (!withChildren || !Visible()) return;
    // Four bytes a pixel are written: any other target would be misread.
    if (!target || target->PixelFormat() != pf32bit || target->Empty()) return;
    if (Width() <= 0 || Height() <= 0) return;
    HDC dc = target->Canvas()->Handle();

    POINT o{0, 0};
    GetViewportOrgEx(dc, &o);
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = GetClipRgn(dc, saved) == 1;

    const POINT p{o.x + Left(), o.y + Top()};
    HRGN r = CreateRectRgn(p.x, p.y, p.x + Width(), p.y + Height());
    SetViewportOrgEx(dc, p.x, p.y, nullptr);
    if (hadClip) {
        ExtSelectClipRgn(dc, r, RGN_AND);
        GetClipRgn(dc, r);
    } else {
        SelectClipRgn(dc, r);
    }

    std::unique_ptr<TBitmap> picture(new TBitmap());
    picture->SetPixelFormat(pf32bit);
    picture->SetSize(Width(), Height());
    PaintTo(picture->Canvas(), 0, 0);

    const int tw = target->Width(), th = target->Height();
    for (int i = 0; i < Height(); ++i) {
        const int ty = p.y + i;
        if (ty < 0) continue;
        if (ty >= th) break;
        const uint8_t* src = static_cast<const uint8_t*>(picture->ScanLine(i));
        uint8_t* dst = static_cast<uint8_t*>(target->ScanLine(ty));
        for (int j = 0; j < Width(); ++j) {
            const int tx = p.x + j;
            if (tx < 0) continue;
            if (tx >= tw) break;
            if (!PtInRegion(r, tx, ty)) continue;
            uint8_t* d = dst + 4 * tx;
            const uint8_t* s = src + 4 * j;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 255;
        }
    }

    picture.reset();
    DeleteObject(r);
    SelectClipRgn(dc, hadClip ? saved : nullptr);
    DeleteObject(saved);
    SetViewportOrgEx(dc, o.x, o.y, nullptr);
}
