// Pictures in the formats GDI+ decodes, through GIF files written here (Wine's GIF
// encoder writes empty files); the other formats take the same path.
#include <gtest/gtest.h>

#include "forms/Graphics.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;

TEST(PictureFormats, GdiplusFormatsLoadAsBitmapsWithOrWithoutAlpha)
{
    // One red pixel; with a control block its colour is the transparent one.
    const char gif[] = "GIF89a\1\0\1\0\x80\0\0\xFF\0\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";
    const char clear[] = "GIF89a\1\0\1\0\x80\0\0\xFF\0\0\0\0\0!\xF9\4\1\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;";
    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"RED.GIF", std::string(gif, sizeof(gif) - 1)));
    ASSERT_TRUE(ts::WriteBytes(dir / L"clear.gif", std::string(clear, sizeof(clear) - 1)));
    for (const wchar_t* name : {L"RED.GIF", L"clear.gif"}) {
        bool alpha = name[0] == L'c';
        TPicture picture;
        picture.LoadFromFile(dir / name);
        auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
        ASSERT_NE(nullptr, bitmap);
        ASSERT_EQ(1, bitmap->Width());
        EXPECT_EQ(alpha ? pf32bit : pf24bit, bitmap->PixelFormat());
        EXPECT_EQ(alpha ? afPremultiplied : afIgnored, bitmap->AlphaFormat());
        const uint8_t* p = static_cast<const uint8_t*>(bitmap->ScanLine(0));
        EXPECT_EQ(alpha ? 0 : 0xFF, p[2]); // red, or nothing where transparent
    }
    // A damaged or missing file raises and leaves the picture as it was.
    ASSERT_TRUE(ts::WriteBytes(dir / L"bad.jpg", "a text file given a picture's name"));
    TPicture picture;
    picture.LoadFromFile(dir / L"RED.GIF");
    EXPECT_THROW(picture.LoadFromFile(dir / L"bad.jpg"), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(dir / L"missing.tif"), EFOpenError);
    EXPECT_EQ(1, picture.Width());
}
