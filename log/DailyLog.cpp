// The daily log of frames. Each call does the whole work (path, folder, clock, size, open,
// write, close) so that no handle or state outlives it.
#include "log/DailyLog.h"

#include <ctime>

#include "log/TextFile.h"
#include "win/ModuleDirectory.h"
#include "win/Text.h"

BOOL DirectoryExists(const std::string& strPath)
{
    // Asked of the file system directly: trying SetCurrentDirectory would move the current
    // directory of every thread for a moment.
    const DWORD dwAttributes = ::GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL FileExists(const std::string& strPath)
{
    WIN32_FIND_DATAA data;
    const HANDLE hFind = ::FindFirstFileA(strPath.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    ::FindClose(hFind);
    return TRUE;
}

void DeleteOversizeLog(const std::string& strPath)
{
    if (!FileExists(strPath))
        return;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data))
        return;
    const ULONGLONG nSize = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (nSize > kMaxLogBytes)
        ::DeleteFileA(strPath.c_str());
}

void AppendLogLine(std::string& strText, const std::string& strPath)
{
    CTextFile file;
    if (!file.OpenForAppend(strPath))
        return;
    strText.insert(0, FormatLocalTime(std::time(nullptr), "[%Y-%m-%d %H:%M:%S]  "));
    strText += '\n';
    // One write for text and line end: a failure never leaves half a line behind.
    if (file.SeekToEnd())
        file.WriteString(strText);
}

void WriteLogLine(const char* pszText)
{
    if (pszText == nullptr || *pszText == '\0')
        return;
    // Called from the window procedure that handles a received byte: nothing may escape.
    try
    {
        std::string strText(pszText);
        // An executable path that cannot be known exactly loses the line rather than write it
        // in some other folder.
        const std::string strDir = GetModuleDirectory();
        if (strDir.empty())
            return;
        const std::string strFolder = strDir + "Log";
        if (!DirectoryExists(strFolder))
            ::CreateDirectoryA(strFolder.c_str(), nullptr);
        const std::string strName = FormatLocalTime(std::time(nullptr), "%Y-%m-%d.log");
        if (strName.empty())
            return;
        const std::string strPath = strFolder + "\\" + strName;
        DeleteOversizeLog(strPath);
        AppendLogLine(strText, strPath);
    }
    catch (...)
    {
    }
}
