#include "ui/JobSetup.h"

#include "engine/MultiLang.h"
#include "engine/TraceLog.h"
#include "ui/Selection.h"

#include <cwchar>

bool FitsJobPath(const String& path) { return path.Length() < kJobPathCapacity; }

namespace {

void Put(wchar_t (&field)[kJobPathCapacity], const String& text)
{
    std::wmemset(field, L'\0', kJobPathCapacity);
    std::wmemcpy(field, text.c_str(), text.size());
}

} // namespace

bool FillJobPaths(_WIN7_OPERAT_INFO& info, const JobChoice& c, String& tooLong)
{
    const String driver = c.programFolder + L"OS\\AutoUnattend";
    const String imgDriver = c.programFolder + L"OS";
    // A USB target is the drive root at the head of the list item.
    const String tag = c.dlgType == 0 ? c.targetPath.SubString(1, 3) : c.targetPath;
    for (const String* path : {&c.sourcePath, &driver, &imgDriver, &tag, &c.tmpPath}) {
        if (!FitsJobPath(*path)) {
            tooLong = *path;
            return false;
        }
    }
    Put(info.szSourcePath, c.sourcePath);
    Put(info.szDriverPath, driver);
    Put(info.szImgDriverPath, imgDriver);
    Put(info.szTagPath, tag);
    Put(info.szTmpPath, c.tmpPath);
    tooLong.clear();
    return true;
}

void TraceJobRecord(const _WIN7_OPERAT_INFO& info, int dlgType)
{
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szSourcePath: ") + info.szSourcePath);
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szDriverPath: ") + info.szDriverPath);
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szImgDriverPath: ") + info.szImgDriverPath);
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szTagPath: ") + info.szTagPath);
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szTmpPath: ") + info.szTmpPath);
    TraceLog(L"WIN7_OPERAT_INFO:bIs64bitDVD: " + IntToWString(info.bIs64bitDVD ? 1 : 0));
    TraceLog(L"WIN7_OPERAT_INFO:m_DlgType: " + IntToWString(dlgType));
}

String SpaceWarningText(int sourceMB, int dlgType)
{
    long long need = static_cast<long long>(sourceMB) + kJobExtraMB;
    long long shown = dlgType != 0 ? need * 2 : need;
    String warning = TranslateStr(L"Space warning1");
    return warning + L" " + IntToStr(shown) + L" MB" + warning;
}

String PathTooLongText(const String& path) { return String(TranslateStr(L"Path too long")) + L"\r\n" + path; }
