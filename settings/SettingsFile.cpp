// Loading and saving the line settings with the profile functions, which create the file when
// missing and keep whatever else it holds.
#include "settings/SettingsFile.h"

#include <windows.h>

namespace
{
// The wide calls reach a folder of any name. They write a file that is new or has no
// byte-order mark in the ANSI code page, so the file's bytes stay those of the ANSI calls.
const wchar_t kSection[] = L"PORT";
const wchar_t kFileName[] = L"Kestrane.ini";

int ReadInt(const wchar_t* pszKey, int nDefault, const std::wstring& strPath)
{
    return static_cast<int>(::GetPrivateProfileIntW(kSection, pszKey, nDefault, strPath.c_str()));
}

void WriteInt(const wchar_t* pszKey, int nValue, const std::wstring& strPath)
{
    ::WritePrivateProfileStringW(kSection, pszKey, std::to_wstring(nValue).c_str(),
                                 strPath.c_str());
}
} // namespace

void LoadPortSettings(PortSettings& settings, std::wstring strDir)
{
    const std::wstring strPath = strDir + kFileName;
    settings.nPort = ReadInt(L"nport", 1, strPath);
    settings.nDataBits = ReadInt(L"databit", settings.nDataBits, strPath);
    settings.nStopBits = ReadInt(L"stopbit", settings.nStopBits, strPath);
    settings.nBaud = ReadInt(L"band", settings.nBaud, strPath);

    // Only the first letter counts: "EVEN" is 'E'. An empty value gives the character 0.
    wchar_t szParity[MAX_PATH];
    szParity[0] = L'\0';
    ::GetPrivateProfileStringW(kSection, L"parity", L"N", szParity, MAX_PATH, strPath.c_str());
    char szLetter[2] = "";
    if (szParity[0] != L'\0')
        ::WideCharToMultiByte(CP_ACP, 0, szParity, 1, szLetter, 1, nullptr, nullptr);
    settings.cParity = szLetter[0];
}

void SavePortSettings(const PortSettings& settings, std::wstring strDir)
{
    const std::wstring strPath = strDir + kFileName;
    WriteInt(L"nport", settings.nPort, strPath);
    WriteInt(L"databit", settings.nDataBits, strPath);
    WriteInt(L"stopbit", settings.nStopBits, strPath);
    WriteInt(L"band", settings.nBaud, strPath);
    // The character 0 goes back as an empty value, as it was read.
    wchar_t szParity[2] = L"";
    if (settings.cParity != '\0')
        ::MultiByteToWideChar(CP_ACP, 0, &settings.cParity, 1, szParity, 1);
    ::WritePrivateProfileStringW(kSection, L"parity", szParity, strPath.c_str());
}
