#include "widgets/GsImage.h"

#include "src/gui/graphics/image.h"

GsImage::GsImage(TComponent* AOwner) : TGraphicControl(AOwner), m_picture(new TPicture())
{
    m_picture->OnChange = MakeEvent(this, &GsImage::PictureChanged);
}

GsImage::~GsImage()
{
    m_picture->OnChange = nullptr;
    delete m_picture;
}

void GsImage::SetAlphaChannel(bool value)
{
    if (value == m_alphaChannel)
        return;
    m_alphaChannel = value;
    PictureChanged(this);
}

void GsImage::SetAlphaBlend(bool value)
{
    if (value == m_alphaBlend)
        return;
    m_alphaBlend = value;
    PictureChanged(this);
}

void GsImage::SetAlphaValue(unsigned char value)
{
    if (value == m_alphaValue)
        return;
    m_alphaValue = value;
    if (m_alphaBlend)
        PictureChanged(this);
}

void GsImage::PictureChanged(TObject*)
{
    if (AutoSize() && m_picture->Width() > 0 && m_picture->Height() > 0)
        SetBounds(Left(), Top(), m_picture->Width(), m_picture->Height());
    Invalidate();
}

bool GsImage::CanAutoSize(int& newWidth, int& newHeight)
{
    if (ComponentState().Contains(csDesigning) && (m_picture->Width() <= 0 || m_picture->Height() <= 0))
        return true;
    if (Align() == alNone || Align() == alLeft || Align() == alRight)
        newWidth = m_picture->Width();
    if (Align() == alNone || Align() == alTop || Align() == alBottom)
        newHeight = m_picture->Height();
    return true;
}

void GsImage::Paint()
{
    if (Width() == 0 || Height() == 0 || m_picture->Width() == 0 || m_picture->Height() == 0)
        return;
    TBitmap* picture = m_picture->Bitmap();
    if (gs::IsBitmapEmpty(picture))
        return;
    const TRect rect(0, 0, Width(), Height());
    if (!m_alphaChannel || picture->PixelFormat() != pf32bit) {
        Canvas()->StretchDraw(rect, picture);
    } else if (m_alphaBlend && m_alphaFormat == gafPremultiplied) {
        gs::AlphaBlendToCanvas(Canvas(), rect, picture, TPoint(0, 0), m_alphaValue);
    } else {
        gs::BlendToCanvas(Canvas(), rect, picture, TPoint(0, 0), m_alphaBlend ? m_alphaValue : 255);
    }
}

void GsImage::PaintToBitmap(TBitmap* target)
{
    TBitmap* picture = m_picture->Bitmap();
    if (gs::IsBitmapEmpty(picture))
        return;
    gs::CopyBitmapToCanvas(target->Canvas(), TRect(0, 0, Width(), Height()), picture, TPoint(0, 0));
}

void GsImage::ComposeInto(TBitmap* target, bool)
{
    TBitmap* picture = m_picture->Bitmap();
    if (gs::IsBitmapEmpty(picture))
        return;
    gs::AlphaBlendBitmap(target, TRect(Left(), Top(), Left() + Width(), Top() + Height()), picture,
                         TPoint(0, 0), 255);
}
