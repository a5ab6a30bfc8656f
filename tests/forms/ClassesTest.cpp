// Strings, conversions, the component model and method-pointer events.
#include <gtest/gtest.h>

#include "forms/ControlTypes.h"
#include "forms/Graphics.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;

TEST(StrToInt, AcceptsWhatTheLibraryAccepts)
{
    EXPECT_EQ(0, StrToInt(L"0"));
    EXPECT_EQ(0, StrToInt(L"-0"));
    EXPECT_EQ(12, StrToInt(L"+12"));
    EXPECT_EQ(-12, StrToInt(L"  -12"));
    EXPECT_EQ(7634, StrToInt(L"07634"));
    EXPECT_EQ(2147483647, StrToInt(L"2147483647"));
    EXPECT_EQ(-2147483647 - 1, StrToInt(L"-2147483648"));
    EXPECT_EQ(31, StrToInt(L"$1F"));
    EXPECT_EQ(31, StrToInt(L"0x1f"));
    EXPECT_EQ(42, String(L"42").ToInt());
}

TEST(StrToInt, RejectsEverythingElseWithAConvertError)
{
    for (const wchar_t* text : {L"", L" ", L"-", L"+", L"12 ", L"1.5", L"abc", L"12a", L"2147483648",
                                L"-2147483649", L"99999999999999999999", L"0x", L"$", L"--1", L"1,000"}) {
        EXPECT_THROW(StrToInt(text), EConvertError) << ts::Narrow(text);
        EXPECT_EQ(-5, StrToIntDef(text, -5)) << ts::Narrow(text);
    }
    try {
        StrToInt(L"12 MB");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(String(L"'12 MB' is not a valid integer value"), e.Message());
        EXPECT_STREQ("'12 MB' is not a valid integer value", e.what());
    }
    EXPECT_EQ(3000000000LL, StrToInt64(L"3000000000"));
}

TEST(TrimAndFriends, DropBlanksAndControlCharactersOnly)
{
    EXPECT_EQ(String(L"a b"), Trim(L"  a b \t"));
    EXPECT_EQ(String(L"7634"), Trim(L"\r\n\x01 7634 \x1f"));
    EXPECT_EQ(String(), Trim(L" \t\r\n "));
    EXPECT_EQ(String(), Trim(L""));
    // Characters above the blank stay, also wide blanks.
    EXPECT_EQ(String(L"\u3000x\u00a0"), Trim(L" \u3000x\u00a0 "));
    EXPECT_EQ(String(L"x  "), TrimLeft(L"  x  "));
    EXPECT_EQ(String(L"  x"), TrimRight(L"  x  "));
}

TEST(StringHelpers, PositionsAndPaths)
{
    String item = L"E:\\ (Capacity 7634 MB )";
    EXPECT_EQ(6, item.Pos(L"Capacity"));
    EXPECT_EQ(0, item.Pos(L"GB"));
    EXPECT_EQ(String(L"Capacity"), item.SubString(6, 8));
    EXPECT_EQ(String(L"E:"), item.SubString(0, 3));
    EXPECT_EQ(String(), item.SubString(40, 2));
    EXPECT_EQ(String(L"C:\\a\\"), ExtractFilePath(L"C:\\a\\b.png"));
    EXPECT_EQ(String(L"C:"), ExtractFilePath(L"C:b.png"));
    EXPECT_EQ(String(), ExtractFilePath(L"b.png"));
    EXPECT_EQ(String(L"b.png"), ExtractFileName(L"C:\\a\\b.png"));
    EXPECT_EQ(String(L".png"), ExtractFileExt(L"C:\\a.b\\c.png"));
    EXPECT_EQ(String(), ExtractFileExt(L"C:\\a.b\\c"));
    EXPECT_EQ(String(L"-2147483648"), IntToStr(-2147483647 - 1));
    EXPECT_EQ(String(L"4294967295"), IntToStr(0xFFFFFFFFu));
    EXPECT_EQ(String(L"-5000000000"), IntToStr(-5000000000LL));
    // Concatenation keeps the String type, whatever the operands.
    String caption = L"Next";
    EXPECT_EQ(7, (caption + L" " + std::wstring(L"OK")).Length());
    EXPECT_EQ(6, (L'[' + caption + L']').Length());
    EXPECT_EQ(8, (caption + caption).Length());
    EXPECT_EQ(String(L"x"), String(AnsiString(String(L"x"))));

    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"f.txt", "x"));
    EXPECT_TRUE(FileExists(dir / L"f.txt"));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir / L"g.txt"));
    EXPECT_FALSE(FileExists(L""));
}

TEST(FormatText, TheFormatsInUse)
{
    EXPECT_EQ(String(L"42"), Format(L"%i", 42));
    EXPECT_EQ(String(L"E:\\"), Format(L"%c:\\", L'E'));
    EXPECT_EQ(String(L"D:\\"), Format(L"%c:\\", L'A' + 3));
    EXPECT_EQ(String(L"DismMountImage failed 0x80070005 : denied  "),
              Format(L"%s failed 0x%x : %s  ", L"DismMountImage", 0x80070005u, String(L"denied")));
    EXPECT_EQ(String(L"09:05:03.007 msg"), Format(L"%02d:%02d:%02d.%03d %s", 9, 5, 3, 7, L"msg"));
    EXPECT_EQ(String(L"100% [  ab]"), Format(L"%d%% [%4s]", 100, L"ab"));
    EXPECT_EQ(String(L"-1 4294967295"), Format(L"%d %u", -1, 0xFFFFFFFFu));
    EXPECT_THROW(Format(L"%d", L"text"), EConvertError);
    EXPECT_THROW(Format(L"%s", 5), EConvertError);
    EXPECT_THROW(Format(L"%d %d", 5), EConvertError);
    EXPECT_THROW(Format(L"%q", 5), EConvertError);
    EXPECT_THROW(Format(L"50%"), EConvertError);
}

TEST(Assertion, NamesTheExpression)
{
    int index = 3;
    try {
        FORMS_ASSERT(index < 2);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(String::npos, e.Message().find(L"index < 2"));
        EXPECT_NE(String::npos, e.Message().find(L"ClassesTest.cpp"));
    }
    try {
        FORMS_ASSERT_TEXT(index == 0, "bitmap->PixelFormat == pf32bit");
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(String::npos, e.Message().find(L"Assertion failed: bitmap->PixelFormat == pf32bit"));
    }
    FORMS_ASSERT(index == 3);
}

namespace gs {
class GsTextMargins : public TPersistent {
public:
    int Left = 0;
    void AssignTo(TPersistent* Dest) override
    {
        if (auto* d = dynamic_cast<GsTextMargins*>(Dest)) {
            d->Left = Left;
            return;
        }
        TPersistent::AssignTo(Dest);
    }
};
} // namespace gs

TEST(Assign, CallsTheSourcesAssignToOrRaises)
{
    gs::GsTextMargins a, b;
    a.Left = 7;
    b.Assign(&a);
    EXPECT_EQ(7, b.Left);
    EXPECT_EQ(String(L"GsTextMargins"), a.ClassName());

    TFont font;
    TBitmap bitmap;
    auto message = [](TPersistent* dest, TPersistent* source) -> String {
        try {
            dest->Assign(source);
        } catch (const EConvertError& e) {
            return e.Message();
        }
        return L"(no error)";
    };
    EXPECT_EQ(String(L"Cannot assign a TFont to a TBitmap"), message(&bitmap, &font));
    EXPECT_EQ(String(L"Cannot assign a TBitmap to a TFont"), message(&font, &bitmap));
    EXPECT_EQ(String(L"Cannot assign a GsTextMargins to a TFont"), message(&font, &a));
    EXPECT_EQ(String(L"Cannot assign a TFont to a GsTextMargins"), message(&a, &font));
    EXPECT_EQ(String(L"Cannot assign a nil to a TFont"), message(&font, nullptr));
}

namespace {

std::vector<std::wstring> g_log;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, const wchar_t* name) : TComponent(owner) { SetName(name); }
    ~Probe() override { g_log.push_back(L"~" + Name()); }
    void Loaded() override { g_log.push_back(L"loaded " + Name()); }
    void Notification(TComponent* c, TOperation op) override
    {
        g_log.push_back(Name() + (op == opInsert ? L" +" : L" -") + c->Name());
    }
};

} // namespace

TEST(Component, OwnerFreesWhatItOwnsLastFirst)
{
    g_log.clear();
    auto* form = new Probe(nullptr, L"form");
    auto* a = new Probe(form, L"a");
    auto* b = new Probe(form, L"b");
    new Probe(a, L"a1");
    EXPECT_EQ(2, form->ComponentCount());
    EXPECT_EQ(b, form->Components(1));
    EXPECT_EQ(1, b->ComponentIndex());
    EXPECT_EQ(-1, form->ComponentIndex());
    EXPECT_EQ(a, form->FindComponent(L"A"));
    EXPECT_THROW(form->Components(2), EListError);

    form->BeginLoading();
    EXPECT_TRUE(a->ComponentState().Contains(csReading));
    EXPECT_TRUE(form->Components(0)->Components(0)->ComponentState().Contains(csLoading));
    form->EndLoading();
    EXPECT_FALSE(a->ComponentState().Contains(csReading));

    // An owned component freed on its own leaves its owner's list.
    delete b;
    EXPECT_EQ(1, form->ComponentCount());
    g_log.clear();
    delete form;
    EXPECT_EQ((std::vector<std::wstring>{L"~form", L"~a", L"~a1"}), g_log);
}

TEST(Component, NotificationsAndTag)
{
    g_log.clear();
    Probe owner(nullptr, L"owner");
    auto* c = new Probe(&owner, L"c");
    Probe watcher(nullptr, L"watcher");
    c->FreeNotification(&watcher);
    c->SetTag(2);
    EXPECT_EQ(2, c->Tag());
    delete c;
    EXPECT_EQ((std::vector<std::wstring>{L"owner +", L"~c", L"watcher -c", L"owner -c"}), g_log);
}

namespace {

class Receiver : public TObject {
public:
    int clicks = 0;
    TObject* sender = nullptr;
    void Click(TObject* s)
    {
        ++clicks;
        sender = s;
    }
    void Other(TObject*) {}
    void Key(TObject*, WORD& key, TShiftState shift)
    {
        if (shift.Contains(ssAlt) && key == VK_F4)
            key = 0;
    }
    void Mouse(TObject*, TMouseButton button, TShiftState, int x, int) const
    {
        lastButton = button;
        lastX = x;
    }
    mutable TMouseButton lastButton = mbRight;
    mutable int lastX = 0;
};

class DerivedReceiver : public Receiver {};

} // namespace

TEST(Events, BindCallCompareAndClear)
{
    Receiver r, s;
    TNotifyEvent e;
    EXPECT_TRUE(e == nullptr);
    EXPECT_FALSE(e);
    e(&r); // empty: nothing happens

    e = MakeEvent(&r, &Receiver::Click);
    EXPECT_TRUE(e != nullptr);
    e(&s);
    EXPECT_EQ(1, r.clicks);
    EXPECT_EQ(&s, r.sender);
    EXPECT_EQ(&r, e.Object());

    EXPECT_TRUE(e == MakeEvent(&r, &Receiver::Click));
    EXPECT_FALSE(e == MakeEvent(&s, &Receiver::Click));
    EXPECT_FALSE(e == MakeEvent(&r, &Receiver::Other));

    TNotifyEvent copy = e;
    copy(nullptr);
    EXPECT_EQ(2, r.clicks);
    e = nullptr;
    EXPECT_TRUE(e == nullptr);

    DerivedReceiver d;
    TNotifyEvent fromBase(&d, &Receiver::Click);
    fromBase(nullptr);
    EXPECT_EQ(1, d.clicks);

    TKeyEvent key = MakeEvent(&r, &Receiver::Key);
    WORD vk = VK_F4;
    key(&r, vk, TShiftState{ssAlt});
    EXPECT_EQ(0, vk);
    vk = VK_F4;
    key(&r, vk, TShiftState());
    EXPECT_EQ(VK_F4, vk);

    TMouseEvent mouse = MakeEvent(&r, &Receiver::Mouse);
    mouse(&r, mbLeft, TShiftState{ssLeft}, 17, 3);
    EXPECT_EQ(mbLeft, r.lastButton);
    EXPECT_EQ(17, r.lastX);
}

TEST(Sets, ShiftStatesAndStyles)
{
    TShiftState s;
    EXPECT_TRUE(s.Empty());
    s << ssLeft << ssShift;
    EXPECT_TRUE(s.Contains(ssLeft));
    EXPECT_FALSE(s.Contains(ssCtrl));
    s >> ssLeft;
    EXPECT_EQ(TShiftState{ssShift}, s);
    TFontStyles bold{fsBold};
    EXPECT_EQ((TFontStyles{fsBold, fsItalic}), bold + TFontStyles{fsItalic});
    TControlStyle style;
    style << csOpaque;
    EXPECT_TRUE(style.Contains(csOpaque));
}
