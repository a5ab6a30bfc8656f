#pragma once
// The wizard's pictures, kept as PNG resources of the program (ui/Artwork.rc).
#include "forms/Graphics.h"

// Resource names.
extern const wchar_t* const kArtSidePicture;     // 173 x 303, mode and licence pages
extern const wchar_t* const kArtSidePictureMain; // 173 x 302, wizard pages
extern const wchar_t* const kArtButtonRaised;    // 97 x 28
extern const wchar_t* const kArtButtonHovered;
extern const wchar_t* const kArtButtonSunken;
extern const wchar_t* const kArtButtonDisabled; // 97 x 28, the size of the others
extern const wchar_t* const kArtRefreshNormal;  // 22 x 22
extern const wchar_t* const kArtRefreshHovered;
extern const wchar_t* const kArtRefreshPressed;

// Loads a picture from the program's resources, as a PNG image or, with asBitmap, as a
// 32-bit premultiplied bitmap. EResNotFound when the resource is missing.
void LoadArtwork(TPicture* picture, const wchar_t* name, bool asBitmap);

// The picture a drawn button takes its background from: it is read at the button's own
// position on its parent, so it is the page itself, in the page's colour and as large as
// the page, and the rounded corners show what lies behind the button.
void MakeButtonBackdrop(TPicture* picture, TColor colour, int width, int height);

FORMS_DECLARE_EXCEPTION(EResNotFound, Exception);
