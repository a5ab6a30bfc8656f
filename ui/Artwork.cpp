#include "ui/Artwork.h"

#include <windows.h>

#include <memory>

#include "forms/PngImage.h"

const wchar_t* const kArtSidePicture = L"SIDE_PICTURE";
const wchar_t* const kArtSidePictureMain = L"SIDE_PICTURE_MAIN";
const wchar_t* const kArtButtonRaised = L"BUTTON_RAISED";
const wchar_t* const kArtButtonHovered = L"BUTTON_HOVERED";
const wchar_t* const kArtButtonSunken = L"BUTTON_SUNKEN";
const wchar_t* const kArtButtonDisabled = L"BUTTON_DISABLED";
const wchar_t* const kArtRefreshNormal = L"REFRESH_NORMAL";
const wchar_t* const kArtRefreshHovered = L"REFRESH_HOVERED";
const wchar_t* const kArtRefreshPressed = L"REFRESH_PRESSED";

void MakeButtonBackdrop(TPicture* picture, TColor colour, int width, int height)
{
    std::unique_ptr<TBitmap> bitmap(new TBitmap());
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    bitmap->Canvas()->Brush()->SetColor(ColorToRGB(colour));
    bitmap->Canvas()->FillRect(TRect(0, 0, width, height));
    picture->SetGraphic(bitmap.get());
}

void LoadArtwork(TPicture* picture, const wchar_t* name, bool asBitmap)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name, reinterpret_cast<LPCWSTR>(RT_RCDATA));
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes)
        throw EResNotFound(String(L"Resource ") + name + L" not found");
    std::unique_ptr<TPngImage> png(new TPngImage());
    png->LoadFromMemory(bytes, SizeofResource(module, info));
    if (asBitmap) {
        std::unique_ptr<TBitmap> bitmap(new TBitmap());
        bitmap->Assign(png.get());
        picture->SetGraphic(bitmap.get());
    } else {
        picture->SetGraphic(png.get());
    }
}
