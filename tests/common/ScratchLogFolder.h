// ScratchLogFolder: gives a test or benchmark the "Log" folder beside its executable to itself.
// A folder (or file) already there is moved aside and put back afterwards; whatever the run
// left in "Log" is removed.
#pragma once

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <windows.h>

#include "log/DailyLog.h"
#include "log/LogRollOver.h"
#include "win/ModuleDirectory.h"

// Local time in strftime's format; by default the name of today's log file.
inline std::string Today(const char* pszFormat = "%Y-%m-%d.log")
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    char sz[64];
    std::strftime(sz, sizeof sz, pszFormat, &local);
    return sz;
}

class ScratchLogFolder
{
public:
    ScratchLogFolder()
        : m_strFolder(GetModuleDirectory() + "Log"),
          m_strAside(m_strFolder + ".aside." + std::to_string(::GetCurrentProcessId()))
    {
        // Names are case-blind: remember how the one already there is spelt, to put it back so.
        WIN32_FIND_DATAA data;
        HANDLE hFind = ::FindFirstFileA(m_strFolder.c_str(), &data);
        if (hFind == INVALID_HANDLE_VALUE)
            return;
        ::FindClose(hFind);
        m_strOriginal = GetModuleDirectory() + data.cFileName;
        m_bMovedAside = ::MoveFileA(m_strOriginal.c_str(), m_strAside.c_str()) != FALSE;
    }
    ~ScratchLogFolder()
    {
        Remove();
        if (m_bMovedAside)
            ::MoveFileA(m_strAside.c_str(), m_strOriginal.c_str());
    }
    ScratchLogFolder(const ScratchLogFolder&) = delete;
    ScratchLogFolder& operator=(const ScratchLogFolder&) = delete;

    const std::string& Folder() const { return m_strFolder; }

    // The names of the plain files in "Log".
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE hFind = ::FindFirstFileA((m_strFolder + "\\*").c_str(), &data);
        if (hFind == INVALID_HANDLE_VALUE)
            return names;
        do
        {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        } while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
        return names;
    }

    // Removes "Log" whether it is a folder of plain files or a plain file.
    void Remove() const
    {
        for (const std::string& name : Files())
        {
            const std::string strPath = m_strFolder + "\\" + name;
            ::SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(strPath.c_str());
        }
        if (!::RemoveDirectoryA(m_strFolder.c_str()))
            ::DeleteFileA(m_strFolder.c_str());
    }

private:
    std::string m_strFolder;
    std::string m_strAside;
    std::string m_strOriginal;
    bool m_bMovedAside = false;
};

// For its life, a second program logging into the same Log folder takes part 001 of 2026-12-07,
// holding kOthersLine, just after the log has looked for the day's highest part.
class CPartTakenMeanwhile
{
public:
    static constexpr const char* kOthersLine = "the other program's line\r\n";

    CPartTakenMeanwhile() { g_pfnHighestLogPart = &TakeFirstPart; }
    ~CPartTakenMeanwhile() { g_pfnHighestLogPart = &HighestLogPart; }
    CPartTakenMeanwhile(const CPartTakenMeanwhile&) = delete;
    CPartTakenMeanwhile& operator=(const CPartTakenMeanwhile&) = delete;

private:
    static unsigned TakeFirstPart(const std::wstring& strFolder, const std::string& strDay)
    {
        const unsigned nHighest = HighestLogPart(strFolder, strDay);
        const HANDLE h = ::CreateFileA((GetModuleDirectory() + "Log\\2026-12-07.001.log").c_str(),
                                       GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        DWORD n = 0;
        if (h != INVALID_HANDLE_VALUE)
            ::WriteFile(h, kOthersLine, static_cast<DWORD>(std::strlen(kOthersLine)), &n, nullptr);
        ::CloseHandle(h);
        return nHighest;
    }
};
