// Times one repaint (Invalidate then Update, through WM_PAINT as a hover repaint goes) of a
// 97 x 28 image button with a glowing caption against one plain BitBlt of the same size onto
// the same window. Each figure is the median of five batches of `rounds`, after a warm-up.
//
//   wine build/win64/bin/bench_button.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ButtonArt.h"
#include "forms/Forms.h"
#include "widgets/GsButton.h"

template <class F>
static double Microseconds(int rounds, F f)
{
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    for (int i = 0; i < rounds / 10 + 1; ++i) f();
    std::vector<double> batches;
    for (int n = 0; n < 5; ++n) {
        QueryPerformanceCounter(&a);
        for (int i = 0; i < rounds; ++i) f();
        QueryPerformanceCounter(&b);
        batches.push_back(double(b.QuadPart - a.QuadPart) * 1e6 / double(freq.QuadPart) / rounds);
    }
    std::sort(batches.begin(), batches.end());
    return batches[2];
}

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 300, 150);
    std::unique_ptr<TBitmap> page(widgets_test::BackgroundPicture(300, 150));
    auto* button = new GsButton(form);
    button->SetParent(form);
    button->Appearance()->SetRaised(std::unique_ptr<TBitmap>(widgets_test::GlossyButtonImage(97, 28, 9, 0xB0702A)).get());
    button->SetLeft(40);
    button->SetTop(40);
    button->SetInputBkgnd(page.get());
    button->Font()->SetName(L"Microsoft Sans Serif");
    button->Font()->SetColor(TColor(0xEFEFEF));
    button->TextEffect()->Raised()->SetRadius(3);
    button->TextEffect()->Raised()->SetColor(TColor(0x402008));
    button->SetCaption(L"Next");
    form->Show();
    Application->ProcessMessages();
    auto repaint = [&] {
        button->Invalidate();
        button->Update();
    };

    double full = Microseconds(rounds, repaint);
    TBitmap offscreen;
    widgets_test::Fill(offscreen, 97, 28, clBlack);
    double render = Microseconds(rounds, [&] { button->RenderTo(&offscreen, false); });
    // Another caption each time: the state's picture (image and glow text) is made again.
    int flip = 0;
    double remade = Microseconds(rounds, [&] {
        button->SetCaption((flip ^= 1) ? L"Next" : L"Back");
        repaint();
    });

    TBitmap source;
    widgets_test::Fill(source, 97, 28, clBlack);
    HDC window = GetDC(button->Handle());
    double blit = Microseconds(rounds, [&] { BitBlt(window, 0, 0, 97, 28, source.Canvas()->Handle(), 0, 0, SRCCOPY), GdiFlush(); });
    ReleaseDC(button->Handle(), window);

    std::printf("button repaint, 97 x 28, glowing caption : %8.1f us\n", full);
    std::printf("plain BitBlt, 97 x 28                    : %8.1f us\n", blit);
    std::printf("ratio                                    : %8.1f\n", blit > 0 ? full / blit : 0.0);
    std::printf("  rendering alone (no window)            : %8.1f us\n", render);
    std::printf("  repaint, picture made again            : %8.1f us\n", remade);
    delete form;
    return 0;
}
