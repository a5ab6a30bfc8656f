#pragma once
// Types the controls share: mouse buttons, text layout, alignment, control styles and
// the mouse and key events.
#include "forms/Classes.h"

enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

enum TTextLayout { tlTop = 0, tlCenter = 1, tlBottom = 2 };

enum TEllipsisPosition { epNone = 0, epPathEllipsis = 1, epEndEllipsis = 2, epWordEllipsis = 3 };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents,
    csNeedsBorderPaint,
    csParentBackground,
    csPannable,
    csAlignWithMargins,
    csGestures,
    csPaintBlackOpaqueOnGlass,
    csOverrideStylePaint
};
using TControlStyle = TSet<TControlStyleItem>;

// (Sender, Button, Shift, X, Y)
using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
// (Sender, Shift, X, Y)
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
// (Sender, Key, Shift): the handler may change the key (0 swallows it).
using TKeyEvent = TEvent<TObject*, WORD&, TShiftState>;
// (Sender, Key)
using TKeyPressEvent = TEvent<TObject*, wchar_t&>;
