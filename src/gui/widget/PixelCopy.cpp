#include "src/gui/widget/PixelCopy.h"

#include <cstring>

namespace gs {

void CopyPixels(TBitmap* target, TBitmap* source)
{
    if (target == source) return;
    bool reuse = source->HandleAllocated() && target->HandleAllocated() && !source->Empty() &&
                 target->Width() == source->Width() && target->Height() == source->Height() &&
                 target->PixelFormat() == source->PixelFormat() && source->BitsPerPixel() >= 24 &&
                 target->BitsPerPixel() == source->BitsPerPixel();
    if (!reuse) {
        target->Assign(source);
        return;
    }
    GdiFlush();
    size_t bytes = static_cast<size_t>(source->Width()) * static_cast<size_t>(source->BitsPerPixel() / 8);
    for (int y = 0; y < source->Height(); ++y)
        std::memcpy(target->ScanLine(y), static_cast<const TBitmap*>(source)->ScanLine(y), bytes);
    target->SetAlphaFormat(source->AlphaFormat());
}

} // namespace gs
