// TMainForm's source and target pages: the optical-drive and USB lists, the source-size
// pass, the image-file and folder choices.
#include "ui/Main.h"

#include "widgets/GsButton.h"

#include "engine/FileUtil.h"
#include "engine/MultiLang.h"
#include "engine/VolumeQuery.h"
#include "engine/AppPaths.h"
#include "engine/DiskSystem.h"
#include "forms/Dialogs.h"
#include "ui/JobSetup.h"
#include "ui/Selection.h"
#include "ui/Thddvdsize.h"

void TMainForm::ListLogicalDrives()
{
    m_DriveList.clear();
    // Through the disk seam, so tests can lay out the drives.
    DWORD drives = GetDiskSystem().GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (drives & (1u << i)) {
            wchar_t root[4] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
            m_DriveList.push_back(root);
        }
    }
}

void TMainForm::RefreshDvdList()
{
    ListLogicalDrives();
    cmbDVDlist->Clear();
    m_DvdRoots.clear();
    for (const std::wstring& root : m_DriveList) {
        if (!IsCdRomDrive(root))
            continue;
        std::wstring label;
        GetVolumeLabel(root, label);
        cmbDVDlist->Items()->Add(DvdItemText(root, label));
        m_DvdRoots.push_back(root);
    }
    if (!m_DvdRoots.empty()) {
        cmbDVDlist->SetTag(1);
        cmbDVDlist->SetItemIndex(0);
        m_SourcePath = m_DvdRoots[0];
        StartDvdMeasure();
        return;
    }
    cmbDVDlist->Clear();
    m_SourcePath = L"";
    cmbDVDlist->Items()->Add(L"Please insert a DVD-ROM.");
    cmbDVDlist->SetItemIndex(-1);
    m_btnNext->SetEnabled(false);
    m_DvdSizeMB = 0;
    cmbDVDlist->SetTag(0);
}

void TMainForm::cmbDVDlistChange(TObject*)
{
    int index = cmbDVDlist->ItemIndex();
    if (cmbDVDlist->Tag() == 0 || index < 0 || index >= static_cast<int>(m_DvdRoots.size()))
        return;
    m_SourcePath = m_DvdRoots[index];
    StartDvdMeasure();
}

void TMainForm::StartDvdSizeThread()
{
    m_btnNext->SetEnabled(false);
    m_bDvdSizeDone = false;
    m_pThdDvdSize = new ThdDvdSize(true);
    m_pThdDvdSize->SetFreeOnTerminate(false);
    m_pThdDvdSize->OnMeasure = [this](const String& path) { return MeasureDvdSize(path); };
    // Both run under the thread's lock: a pass's result never lands after a newer request.
    m_pThdDvdSize->OnQueued = [this] { m_bDvdSizeDone.store(false); };
    m_pThdDvdSize->OnMeasured = [this](int sizeMB) {
        m_DvdSizeMB = sizeMB;
        m_bDvdSizeDone.store(true, std::memory_order_release);
    };
    Timer1->SetEnabled(true);
}

void TMainForm::StartDvdMeasure()
{
    bool embedded = IsEmbeddedSku(m_SourcePath);
    CheckBox_USBODD->SetChecked(embedded);
    CheckBox_USBODD->SetEnabled(!embedded);
    m_bDvdSizeDone = false;
    m_btnNext->SetEnabled(false);
    cmbDVDlist->SetEnabled(false);
    lblWait->SetCaption(T(L"Please wait"));
    Timer1->SetEnabled(true);
    // The pass measures the path as it is now.
    m_pThdDvdSize->RequestPass(m_SourcePath);
}

void TMainForm::DvdPassBegins()
{
    SetCloseEnabled(false);
    m_btnBack->SetEnabled(false);
}

void TMainForm::DvdPassEnds()
{
    SetCloseEnabled(true);
    m_btnBack->SetEnabled(true);
}

int TMainForm::MeasureDvdSize(const String& path)
{
    TThread::Synchronize(m_pThdDvdSize, TThreadMethod(this, &TMainForm::DvdPassBegins));
    int size = MeasureSourceMB(path);
    TThread::Synchronize(m_pThdDvdSize, TThreadMethod(this, &TMainForm::DvdPassEnds));
    return size;
}

void TMainForm::Timer1Timer(TObject*)
{
    if (!m_bDvdSizeDone.load(std::memory_order_acquire))
        return;
    Timer1->SetEnabled(false);
    m_btnNext->SetEnabled(true);
    cmbDVDlist->SetEnabled(true);
    lblWait->SetCaption(T(L"Capacity") + IntToStr(m_DvdSizeMB) + L" MB");
    if (m_DvdSizeMB == 0)
        m_btnNext->SetEnabled(false);
}

void TMainForm::RefreshUsbList()
{
    ListLogicalDrives();
    cmbUsbList->Clear();
    for (const std::wstring& root : m_DriveList) {
        if (!IsUSBBusDrive(root))
            continue;
        const std::wstring r = root.substr(0, 3);
        m_UsbSizeMB = IsVolumeReady(r) ? static_cast<long long>(GetDiskTotalMB(r)) : 0;
        cmbUsbList->Items()->Add(UsbItemText(root, m_UsbSizeMB));
    }
    if (cmbUsbList->Items()->Count() > 0) {
        cmbUsbList->SetItemIndex(0);
        m_TargetPath = cmbUsbList->Text();
        m_UsbSizeMB = ParseUsbCapacity(m_TargetPath);
        m_btnNext->SetEnabled(UsbLargeEnough(m_UsbSizeMB, m_DvdSizeMB));
        return;
    }
    m_TargetPath = L"";
    cmbUsbList->Items()->Add(T(L"USB Step2 Insert Note"));
    cmbUsbList->SetItemIndex(0);
    m_btnNext->SetEnabled(false);
    m_UsbSizeMB = 0;
}

void TMainForm::btnRefreshClick(TObject*) { RefreshUsbList(); }
void TMainForm::BtnRefreshClick(TObject*) { RefreshUsbList(); }

void TMainForm::cmbUsbListChange(TObject*)
{
    m_TargetPath = cmbUsbList->Text();
    m_UsbSizeMB = ParseUsbCapacity(m_TargetPath);
    m_btnNext->SetEnabled(UsbLargeEnough(m_UsbSizeMB, m_DvdSizeMB));
}

int TMainForm::ParseUsbCapacity(const String& text) { return ::ParseUsbCapacity(text, T(L"Capacity")); }

void TMainForm::btnBrowerISOClick(TObject*)
{
    OpenDialog1->SetOptions(TOpenOptions());
    OpenDialog1->SetInitialDir(GetProgramFolder());
    OpenDialog1->SetFilter(L"iso files{*.iso}|*.iso");
    OpenDialog1->SetFilterIndex(1);
    if (!OpenDialog1->Execute())
        return;
    EdtISOPathsrc->SetText(OpenDialog1->FileName());
    m_SourcePath = EdtISOPathsrc->Text();
    m_btnNext->SetEnabled(true);
}

void TMainForm::BtnBrowerISOClick(TObject*) { btnBrowerISOClick(nullptr); }

void TMainForm::btnBrowserClick(TObject*)
{
    String folder = BrowseForFolder(L"Please Select Folder:");
    if (folder.IsEmpty()) {
        m_btnNext->SetEnabled(false);
        return;
    }
    // The job record holds 259 characters: refuse a folder the image path can't use.
    if (!FitsJobPath(folder)) {
        MessageBox(PathTooLongText(folder), T(L"Error"), MB_OK | MB_ICONERROR);
        EdtISOPathdst->SetText(L"");
        m_btnNext->SetEnabled(false);
        return;
    }
    EdtISOPathdst->SetText(folder);
    m_TargetPath = EdtISOPathdst->Text();
    const std::wstring root = m_TargetPath.substr(0, 3);
    if (!IsNTFSVolume(root)) {
        ShowMessage(T(L"Not NTFS"));
        EdtISOPathdst->SetText(L"");
        m_btnNext->SetEnabled(false);
        return;
    }
    long long freeMB = static_cast<long long>(GetDiskFreeMB(root));
    if (FolderHasRoom(freeMB, m_DvdSizeMB)) {
        m_btnNext->SetEnabled(true);
        return;
    }
    ShowMessage(T(L"Disk too small"));
    EdtISOPathdst->SetText(L"");
    m_btnNext->SetEnabled(false);
}

void TMainForm::BtnBrowserClick(TObject*) { btnBrowserClick(nullptr); }

String TMainForm::BrowseForFolder(const String& title)
{
    return BrowseForFolderWith(Application->Handle(), title);
}
