// Loading and saving the line settings with the profile functions, which create the file when
// missing and keep whatever else it holds.
#include "settings/SettingsFile.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "win/AnsiText.h"

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

namespace
{
const wchar_t kDeviceSection[] = L"DEVICE";

std::string ReadDeviceText(const wchar_t* pszKey, const std::wstring& strPath)
{
    wchar_t sz[MAX_PATH] = L"";
    ::GetPrivateProfileStringW(kDeviceSection, pszKey, L"", sz, MAX_PATH, strPath.c_str());
    return WideToAnsi(sz);
}

void WriteDeviceText(const wchar_t* pszKey, const std::string& strValue,
                     const std::wstring& strPath)
{
    ::WritePrivateProfileStringW(kDeviceSection, pszKey, AnsiToWide(strValue).c_str(),
                                 strPath.c_str());
}
} // namespace

void LoadPortIdentity(int& rnPort, PortIdentity& identity, const std::wstring& strDir)
{
    const std::wstring strPath = strDir + kFileName;
    rnPort = static_cast<int>(::GetPrivateProfileIntW(kDeviceSection, L"port", 0, strPath.c_str()));
    identity.strInstanceId = ReadDeviceText(L"instance", strPath);
    identity.strSerial = ReadDeviceText(L"serial", strPath);
    identity.strLocation = ReadDeviceText(L"location", strPath);
    identity.nVid = std::strtoul(ReadDeviceText(L"vid", strPath).c_str(), nullptr, 16) & 0xFFFF;
    identity.nPid = std::strtoul(ReadDeviceText(L"pid", strPath).c_str(), nullptr, 16) & 0xFFFF;
}

void SavePortIdentity(int nPort, const PortIdentity& identity, const std::wstring& strDir)
{
    if (!identity.IsKnown())
        return;
    const std::wstring strPath = strDir + kFileName;
    char szHex[8] = "";
    WriteDeviceText(L"port", std::to_string(nPort), strPath);
    WriteDeviceText(L"instance", identity.strInstanceId, strPath);
    WriteDeviceText(L"serial", identity.strSerial, strPath);
    WriteDeviceText(L"location", identity.strLocation, strPath);
    std::snprintf(szHex, sizeof szHex, "%04X", identity.nVid);
    WriteDeviceText(L"vid", szHex, strPath);
    std::snprintf(szHex, sizeof szHex, "%04X", identity.nPid);
    WriteDeviceText(L"pid", szHex, strPath);
}
