#pragma once
// The library's single-line edit box, which can also copy its window's picture, opaque
// and clipped, into a 32-bit composite bitmap.
#include "forms/StdCtrls.h"

class GsEdit : public TEdit {
public:
    explicit GsEdit(TComponent* AOwner) : TEdit(AOwner) {}

    // With withChildren and while visible: the edit's picture at its bounds (in the target
    // canvas's viewport coordinates), inside the target's clip, fully opaque. Only a
    // pf32bit target is written; force is the compositor's and changes nothing here.
    void ComposeInto(TBitmap* target, bool withChildren, bool force);
};
