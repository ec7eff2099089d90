// The settings file under Wine: defaults, the bytes a save writes, hand-edited values and a
// file that cannot be written. Each test works in a folder of its own under %TEMP%.
#include "settings/SettingsFile.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/common/FileBytes.h"
#include "tests/settings/SettingsKit.h"

namespace
{
// The program hands its folder over wide; these folders are ASCII.
std::wstring Wide(const std::string& s)
{
    return {s.begin(), s.end()};
}

void ExpectSettings(const PortSettings& s, int nPort, int nBaud, char cParity, int nDataBits,
                    int nStopBits)
{
    EXPECT_EQ(s.nPort, nPort);
    EXPECT_EQ(s.nBaud, nBaud);
    EXPECT_EQ(s.cParity, cParity);
    EXPECT_EQ(s.nDataBits, nDataBits);
    EXPECT_EQ(s.nStopBits, nStopBits);
    EXPECT_EQ(s.dwCommEvents, 3u);
}

class SettingsFile : public ::testing::Test
{
protected:
    std::string m_strDir; // ends in a backslash, as the program's own folder does
    std::string m_strIni;

    void SetUp() override
    {
        char szTemp[MAX_PATH];
        ASSERT_NE(::GetTempPathA(MAX_PATH, szTemp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_strDir = std::string(szTemp) + "kestrane-settings-" +
                   std::to_string(::GetCurrentProcessId()) + "-" + info->name();
        ASSERT_TRUE(::CreateDirectoryA(m_strDir.c_str(), nullptr)) << m_strDir;
        m_strDir += '\\';
        m_strIni = m_strDir + "Kestrane.ini";
    }

    void TearDown() override
    {
        ::SetFileAttributesA(m_strIni.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(m_strIni.c_str());
        ::RemoveDirectoryA(m_strDir.c_str());
    }
};
} // namespace

TEST_F(SettingsFile, NoFileGivesDefaultsAndSaveWritesTheFiveKeysInOrder)
{
    // Port and parity fall back to fixed defaults; the other three keep what the record holds.
    PortSettings s = Settings(5, 19200, 'O', 7, 2);
    LoadPortSettings(s, Wide(m_strDir));
    ExpectSettings(s, 1, 19200, 'N', 7, 2);

    PortSettings fresh;
    LoadPortSettings(fresh, Wide(m_strDir));
    ExpectSettings(fresh, 1, 9600, 'N', 8, 1);

    SavePortSettings(fresh, Wide(m_strDir));
    EXPECT_EQ(ReadFileBytes(m_strIni),
              "[PORT]\r\nnport=1\r\ndatabit=8\r\nstopbit=1\r\nband=9600\r\nparity=N\r\n");
}

TEST_F(SettingsFile, HandWrittenValuesReadAsTheProfileFunctionsMakeOfThem)
{
    ASSERT_TRUE(WriteFileBytes(m_strIni, "; edited by hand\r\n[OTHER]\r\nkeep=me\r\n"
                                         "[PORT]\r\nparity=EVEN\r\nnport=abc\r\nband=4800x\r\n"));
    PortSettings s;
    LoadPortSettings(s, Wide(m_strDir));
    // Only the first letter of the parity counts; numbers read up to the first non-digit.
    ExpectSettings(s, 0, 4800, 'E', 8, 1);

    ASSERT_TRUE(WriteFileBytes(m_strIni, "[PORT]\r\nparity=ODD\r\n"));
    LoadPortSettings(s, Wide(m_strDir));
    EXPECT_EQ(s.cParity, 'O');
}

TEST_F(SettingsFile, EmptyParityIsCharacterZeroAndIsWrittenBackEmpty)
{
    ASSERT_TRUE(WriteFileBytes(m_strIni, "[PORT]\r\nparity=\r\n"));
    PortSettings s;
    LoadPortSettings(s, Wide(m_strDir));
    EXPECT_EQ(s.cParity, '\0');

    SavePortSettings(s, Wide(m_strDir));
    const std::string bytes = ReadFileBytes(m_strIni);
    EXPECT_NE(bytes.find("parity=\r\n"), std::string::npos) << bytes;
    PortSettings again;
    LoadPortSettings(again, Wide(m_strDir));
    EXPECT_EQ(again.cParity, '\0');
}

TEST_F(SettingsFile, FileThatCannotBeWrittenLosesTheSettingsSilently)
{
    const std::string original = "[PORT]\r\nnport=3\r\nband=2400\r\n";
    const PortSettings changed = Settings(9, 57600, 'O', 7, 2);

    {
        SCOPED_TRACE("read-only file");
        ASSERT_TRUE(WriteFileBytes(m_strIni, original));
        ASSERT_TRUE(::SetFileAttributesA(m_strIni.c_str(), FILE_ATTRIBUTE_READONLY));
        // Wine maps the attribute onto the Unix mode, which the superuser writes through.
        HANDLE hProbe = ::CreateFileA(m_strIni.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
        if (hProbe == INVALID_HANDLE_VALUE)
        {
            SavePortSettings(changed, Wide(m_strDir));
            EXPECT_EQ(ReadFileBytes(m_strIni), original);
        }
        else
        {
            ::CloseHandle(hProbe);
            std::printf("note: this file system ignores the read-only attribute here\n");
        }
        ::SetFileAttributesA(m_strIni.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    {
        SCOPED_TRACE("file held open by another program");
        ASSERT_TRUE(WriteFileBytes(m_strIni, original));
        HANDLE hHolder =
            ::CreateFileA(m_strIni.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
        SavePortSettings(changed, Wide(m_strDir));
        ::CloseHandle(hHolder);
        EXPECT_EQ(ReadFileBytes(m_strIni), original);
    }
    {
        SCOPED_TRACE("folder that does not exist");
        const std::string strGone = m_strDir + "gone\\";
        SavePortSettings(changed, Wide(strGone));
        EXPECT_EQ(::GetFileAttributesA((strGone + "Kestrane.ini").c_str()),
                  INVALID_FILE_ATTRIBUTES);
        PortSettings s;
        LoadPortSettings(s, Wide(strGone));
        ExpectSettings(s, 1, 9600, 'N', 8, 1);
    }
}
