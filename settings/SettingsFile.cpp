// Loading and saving the line settings with the profile functions, which create the file when
// missing and keep whatever else it holds.
#include "settings/SettingsFile.h"

#include <windows.h>

namespace
{
const char kSection[] = "PORT";
const char kFileName[] = "Kestrane.ini";

int ReadInt(const char* pszKey, int nDefault, const std::string& strPath)
{
    return static_cast<int>(::GetPrivateProfileIntA(kSection, pszKey, nDefault, strPath.c_str()));
}

void WriteInt(const char* pszKey, int nValue, const std::string& strPath)
{
    ::WritePrivateProfileStringA(kSection, pszKey, std::to_string(nValue).c_str(), strPath.c_str());
}
} // namespace

void LoadPortSettings(PortSettings& settings, std::string strDir)
{
    const std::string strPath = strDir + kFileName;
    settings.nPort = ReadInt("nport", 1, strPath);
    settings.nDataBits = ReadInt("databit", settings.nDataBits, strPath);
    settings.nStopBits = ReadInt("stopbit", settings.nStopBits, strPath);
    settings.nBaud = ReadInt("band", settings.nBaud, strPath);

    // Only the first letter counts: "EVEN" is 'E'. An empty value gives the character 0.
    char szParity[MAX_PATH];
    szParity[0] = '\0';
    ::GetPrivateProfileStringA(kSection, "parity", "N", szParity, MAX_PATH, strPath.c_str());
    settings.cParity = szParity[0];
}

void SavePortSettings(const PortSettings& settings, std::string strDir)
{
    const std::string strPath = strDir + kFileName;
    WriteInt("nport", settings.nPort, strPath);
    WriteInt("databit", settings.nDataBits, strPath);
    WriteInt("stopbit", settings.nStopBits, strPath);
    WriteInt("band", settings.nBaud, strPath);
    // The character 0 goes back as an empty value, as it was read.
    const char szParity[2] = {settings.cParity, '\0'};
    ::WritePrivateProfileStringA(kSection, "parity", szParity, strPath.c_str());
}
