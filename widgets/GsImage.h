#pragma once
// A picture control that shows a 32-bit picture with per-pixel alpha, optionally scaled
// by a constant opacity; other pictures are drawn stretched. It can take part in a
// button's 32-bit composite.
#include "forms/Controls.h"
#include "widgets/GsAlphaFormat.h"

class GsImage : public TGraphicControl {
public:
    explicit GsImage(TComponent* AOwner);
    ~GsImage() override;

    TPicture* Picture() const { return m_picture; }
    // Copies the given picture.
    void SetPicture(TPicture* value) { m_picture->Assign(value); }
    // Use the alpha channel of a 32-bit picture (default true).
    bool AlphaChannel() const { return m_alphaChannel; }
    void SetAlphaChannel(bool value);
    // Scale the picture by AlphaValue (default true).
    bool AlphaBlend() const { return m_alphaBlend; }
    void SetAlphaBlend(bool value);
    unsigned char AlphaValue() const { return m_alphaValue; }
    // Repaints only while AlphaBlend is on.
    void SetAlphaValue(unsigned char value);
    GsAlphaFormat AlphaFormat() const { return m_alphaFormat; }
    void SetAlphaFormat(GsAlphaFormat value) { m_alphaFormat = value; }

    // Copies the picture's area of the control's size into target at (0, 0).
    virtual void PaintToBitmap(TBitmap* target);
    // Blends the picture (as premultiplied) into target at the control's bounds.
    virtual void ComposeInto(TBitmap* target, bool withChildren);

protected:
    bool CanAutoSize(int& newWidth, int& newHeight) override;
    void Paint() override;
    void PictureChanged(TObject* sender);

private:
    TPicture* m_picture;
    bool m_alphaChannel = true;
    bool m_alphaBlend = true;
    unsigned char m_alphaValue = 255;
    GsAlphaFormat m_alphaFormat = gafPremultiplied;
};
