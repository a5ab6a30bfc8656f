// Times one repaint (Invalidate then Update, through WM_PAINT as a hover repaint goes) of a
// 97 x 28 image button with a glowing caption against the same repaint of a plain custom
// control of the same size whose paint only blits a ready bitmap, so the difference is what
// drawing the button adds. Each figure is the median of seven batches of `rounds`, after a
// warm-up; the batches of the three measures take turns.
//
//   ./dev bench-button [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "ButtonArt.h"
#include "forms/Forms.h"
#include "widgets/GsButton.h"

namespace {

const int kWidth = 97, kHeight = 28;

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return double(b.QuadPart - a.QuadPart) / double(freq.QuadPart);
}

// Median microseconds per call of each of a list of routines. Their batches take turns,
// so a machine busy with other work weighs on all of them alike.
std::vector<double> Microseconds(int rounds, const std::vector<std::function<void()>>& routines)
{
    const int batches = 7;
    std::vector<std::vector<double>> times(routines.size());
    for (auto& f : routines)
        for (int i = 0; i < rounds / 10 + 1; ++i)
            f();
    for (int n = 0; n < batches; ++n) {
        for (size_t k = 0; k < routines.size(); ++k) {
            LARGE_INTEGER a, b;
            QueryPerformanceCounter(&a);
            for (int i = 0; i < rounds; ++i)
                routines[k]();
            QueryPerformanceCounter(&b);
            times[k].push_back(Seconds(a, b) * 1e6 / rounds);
        }
    }
    std::vector<double> medians;
    for (auto& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[batches / 2]);
    }
    return medians;
}

// The yardstick: a windowed control that paints by copying a finished picture.
class PlainControl : public TCustomControl {
public:
    explicit PlainControl(TComponent* owner) : TCustomControl(owner)
    {
        SetControlStyle(ControlStyle() + TControlStyle{csOpaque}); // no erase, as the button
        widgets_test::Fill(m_picture, kWidth, kHeight, clBlack);
    }

protected:
    void Paint() override
    {
        BitBlt(Canvas()->Handle(), 0, 0, kWidth, kHeight, m_picture.Canvas()->Handle(), 0, 0, SRCCOPY);
    }

private:
    TBitmap m_picture;
};

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(50, 50, 300, 150);
    std::unique_ptr<TBitmap> page(widgets_test::BackgroundPicture(300, 150));
    auto* button = new GsButton(form);
    button->SetParent(form);
    button->Appearance()->SetRaised(
        std::unique_ptr<TBitmap>(widgets_test::GlossyButtonImage(kWidth, kHeight, 9, 0xB0702A)).get());
    button->SetLeft(40);
    button->SetTop(40);
    button->SetInputBkgnd(page.get());
    button->Font()->SetName(L"Microsoft Sans Serif");
    button->Font()->SetColor(TColor(0xEFEFEF));
    button->TextEffect()->Raised()->SetRadius(3);
    button->TextEffect()->Raised()->SetColor(TColor(0x402008));
    button->SetCaption(L"Next");
    auto* plain = new PlainControl(form);
    plain->SetParent(form);
    plain->SetBounds(160, 40, kWidth, kHeight);
    form->Show();
    Application->ProcessMessages();

    TBitmap offscreen;
    widgets_test::Fill(offscreen, kWidth, kHeight, clBlack);
    std::vector<double> t = Microseconds(rounds, {
                                                     [&] { button->Invalidate(), button->Update(); },
                                                     [&] { plain->Invalidate(), plain->Update(); },
                                                     [&] { button->RenderTo(&offscreen, false); },
                                                 });
    double full = t[0], bare = t[1], render = t[2];

    std::printf("button repaint, %d x %d, glowing caption   : %8.1f us\n", kWidth, kHeight, full);
    std::printf("plain control repaint, blit of %d x %d     : %8.1f us\n", kWidth, kHeight, bare);
    std::printf("what the drawn button adds                : %8.1f us\n", full - bare);
    std::printf("ratio                                     : %8.1f\n", bare > 0 ? full / bare : 0.0);
    std::printf("  rendering alone (no window)             : %8.1f us\n", render);
    delete form;
    return 0;
}
