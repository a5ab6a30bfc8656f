#pragma once
// The contract between the wizard and the engine: the job record, the two progress
// messages and the step codes they carry.
#include <windows.h>

#pragma pack(push, 1)
struct _WIN7_OPERAT_INFO {
    wchar_t szSourcePath[260];    // source disc root, ending in a backslash
    wchar_t szDriverPath[260];    // driver packages; "\x64" or "\x86" below
    wchar_t szImgDriverPath[260]; // the "OS" folder copied onto the media
    wchar_t szTagPath[260];       // USB stick root, or the folder receiving the ISO image
    wchar_t szTmpPath[260];       // temporary work folder, ending in a backslash
    unsigned char bIs64bitDVD;    // nonzero for 64-bit media
    unsigned char m_DlgType;      // 0 USB, 1 ISO; the pipeline takes the kind as an argument instead
};
#pragma pack(pop)

// Posted: step code in wParam, value (percentage or fixed value) in lParam.
constexpr UINT WM_STEP_PROGRESS = WM_USER + 80; // 1104
// Sent by the DISM operation: number of images it will process in lParam.
constexpr UINT WM_WIM_IMAGE_COUNT = WM_USER + 81; // 1105

// Step codes carried by WM_STEP_PROGRESS.
enum StepCode : int {
    STEP_USB_FORMATTING = 0,
    STEP_USB_FORMATTED = 1,
    STEP_COPY_TO_TEMP = 2,
    STEP_COPY_DONE = 3,
    STEP_COPY_FAILED = 4,
    STEP_COPY_TO_TARGET = 5,
    STEP_WIM_MOUNTING = 6,
    STEP_WIM_MOUNTED = 7,
    STEP_WIM_MOUNT_FAILED = 8, // never posted
    STEP_WIM_ADDING = 9,
    STEP_WIM_COMMITTING = 10,
    STEP_WIM_COMMITTED = 11,
    STEP_WIM_COMMIT_FAILED = 12, // never posted
    STEP_WIM_UNMOUNTING = 13,
    STEP_WIM_UNMOUNTED = 14,
    STEP_WIM_UNMOUNT_DONE = 15, // never posted
    STEP_NEVER_POSTED_16 = 16,
    STEP_ISO_BUILDING = 17,
    STEP_COPY_STOPPED = 18,
    STEP_JOB_FINISHED = 19,
    STEP_NO_WINDOW = 20, // the step code of an operation built without a window
};
