#include "src/gui/widget/PixelCopy.h"

#include <cstring>

namespace gs {

void CopyPixels(TBitmap* target, TBitmap* source)
{
    if (target == source)
        return;
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

bool SamePixels(const TBitmap* a, const TBitmap* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat() ||
        a->BitsPerPixel() != b->BitsPerPixel() || a->AlphaFormat() != b->AlphaFormat() ||
        a->HandleAllocated() != b->HandleAllocated())
        return false;
    if (!a->HandleAllocated() || a->Empty())
        return true;
    // Whole bytes of a row only: the padding at its end is never drawn.
    size_t bytes = (static_cast<size_t>(a->Width()) * static_cast<size_t>(a->BitsPerPixel()) + 7) / 8;
    GdiFlush();
    for (int y = 0; y < a->Height(); ++y)
        if (std::memcmp(a->ScanLine(y), b->ScanLine(y), bytes) != 0)
            return false;
    return true;
}

} // namespace gs
