#include "support/JobFolders.h"

#include "support/TestSupport.h"

#include <cwchar>

namespace testing_support {

void PutPath(wchar_t (&field)[260], const std::wstring& text)
{
    wcsncpy(field, text.c_str(), 259);
    field[259] = L'\0';
}

void PointJobAt(_WIN7_OPERAT_INFO& info, const std::wstring& root)
{
    for (const wchar_t* folder : {L"src", L"drivers", L"os", L"tag", L"tmp"})
        MakeDirs(root + folder);
    PutPath(info.szSourcePath, root + L"src\\");
    PutPath(info.szDriverPath, root + L"drivers");
    PutPath(info.szImgDriverPath, root + L"os");
    PutPath(info.szTagPath, root + L"tag\\");
    PutPath(info.szTmpPath, root + L"tmp\\");
    info.bIs64bitDVD = 1;
}

} // namespace testing_support
