// Times one repaint of a 97 x 28 image button with a glowing caption (the element renders
// the state image and its text, the cache is refreshed, the picture is copied to the
// window) against one plain BitBlt of the same size onto the same window, and prints
// both and their ratio.
//
//   wine build/win64/bin/bench_button.exe [--rounds N]
//
// Each repaint is an Invalidate followed by Update, so it goes through WM_PAINT as a hover
// repaint does. Both sides run N times (default 2000), after a warm-up; the median of five
// batches counts.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "ButtonArt.h"
#include "forms/Forms.h"
#include "widgets/GsButton.h"

namespace {

double Now()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

template <class F>
double MedianMicroseconds(int rounds, F f)
{
    for (int i = 0; i < rounds / 10 + 1; ++i) f();
    std::vector<double> batches;
    for (int b = 0; b < 5; ++b) {
        double start = Now();
        for (int i = 0; i < rounds; ++i) f();
        batches.push_back((Now() - start) * 1e6 / rounds);
    }
    std::sort(batches.begin(), batches.end());
    return batches[2];
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 2000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));

    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 300, 150);
    std::unique_ptr<TBitmap> page(widgets_test::BackgroundPicture(300, 150));
    auto* button = new GsButton(form);
    button->SetParent(form);
    std::unique_ptr<TBitmap> raised(widgets_test::GlossyButtonImage(97, 28, 8, 0x7A4A1E));
    button->Appearance()->SetRaised(raised.get());
    button->SetLeft(40);
    button->SetTop(40);
    button->SetInputBkgnd(page.get());
    button->Font()->SetName(L"Microsoft Sans Serif");
    button->Font()->SetColor(TColor(0xEFEFEF));
    button->TextEffect()->Raised()->SetRadius(3);
    button->TextEffect()->Raised()->SetColor(TColor(0x402000));
    button->SetCaption(L"Next");
    form->Show();
    Application->ProcessMessages();

    double repaint = MedianMicroseconds(rounds, [&] {
        button->Invalidate();
        button->Update();
    });

    // Where the time goes: the control's painting alone (render, cache, copy to the
    // window, no WM_PAINT), the render alone, and repaints without glow and caption.
    HDC windowDC = GetDC(form->Handle());
    double painting = MedianMicroseconds(rounds, [&] {
        button->PaintTo(windowDC, button->Left(), button->Top());
        GdiFlush();
    });
    ReleaseDC(form->Handle(), windowDC);
    TBitmap offscreen;
    offscreen.SetPixelFormat(pf32bit);
    offscreen.SetSize(97, 28);
    double render = MedianMicroseconds(rounds, [&] { button->RenderTo(&offscreen, false); });
    button->TextEffect()->Raised()->SetRadius(0);
    double plain = MedianMicroseconds(rounds, [&] {
        button->Invalidate();
        button->Update();
    });
    button->SetCaption(L"");
    double bare = MedianMicroseconds(rounds, [&] {
        button->Invalidate();
        button->Update();
    });

    TBitmap source;
    source.SetPixelFormat(pf32bit);
    source.SetSize(97, 28);
    HDC window = GetDC(button->Handle());
    HDC memory = source.Canvas()->Handle();
    double blit = MedianMicroseconds(rounds, [&] {
        BitBlt(window, 0, 0, 97, 28, memory, 0, 0, SRCCOPY);
        GdiFlush();
    });
    ReleaseDC(button->Handle(), window);

    std::printf("button repaint (97 x 28, caption with glow): %8.1f us\n", repaint);
    std::printf("plain BitBlt   (97 x 28)                  : %8.1f us\n", blit);
    std::printf("  painting alone (render, cache, copy)   : %8.1f us\n", painting);
    std::printf("  rendering alone, no window             : %8.1f us\n", render);
    std::printf("  repaint, caption without glow          : %8.1f us\n", plain);
    std::printf("  repaint, no caption                    : %8.1f us\n", bare);
    std::printf("ratio                                     : %8.1f\n", blit > 0 ? repaint / blit : 0.0);
    delete form;
    return 0;
}
