// Source and target choice on the wizard's pages 0, 1, 3 and 4. Plain first versions:
// they list the drives and let the pages be walked.
#include "ui/Main.h"

#include "engine/VolumeQuery.h"
#include "widgets/GsButton.h"

void TMainForm::ListLogicalDrives()
{
    m_DriveList.clear();
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (drives & (1u << i)) m_DriveList.push_back(Format(L"%c:\\", wchar_t(L'A' + i)));
    }
}

void TMainForm::RefreshDvdList()
{
    ListLogicalDrives();
    cmbDVDlist->Clear();
    for (const String& root : m_DriveList) {
        if (IsCdRomDrive(root)) cmbDVDlist->Items()->Add(root);
    }
    if (cmbDVDlist->Items()->Count() > 0) {
        cmbDVDlist->SetItemIndex(0);
        m_SourcePath = cmbDVDlist->Items()->Get(0);
    }
    m_btnNext->SetEnabled(true);
}

void TMainForm::cmbDVDlistChange(TObject*)
{
    if (cmbDVDlist->ItemIndex() >= 0) m_SourcePath = cmbDVDlist->Items()->Get(cmbDVDlist->ItemIndex());
}

void TMainForm::StartDvdSizeThread()
{
    m_btnNext->SetEnabled(false);
    m_bDvdSizeDone = false;
}

void TMainForm::StartDvdMeasure() {}

void TMainForm::MeasureDvdSize() {}

void TMainForm::Timer1Timer(TObject*) {}

void TMainForm::RefreshUsbList()
{
    ListLogicalDrives();
    cmbUsbList->Clear();
    for (const String& root : m_DriveList) {
        if (IsUSBBusDrive(root)) cmbUsbList->Items()->Add(root);
    }
    if (cmbUsbList->Items()->Count() > 0) {
        cmbUsbList->SetItemIndex(0);
        m_TargetPath = cmbUsbList->Text();
    }
    m_btnNext->SetEnabled(true);
}

void TMainForm::btnRefreshClick(TObject*) { RefreshUsbList(); }

void TMainForm::BtnRefreshClick(TObject*) { btnRefreshClick(nullptr); }

void TMainForm::cmbUsbListChange(TObject*) { m_TargetPath = cmbUsbList->Text(); }

int32_t TMainForm::ParseUsbCapacity(const String&) { return 0; }

void TMainForm::btnBrowerISOClick(TObject*) {}

void TMainForm::BtnBrowerISOClick(TObject*) { btnBrowerISOClick(nullptr); }

void TMainForm::btnBrowserClick(TObject*) {}

void TMainForm::BtnBrowserClick(TObject*) { btnBrowserClick(nullptr); }

String TMainForm::BrowseForFolder(const String&) { return String(); }
