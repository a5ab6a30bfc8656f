#pragma once
// The wizard's page form: a source page, a target page and the progress page, walked
// through one row of PageFlowTable. Its page flow lives in Main.cpp, the source and
// target choice in MainSelect.cpp, the job and its progress in MainJob.cpp.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/JobRecord.h"
#include "forms/Buttons.h"
#include "forms/ComCtrls.h"
#include "forms/Dialogs.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/WizardForm.h"

class GsButton;
class ThdDvdSize;
class TOperationThd;

// The pages; 15 stands for a cancel requested on the progress page (nothing is drawn).
enum WizardPage {
    wpSelectDvd = 0,
    wpSelectUsb = 1,
    wpProgress = 2,
    wpSelectIsoFile = 3,
    wpSelectIsoFolder = 4,
    wpCancelRequested = 15,
};

// Row: the flow (0 disc to USB, 1 disc to ISO, 2 image to USB, 3 image to ISO).
extern const int32_t PageFlowTable[4][3];

class TMainForm : public TWizardForm {
public:
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // Components, as laid out at design time.
    TImage* Image1;
    TLabel* lblNote;
    TImage* img_refresh1;
    TImage* img_refresh2;
    TImage* img_refresh3;
    TPanel* panSelectDVD;
    TSplitter* Splitter1;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* lblDVDTitle;
    TComboBox* cmbDVDlist;
    TLabel* lblWait;
    TPanel* panSelectUsb;
    TSplitter* Splitter2;
    TLabel* Label4;
    TLabel* Label5;
    TLabel* Label6;
    TComboBox* cmbUsbList;
    TCheckBox* CheckBox_NVMe;
    TLabel* Label_NVMe;
    TSpeedButton* btnRefresh;
    TPanel* panMainScreen;
    TSplitter* Splitter3;
    TLabel* lblScreenTitle;
    TLabel* Label1;
    TProgressBar* pbDism;
    TLabel* lblPercent;
    TLabel* Label7;
    TLabel* lblStatus;
    TLabel* lblState;
    TPanel* Panel_SrcISO;
    TSplitter* Splitter4;
    TLabel* Label8;
    TLabel* Label9;
    TEdit* EdtISOPathsrc;
    TButton* btnBrowerISO;
    TPanel* Panel_DstISO;
    TSplitter* Splitter5;
    TLabel* Label10;
    TLabel* Label11;
    TEdit* EdtISOPathdst;
    TButton* btnBrowser;
    TCheckBox* CheckBox_USBODD;
    TCheckBox* CheckBox_ISO_NVME;
    TLabel* Label_USBODD;
    TButton* btnNext;
    TButton* btnBack;
    TOpenDialog* OpenDialog1;
    TTimer* Timer1;

    // Published event handlers.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void btnNextClick(TObject* Sender);
    void btnBackClick(TObject* Sender);
    void btnRefreshClick(TObject* Sender);
    void BtnRefreshClick(TObject* Sender);
    void cmbDVDlistChange(TObject* Sender);
    void cmbUsbListChange(TObject* Sender);
    void btnBrowserClick(TObject* Sender);
    void btnBrowerISOClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);

    // The drawn buttons' click handlers.
    void BtnNextClick(TObject* Sender);
    void BtnBackClick(TObject* Sender);
    void BtnBrowserClick(TObject* Sender);
    void BtnBrowerISOClick(TObject* Sender);

    // Page flow.
    void SetDlgType(int32_t mode);
    void ShowPage(int32_t page);
    void SetupPage(int32_t page);
    void HideAllPanels();
    bool ConfirmFormat();
    void ApplyConfig();

    // Source and target choice.
    void ListLogicalDrives();
    void RefreshDvdList();
    void StartDvdSizeThread();
    void StartDvdMeasure();
    // One pass over path, run by the source-size thread: the size in MB.
    int MeasureDvdSize(const String& path);
    // The control changes around a pass, on the UI thread.
    void DvdPassBegins();
    void DvdPassEnds();
    void RefreshUsbList();
    int32_t ParseUsbCapacity(const String& text);
    String BrowseForFolder(const String& title);

    // Job start, progress and finish.
    void StartOperation();
    void WMWimImageCount(TMessage& message);
    void WMStepProgress(TMessage& message);
    // The worker's result on the UI thread: the status text, then Finish.
    void UpdateResult(int32_t code);
    void Finish(int32_t code);
    // A path that does not fit the job record: told, and back to the target page.
    void RefuseStart(const String& path);

    void Dispatch(TMessage& message) override;

    // Own fields.
    std::atomic<bool> m_bDvdSizeDone;
    std::vector<String> m_DriveList;
    std::vector<TPanel*> m_Panels;
    int32_t m_Page;
    String m_SourcePath;
    String m_TargetPath;
    GsButton* m_btnNext;
    GsButton* m_btnBack;
    GsButton* m_btnBrowser;
    GsButton* m_btnBrowerISO;
    GsButton* m_btnRefresh;
    int32_t m_DlgType;
    int32_t m_DvdSizeMB;
    int64_t m_UsbSizeMB;
    String m_TmpPath;
    ThdDvdSize* m_pThdDvdSize;
    TOperationThd* m_pOperationThd;
    int32_t m_WimStepCount;
    // The root kept with each optical-drive item, in list order.
    std::vector<String> m_DvdRoots;
    // The current run's job record: freed only after the worker that reads it.
    std::unique_ptr<_WIN7_OPERAT_INFO> m_pJobInfo;

private:
    // The text of a key in the system's language.
    static String T(const wchar_t* key);
    void BuildLayout();
    // The percentage right-aligned in the width of "100" in its font, with the "%" after it.
    void FitPercent();
    // The system menu's Close item: enabled, or greyed (and then refused by the form).
    void SetCloseEnabled(bool enabled);
    void ShowPanel(TPanel* panel);
    void ShowButtons(bool back);
    // The column of m_Page in the current row; -1 when it is not there.
    int PageColumn() const;
};

// The class library's formatted text of a percentage ("%i").
String FormatPercent(int32_t value);

extern TMainForm* MainForm;
