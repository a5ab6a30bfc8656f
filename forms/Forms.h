#pragma once
// Forms and the application object.
//
// A form is a top-level window. Its OnCreate fires once its construction has finished:
// Application->CreateForm fires it right after the constructor; a form made with new
// inside another form's constructor gets it when control returns to the library (when
// CreateForm ends, the form is first shown, or the message loop runs), in the order the
// forms were made. A form made visible while CreateForm constructs it is shown after its
// OnCreate; otherwise showing a form first fires the OnCreate still due.
// OnShow fires on every change from hidden to visible, before the window appears.
#include <windows.h>

#include <functional>

#include "forms/Controls.h"
#include "forms/FormsInternal.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
typedef TFormBorderStyle TBorderStyle;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

typedef int TModalResult;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrClose = IDCLOSE;

// Posted to a form by Release: the form frees itself when it arrives.
constexpr UINT CM_RELEASE = CM_BASE + 0x21;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return m_borderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition value) { m_position = value; }
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool value) { m_keyPreview = value; }
    TModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TModalResult value) { m_modalResult = value; }
    // Kept for layouts that set it; forms are never scaled.
    bool Scaled() const { return m_scaled; }
    void SetScaled(bool value) { m_scaled = value; }

    void SetVisible(bool value) override;
    bool Showing() const override;
    void Show();
    void Hide() { SetVisible(false); }
    // Asks OnCloseQuery, then OnClose with the action caHide. The main form's close ends
    // the message loop; another form is hidden (caHide), minimised or freed as the
    // action says; caNone keeps it.
    void Close();
    // Frees the form once the messages now queued have been handled.
    void Release();
    // A message box owned by this form's window (none when it has no window), through
    // the library's message-box hook like every box of the library.
    int MessageBox(const String& text, const String& caption, UINT flags);
    bool CloseQuery();
    TRect ClientRect() override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void Dispatch(TMessage& message) override;

protected:
    friend void forms_internal::FlushPendingFormCreates();
    void CreateParams(TCreateParams& params) override;
    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    // A close asked for by the user is refused while the system menu's Close is greyed.
    bool CloseItemGreyed();

private:
    void ApplyPosition();
    void FinishCreate();

    TFormBorderStyle m_borderStyle = bsSizeable;
    TBorderIcons m_borderIcons;
    TPosition m_position = poDesigned;
    bool m_keyPreview = false;
    bool m_scaled = true;
    bool m_shownOnce = false;
    bool m_showAfterCreate = false;
    bool m_queryingParams = false;
    TModalResult m_modalResult = mrNone;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// Every message box of the library (Application->MessageBox, a form's MessageBox,
// ShowMessage, the exception display) goes through here, so tests can answer them. Any
// thread may show one; an empty hook restores the system's box.
using FormsMessageBoxHook =
    std::function<int(HWND owner, const String& text, const String& caption, UINT flags)>;
void SetFormsMessageBoxHook(FormsMessageBoxHook hook);
int FormsMessageBox(HWND owner, const String& text, const String& caption, UINT flags);

using TExceptionEvent = TEvent<TObject*, Exception*>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // COM (single-threaded apartment), the common controls and GDI+.
    void Initialize();
    // Ends the application before the program returns from WinMain: frees every form
    // (the last made first, each while its window still exists, and with them the threads
    // they own), then the application window, GDI+ and COM. No window is made afterwards.
    // Call it on the UI thread; the destructor does it too, but static destruction runs
    // in no fixed order across files, so a program calls it itself:
    //     Application->Run();
    //     Application->Shutdown();
    //     return 0;
    void Shutdown();
    bool ShutDown() const { return m_shutDown; }
    // Makes a form owned by the application. reference is set before the constructor
    // runs, so code in the constructor reaches the form through it. The first form made
    // becomes the main form.
    template <class T>
    void CreateForm(T*& reference)
    {
        void* memory = ::operator new(sizeof(T));
        reference = static_cast<T*>(memory);
        BeginCreateForm(memory);
        T* form = nullptr;
        try {
            form = new (memory) T(this);
        } catch (...) {
            reference = nullptr;
            ::operator delete(memory);
            EndCreateForm(nullptr);
            throw;
        }
        EndCreateForm(form);
    }

    TCustomForm* MainForm() const { return m_mainForm; }
    // The main form owns the task-bar button (otherwise the hidden application window).
    bool MainFormOnTaskBar() const { return m_mainFormOnTaskBar; }
    void SetMainFormOnTaskBar(bool value) { m_mainFormOnTaskBar = value; }

    // Shows the main form and runs the message loop until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return m_terminated; }
    // Handles every message waiting now (and pending thread synchronisations).
    void ProcessMessages();
    // Handles one message, waiting for one when none is there.
    void HandleMessage();

    // The hidden application window (owner of the forms when the main form is not on the
    // task bar). Made on the UI thread; other threads get it only once it exists.
    HWND Handle();
    String Title() const;
    void SetTitle(const String& title) { m_title = title; }

    // Shows an exception's message in a box captioned with the title.
    void ShowException(Exception* e);
    // Shows the exception being handled (call inside a catch block): OnException when set.
    void HandleException(TObject* sender);
    int MessageBox(const String& text, const String& caption, UINT flags);

    TExceptionEvent OnException;

private:
    friend class TCustomForm;
    friend void forms_internal::ResetApplicationTermination();
    friend void forms_internal::WakeMainThread();
    void BeginCreateForm(void* memory);
    void EndCreateForm(TCustomForm* form);
    bool ProcessMessage(MSG& msg);
    static LRESULT CALLBACK AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    TCustomForm* m_mainForm = nullptr;
    void* m_creatingMainForm = nullptr;
    int m_createDepth = 0;
    bool m_mainFormOnTaskBar = false;
    bool m_terminated = false;
    bool m_initialized = false;
    bool m_shutDown = false;
    HWND m_handle = nullptr;
    String m_title;
    ULONG_PTR m_gdiplusToken = 0;
};

extern TApplication* Application;
