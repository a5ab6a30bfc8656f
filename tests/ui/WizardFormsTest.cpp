// The mode dialog, the licence page and the wizard form driven in-process under Xvfb.
// The forms are made once, as the program makes them, and every test leaves the mode
// dialog showing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "UiTestSupport.h"
#include "engine/AppPaths.h"
#include "engine/BrindleImp.h"
#include "engine/MultiLang.h"
#include "forms/FormsInternal.h"
#include "hooks/TestHooks.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"
#include "ui/EulaDialog.h"
#include "ui/Form1_description.h"
#include "ui/Main.h"
#include "ui/Operationthd.h"
#include "widgets/GsButton.h"

using namespace ui_test;

namespace {

String T(const wchar_t* key) { return TranslateStr(key); }

testing_support::TempDir* g_folder = nullptr;

class WizardEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        Application->Initialize();
        Application->SetMainFormOnTaskBar(true);
        Boxes::Install();
        // Bind the translation DLL beside the test first; the forms then read their
        // configuration from a folder of the test's own.
        TranslateStr(L"Next");
        g_folder = new testing_support::TempDir();
        SetProgramFolderOverride(g_folder->Path());
        // Jobs the tests start keep their trace and work folders here.
        SetWorkingFolderOverride(testing_support::Narrow(g_folder->Path()));
        WriteConfig(g_folder->Path(), "1", {{"english", "eula_english.txt"}});
        testing_support::WriteBytes(g_folder->Path() + L"eula_english.txt",
                                    "First line of the licence.\r\nSecond line.\r\n");
        Application->CreateForm(dlgFirst);
        Pump(50);
    }
};

::testing::Environment* const g_env [[maybe_unused]] =
    ::testing::AddGlobalTestEnvironment(new WizardEnvironment());

class WizardForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        Boxes::Clear();
        WriteConfig(g_folder->Path(), "1", {{"english", "eula_english.txt"}});
        ASSERT_NE(nullptr, dlgFirst);
        dlgEULA->Hide();
        MainForm->Hide();
        dlgFirst->cmbMode->SetItemIndex(0);
        dlgFirst->cmbModeChange(nullptr);
        dlgFirst->Show();
        Pump(20);
    }
    void TearDown() override
    {
        // A test that ended the program starts the next one with a running loop again.
        forms_internal::ResetApplicationTermination();
    }

    static TPanel* VisiblePanel()
    {
        TPanel* shown = nullptr;
        for (TPanel* p : MainForm->m_Panels) {
            if (p->Visible()) {
                if (shown)
                    return nullptr; // two at once is a fault too
                shown = p;
            }
        }
        return shown;
    }

    static TPanel* PanelOfPage(int page)
    {
        switch (page) {
        case 0:
            return MainForm->panSelectDVD;
        case 1:
            return MainForm->panSelectUsb;
        case 2:
            return MainForm->panMainScreen;
        case 3:
            return MainForm->Panel_SrcISO;
        case 4:
            return MainForm->Panel_DstISO;
        default:
            return nullptr;
        }
    }

    static bool CloseGreyed(TCustomForm* form)
    {
        UINT state = GetMenuState(GetSystemMenu(form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
        return state != static_cast<UINT>(-1) && (state & MF_GRAYED) != 0;
    }

    // The image flow's progress page, on a job that ends at once: its source doesn't exist.
    static void ToProgressPage()
    {
        OpenWizard(1);
        MainForm->btnNextClick(nullptr);
        MainForm->m_SourcePath = MainForm->m_TargetPath = g_folder->Path() + L"none\\";
        MainForm->btnNextClick(nullptr);
    }

    // The job's end reported, and its worker gone before the test ends.
    static void WaitForJobEnd()
    {
        EXPECT_TRUE(
            PumpUntil([] { return MainForm->m_btnNext->Caption() != T(L"Cancel") || !MainForm->Visible(); }));
        delete MainForm->m_pOperationThd;
        MainForm->m_pOperationThd = nullptr;
    }

    static void OpenWizard(int mode)
    {
        dlgFirst->Hide();
        MainForm->Hide();
        MainForm->SetDlgType(mode);
        MainForm->SetVisible(true);
        Pump(20);
    }
};

} // namespace

TEST_F(WizardForms, FormsMadeInTheModeDialogFindItsPictures)
{
    // The licence page and the wizard make their buttons from the mode dialog's pictures,
    // which they reach through its global while it is still being constructed.
    ASSERT_NE(nullptr, dlgEULA);
    ASSERT_NE(nullptr, MainForm);
    for (GsButton* b : {dlgFirst->m_btnNext, dlgEULA->m_btnNext, dlgEULA->m_btnBack, MainForm->m_btnNext,
                        MainForm->m_btnBack, MainForm->m_btnBrowser, MainForm->m_btnBrowerISO}) {
        ASSERT_NE(nullptr, b);
        EXPECT_EQ(97, b->Width());
        EXPECT_EQ(28, b->Height());
        EXPECT_EQ(28, b->Appearance()->Disabled()->Height());
    }
    // A disabled Next shows the page at its corners (the picture's edge blends in a trace
    // of itself) and its own rim, not a white band, on its bottom rows.
    TBitmap shot;
    MainForm->m_btnNext->SetEnabled(false);
    MainForm->m_btnNext->PaintToBitmap(&shot);
    const int page = ColorToRGB(MainForm->Color()) & 0xFF;
    auto offPage = [&](int x, int y) { return std::abs(int(shot.Canvas()->Pixels(x, y) & 0xFF) - page); };
    for (TPoint p : {TPoint(0, 0), TPoint(96, 0), TPoint(0, 27), TPoint(96, 27)})
        EXPECT_LE(offPage(p.x, p.y), 6);
    for (int y : {26, 27})
        EXPECT_TRUE(offPage(48, y) > 40 && shot.Canvas()->Pixels(48, y) != 0xFFFFFF) << y;
    ASSERT_NE(nullptr, MainForm->m_btnRefresh);
    EXPECT_EQ(22, MainForm->m_btnRefresh->Width());
    EXPECT_EQ(Application->MainForm(), dlgFirst);
}

TEST_F(WizardForms, ModeNoteAndNextPerIndex)
{
    TComboBox* modes = dlgFirst->cmbMode;
    ASSERT_EQ(2, modes->Items()->Count());
    EXPECT_EQ(T(L"ODDToUSB"), modes->Items()->Get(0));
    EXPECT_EQ(T(L"ODDToISO"), modes->Items()->Get(1));
    // The two further modes exist only in the table: add their rows for this test.
    modes->Items()->Add(L"image to USB");
    modes->Items()->Add(L"image to image");
    struct Row {
        int index;
        String note;
        bool next;
    } rows[] = {
        {0, T(L"Note") + L"\n" + T(L"USB Note"), true},        {1, String(), true},
        {2, L"Note:\nISO To USB, Need USB disk/flash", false}, {3, L"Note:\nISO To ISO", false},
        {0, T(L"Note") + L"\n" + T(L"USB Note"), true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        modes->SetItemIndex(r.index);
        dlgFirst->cmbModeChange(modes);
        EXPECT_EQ(r.note, dlgFirst->lblNote->Caption());
        EXPECT_EQ(r.next, dlgFirst->m_btnNext->Enabled());
    }
    modes->Items()->Delete(3);
    modes->Items()->Delete(2);
}

TEST_F(WizardForms, NextFollowsTheConfiguration)
{
    struct Row {
        const char* name;
        const char* isShowEula; // null: no config.xml at all
        int mode;
        bool licence;
    } rows[] = {
        {"licence asked for", "1", 0, true},
        {"licence hidden", "0", 1, false},
        {"no entry", "", 1, true},
        {"no config.xml", nullptr, 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SetUp();
        if (r.isShowEula)
            WriteConfig(g_folder->Path(), r.isShowEula, {{"english", "eula_english.txt"}});
        else
            DeleteFileW((g_folder->Path() + L"config.xml").c_str());
        dlgFirst->cmbMode->SetItemIndex(r.mode);
        dlgFirst->BtnNextClick(nullptr);
        Pump(20);
        EXPECT_FALSE(dlgFirst->Visible());
        EXPECT_EQ(r.licence, dlgEULA->Visible());
        EXPECT_EQ(!r.licence, MainForm->Visible());
        if (r.licence)
            EXPECT_EQ(r.mode, dlgEULA->DlgType());
        else
            EXPECT_EQ(r.mode, MainForm->m_DlgType);
    }
}

TEST_F(WizardForms, NextButtonClickedWithTheMouse)
{
    // The drawn button reaches the handler: a real click on the mode dialog's Next.
    dlgFirst->Show();
    SetForegroundWindow(dlgFirst->Handle());
    Pump(50);
    TPoint centre = dlgFirst->m_btnNext->ClientToScreen(
        TPoint(dlgFirst->m_btnNext->Width() / 2, dlgFirst->m_btnNext->Height() / 2));
    SetCursorPos(centre.x, centre.y);
    Pump(30);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    EXPECT_TRUE(PumpUntil([] { return dlgEULA->Visible(); }));
    EXPECT_FALSE(dlgFirst->Visible());
}

TEST_F(WizardForms, LicenceAgreementAskedOnEveryShow)
{
    dlgFirst->BtnNextClick(nullptr);
    ASSERT_TRUE(dlgEULA->Visible());
    EXPECT_FALSE(dlgEULA->CheckBox1->Checked());
    EXPECT_FALSE(dlgEULA->m_btnNext->Enabled());
    EXPECT_EQ(T(L"I agree"), dlgEULA->CheckBox1->Caption());
    EXPECT_EQ(T(L"Tool Description"), dlgEULA->Label1->Caption());
    ASSERT_GE(dlgEULA->EULAMemo->Lines()->Count(), 2);
    EXPECT_EQ(L"First line of the licence.", dlgEULA->EULAMemo->Lines()->Get(0));

    dlgEULA->CheckBox1->SetChecked(true);
    EXPECT_TRUE(dlgEULA->m_btnNext->Enabled());
    dlgEULA->CheckBox1->SetChecked(false);
    EXPECT_FALSE(dlgEULA->m_btnNext->Enabled());
    dlgEULA->CheckBox1->SetChecked(true);

    dlgEULA->BtnBackClick(nullptr);
    EXPECT_TRUE(dlgFirst->Visible());
    EXPECT_FALSE(dlgEULA->Visible());
    dlgFirst->BtnNextClick(nullptr);
    EXPECT_FALSE(dlgEULA->CheckBox1->Checked());
    EXPECT_FALSE(dlgEULA->m_btnNext->Enabled());

    // Agreed, Next hands the mode on to the wizard, which opens at its first page.
    dlgEULA->CheckBox1->SetChecked(true);
    dlgEULA->BtnNextClick(nullptr);
    Pump(20);
    EXPECT_FALSE(dlgEULA->Visible());
    EXPECT_TRUE(MainForm->Visible());
    EXPECT_EQ(0, MainForm->m_DlgType);
    EXPECT_EQ(MainForm->panSelectDVD, VisiblePanel());
}

TEST_F(WizardForms, AltF4OnTheLicencePageIsSwallowed)
{
    dlgFirst->BtnNextClick(nullptr);
    ASSERT_TRUE(dlgEULA->Visible());
    SetForegroundWindow(dlgEULA->Handle());
    dlgEULA->EULAMemo->SetFocus();
    Pump(50);
    INPUT in[4] = {};
    for (INPUT& i : in)
        i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_MENU;
    in[1].ki.wVk = VK_F4;
    in[2].ki.wVk = VK_F4;
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_MENU;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
    Pump(300);
    EXPECT_TRUE(dlgEULA->Visible());
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(WizardForms, ClosingTheLicencePageEndsTheProgram)
{
    dlgFirst->BtnNextClick(nullptr);
    ASSERT_TRUE(dlgEULA->Visible());
    SendMessageW(dlgEULA->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(WizardForms, LicenceHeldOpenByAnotherProgram)
{
    const std::wstring path = g_folder->Path() + L"held.txt";
    testing_support::WriteBytes(path, "Licence.\r\n");
    WriteConfig(g_folder->Path(), "1", {{"english", "held.txt"}});
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::unique_ptr<TdlgEULA> page(new TdlgEULA(nullptr));
    CloseHandle(held);
    EXPECT_EQ(0, page->EULAMemo->Lines()->Count());
    const std::wstring trace = testing_support::TraceText(g_folder->Path());
    EXPECT_NE(std::wstring::npos,
              trace.find(L"[TdlgEULA] licence not read: Cannot open file \"" + path + L"\". " +
                         String(SysErrorMessage(ERROR_SHARING_VIOLATION)).c_str()));
}

TEST_F(WizardForms, BackAndNextThroughEveryRow)
{
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        OpenWizard(row);
        int first = PageFlowTable[row][0], second = PageFlowTable[row][1];
        EXPECT_EQ(first, MainForm->m_Page);
        EXPECT_EQ(PanelOfPage(first), VisiblePanel());
        EXPECT_TRUE(MainForm->m_btnBack->Visible());
        EXPECT_FALSE(CloseGreyed(MainForm));

        MainForm->btnNextClick(nullptr);
        EXPECT_EQ(second, MainForm->m_Page);
        EXPECT_EQ(PanelOfPage(second), VisiblePanel());
        EXPECT_EQ(1, MainForm->m_btnNext->Tag());
        EXPECT_EQ(180, VisiblePanel()->Left());
        EXPECT_EQ(205, VisiblePanel()->Height());

        MainForm->btnBackClick(nullptr);
        EXPECT_EQ(first, MainForm->m_Page);
        EXPECT_EQ(PanelOfPage(first), VisiblePanel());
        EXPECT_EQ(T(L"Next"), MainForm->m_btnNext->Caption());

        // Back from the first page returns to the mode dialog, never to the licence page.
        MainForm->btnBackClick(nullptr);
        EXPECT_FALSE(MainForm->Visible());
        EXPECT_TRUE(dlgFirst->Visible());
        EXPECT_FALSE(dlgEULA->Visible());
    }
}

TEST_F(WizardForms, FormatDeclinedReturnsToTheTargetPage)
{
    ASSERT_TRUE(Win7InsCreator::HasFormatStep(0));
    OpenWizard(0);
    MainForm->btnNextClick(nullptr);
    ASSERT_EQ(1, MainForm->m_Page);
    MainForm->m_TargetPath = L"E:\\ (Capacity 7634 MB )";
    Boxes::Answer(IDNO);
    MainForm->btnNextClick(nullptr);
    ASSERT_EQ(1u, Boxes::Shown().size());
    const Box& box = Boxes::Shown()[0];
    EXPECT_EQ(T(L"Format warning1") + L" " + L"E:\\ (Capacity 7634 MB )" + L" " + T(L"Format warning2"),
              String(box.text));
    EXPECT_EQ(T(L"Warning"), String(box.caption));
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), box.flags & 0xF);
    EXPECT_EQ(MainForm->Handle(), box.owner);
    EXPECT_EQ(MainForm->panSelectUsb, VisiblePanel());
    EXPECT_EQ(T(L"Next"), MainForm->m_btnNext->Caption());
    EXPECT_FALSE(CloseGreyed(MainForm));
    MainForm->btnBackClick(nullptr);
    MainForm->btnBackClick(nullptr);
}

TEST_F(WizardForms, ProgressPageRolesOfNext)
{
    // The image flow has no format step: Next on page 4 goes straight to the progress page.
    // Nothing is pumped before the roles are checked, so the job can't report in between.
    ASSERT_FALSE(Win7InsCreator::HasFormatStep(1));
    ToProgressPage();
    EXPECT_TRUE(Boxes::Shown().empty());
    EXPECT_EQ(2, MainForm->m_Page);
    EXPECT_EQ(MainForm->panMainScreen, VisiblePanel());
    EXPECT_FALSE(MainForm->m_btnBack->Visible());
    EXPECT_TRUE(MainForm->m_btnNext->Enabled());
    EXPECT_EQ(T(L"Cancel"), MainForm->m_btnNext->Caption());

    // Close is greyed and refused, by the box and by the system menu.
    EXPECT_TRUE(CloseGreyed(MainForm));
    SendMessageW(MainForm->Handle(), WM_CLOSE, 0, 0);
    SendMessageW(MainForm->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(MainForm->Visible());
    EXPECT_FALSE(Application->Terminated());

    // Cancel: no page is drawn, the request may be repeated.
    MainForm->btnNextClick(nullptr);
    EXPECT_EQ(15, MainForm->m_Page);
    EXPECT_EQ(2, MainForm->m_btnNext->Tag());
    EXPECT_EQ(MainForm->panMainScreen, VisiblePanel());
    MainForm->btnNextClick(nullptr);
    EXPECT_EQ(15, MainForm->m_Page);
    MainForm->btnBackClick(nullptr); // nothing on a cancelled page
    EXPECT_TRUE(MainForm->Visible());
    WaitForJobEnd();

    // Exit: the caption alone decides, and the program ends.
    MainForm->Show();
    MainForm->m_btnNext->SetCaption(T(L"Exit"));
    MainForm->btnNextClick(nullptr);
    EXPECT_TRUE(Application->Terminated());

    // A new run starts from the first page with Close enabled again.
    OpenWizard(1);
    EXPECT_FALSE(CloseGreyed(MainForm));
    EXPECT_EQ(T(L"Next"), MainForm->m_btnNext->Caption());
    MainForm->btnBackClick(nullptr);
}

TEST_F(WizardForms, AWorkerThatCannotBeMadeFailsTheJob)
{
    SetOperationThdMaker([](bool, bool, const _WIN7_OPERAT_INFO*, int, HWND) -> TOperationThd* {
        throw EOSError(L"Not enough memory resources are available to process this command.");
    });
    ToProgressPage();
    SetOperationThdMaker(nullptr);
    EXPECT_EQ(T(L"Operation failed"), MainForm->lblState->Caption());
    EXPECT_EQ(T(L"Exit"), MainForm->m_btnNext->Caption());
    MainForm->Hide();
}

TEST_F(WizardForms, LanguageLayout)
{
    const std::string lang = ExpectedLanguage();
    const String face = lang == "japanese" ? L"MS UI Gothic" : L"Microsoft Sans Serif";
    EXPECT_EQ(lang == "japanese", IsJapaneseSystem());
    EXPECT_EQ(face, dlgFirst->Font()->Name());
    EXPECT_EQ(face, dlgFirst->cmbMode->Font()->Name());
    EXPECT_EQ(L"Tahoma", dlgFirst->lblNote->Font()->Name());
    EXPECT_EQ(L"Tahoma", dlgFirst->Label6->Font()->Name());
    EXPECT_EQ(face, dlgEULA->Font()->Name());
    EXPECT_EQ(L"Microsoft Sans Serif", dlgEULA->EULAMemo->Font()->Name());
    EXPECT_EQ(face, MainForm->Font()->Name());
    EXPECT_EQ(L"Microsoft Sans Serif", MainForm->lblNote->Font()->Name());
    EXPECT_EQ(L"Microsoft Sans Serif", MainForm->cmbUsbList->Font()->Name());
    EXPECT_EQ(L"Tahoma", MainForm->Label9->Font()->Name());

    const bool es = lang == "spanish", fr = lang == "french";
    EXPECT_EQ(es ? 11 : 26, MainForm->Label4->Top());
    EXPECT_EQ(es ? 11 : 26, MainForm->Label5->Top());
    EXPECT_EQ(es || fr ? 0 : 15, MainForm->Label10->Top());
    EXPECT_EQ(es || fr ? 0 : 15, MainForm->Label11->Top());
    EXPECT_EQ(L"BrindleSln 1.0", MainForm->Caption());
}

TEST_F(WizardForms, LicenceFilesInTheirEncodings)
{
    // UTF-16 with its mark, and the ANSI code page; a language without an entry of its
    // own falls back to the English one.
    const std::string lang = ExpectedLanguage();
    struct Row {
        const char* name;
        std::string bytes;
        String firstLine;
    } rows[] = {
        {"utf-16", std::string("\xFF\xFE", 2) + std::string("L\0i\0c\0\xE9\0n\0c\0e\0\r\0\n\0", 18),
         L"Lic\u00E9nce"},
        {"ansi", "caf" + testing_support::Narrow(L"\u00E9") + " terms\r\n", L"caf\u00E9 terms"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        testing_support::WriteBytes(g_folder->Path() + L"licence.txt", r.bytes);
        WriteConfig(g_folder->Path(), "1", {{"english", "licence.txt"}});
        std::unique_ptr<TdlgEULA> page(new TdlgEULA(nullptr));
        ASSERT_EQ(1, page->EULAMemo->Lines()->Count());
        if (std::string(r.name) == "ansi" && lang == "japanese")
            continue; // no é in code page 932
        EXPECT_EQ(r.firstLine, page->EULAMemo->Lines()->Get(0));
    }
    // No entry and no English one: the page comes up with an empty memo.
    WriteConfig(g_folder->Path(), "1", {{"klingon", "licence.txt"}});
    std::unique_ptr<TdlgEULA> page(new TdlgEULA(nullptr));
    EXPECT_EQ(0, page->EULAMemo->Lines()->Count());
}

namespace {

// Every visible label's text, measured as the label draws it, inside the container's client
// area (and inside a label that doesn't size itself), no two texts touching; then the
// form's picture is saved.
void ExpectTextsFit(TWinControl* container, const std::wstring& shot)
{
    SCOPED_TRACE(testing_support::Narrow(shot));
    std::vector<TRect> seen;
    HDC dc = CreateCompatibleDC(nullptr);
    for (int i = 0; i < container->ControlCount(); ++i) {
        auto* label = dynamic_cast<TCustomLabel*>(container->Controls(i));
        if (!label || !label->Visible() || label->Caption().IsEmpty())
            continue;
        SelectObject(dc, label->Font()->Handle());
        RECT t{0, 0, label->WordWrap() ? label->Width() : 0, 0};
        ::DrawTextW(dc, label->Caption().c_str(), -1, &t,
                    DT_CALCRECT | (label->WordWrap() ? DT_WORDBREAK : 0));
        int left =
            label->Alignment() == taRightJustify ? label->Left() + label->Width() - t.right : label->Left();
        const TRect r(left, label->Top(), left + t.right, label->Top() + t.bottom);
        const TRect bounds = label->AutoSize() ? container->ClientRect() : label->BoundsRect();
        const std::string name = testing_support::Narrow(String(label->Caption()));
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= container->ClientWidth() &&
                    r.bottom <= container->ClientHeight() && r.right <= bounds.right &&
                    r.bottom <= bounds.bottom)
            << name << " runs to " << r.right << ", " << r.bottom;
        for (const TRect& o : seen)
            EXPECT_FALSE(r.top < o.bottom && o.top < r.bottom && r.left < o.right + 2 && o.left < r.right + 2)
                << name;
        seen.push_back(r);
    }
    DeleteDC(dc);
    if (auto* form = dynamic_cast<TCustomForm*>(container))
        SaveScreenshot(form, shot);
}

} // namespace

TEST_F(WizardForms, EveryTextFitsItsPage)
{
    const std::string lang = ExpectedLanguage();
    const std::wstring prefix = L"wizard_" + std::wstring(lang.begin(), lang.end()) + L"_";
    ExpectTextsFit(dlgFirst, prefix + L"mode");
    dlgFirst->BtnNextClick(nullptr);
    dlgEULA->CheckBox1->SetChecked(true);
    ExpectTextsFit(dlgEULA, prefix + L"licence");
    dlgEULA->BtnBackClick(nullptr);
    struct Shot {
        int mode;
        int nexts;
        const wchar_t* name;
    } shots[] = {
        {0, 0, L"page0_dvd"}, {0, 1, L"page1_usb"}, {3, 0, L"page3_iso_file"}, {1, 1, L"page4_iso_folder"}};
    for (const Shot& s : shots) {
        OpenWizard(s.mode);
        for (int i = 0; i < s.nexts; ++i)
            MainForm->btnNextClick(nullptr);
        ExpectTextsFit(VisiblePanel(), s.name);
        ExpectTextsFit(MainForm, prefix + s.name);
    }
    // The progress page at its fullest: both captions, a long status and 100 %.
    ToProgressPage();
    WaitForJobEnd();
    MainForm->lblPercent->SetCaption(FormatPercent(100));
    MainForm->lblState->SetCaption(T(L"Adding driver") + T(L"Operation failed"));
    for (const wchar_t* caption : {L"ISO Step3 Caption", L"USB Step3 Caption"}) {
        MainForm->Label1->SetCaption(T(caption));
        ExpectTextsFit(MainForm->panMainScreen, caption);
    }
    ExpectTextsFit(MainForm, prefix + L"page2_progress");
    MainForm->m_btnNext->SetCaption(T(L"Exit"));
    MainForm->btnNextClick(nullptr);
    MainForm->Hide();
}
