// The daily log against the real file system beside the test executable.
#include "log/DailyLog.h"

#include <algorithm>

#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/common/FileBytes.h"

#include "tests/log/ScratchLogFolder.h"
#include "win/ModuleDirectory.h"

namespace
{
const char kStamp[] = R"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\]  )";

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    char sz[32];
    std::strftime(sz, sizeof sz, "%Y-%m-%d.log", &local);
    return sz;
}

std::vector<std::string> FilesIn(const std::string& strFolder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = ::FindFirstFileA((strFolder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (::FindNextFileA(h, &data));
    ::FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

bool DirectoryExists(const std::string& strPath)
{
    const DWORD dwAttributes = ::GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Matches(const std::string& bytes, const std::string& pattern)
{
    return std::regex_match(bytes, std::regex(pattern));
}

class DailyLog : public ::testing::Test
{
protected:
    ScratchLogFolder m_log;
    CDailyLog m_daily{GetModuleDirectoryW()};
    std::string m_strDay = Today();

    std::string DayFile() const { return m_log.Folder() + "\\" + m_strDay; }
    // The day's part n, "YYYY-MM-DD.NNN.log".
    std::string Part(const char* pszNumber) const
    {
        return m_strDay.substr(0, 10) + "." + pszNumber + ".log";
    }
    void WriteLogLine(const char* pszText) { m_daily.WriteLine(pszText); }
    void CreateLogFolder() const
    {
        ASSERT_TRUE(::CreateDirectoryA(m_log.Folder().c_str(), nullptr));
    }
    // A test that straddles midnight cannot say which file a line went to.
    bool DayChanged() const { return Today() != m_strDay; }
};
} // namespace

TEST_F(DailyLog, FirstLineCreatesFolderAndDayFileAndLeavesNoHandleOpen)
{
    ASSERT_FALSE(DirectoryExists(m_log.Folder()));
    WriteLogLine("92 01 02 03 98");
    if (DayChanged())
        GTEST_SKIP() << "midnight passed during the test";

    EXPECT_TRUE(DirectoryExists(m_log.Folder()));
    EXPECT_EQ(FilesIn(m_log.Folder()), std::vector<std::string>{m_strDay});
    const std::string bytes = ReadFileBytes(DayFile());
    EXPECT_TRUE(Matches(bytes, std::string(kStamp) + "92 01 02 03 98\r\n")) << bytes;
    EXPECT_EQ(bytes.substr(1, 10), m_strDay.substr(0, 10)) << "stamp and file name disagree";

    // Nobody else may hold the file once the call is over.
    HANDLE h = ::CreateFileA(DayFile().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the log still holds its file";
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
}

TEST_F(DailyLog, EmptyTextCreatesNothing)
{
    WriteLogLine("");
    WriteLogLine(nullptr);
    EXPECT_EQ(::GetFileAttributesA(m_log.Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DailyLog, LinesKeepCallOrderAndEveryLineEndIsCrLf)
{
    WriteLogLine("first");
    WriteLogLine("a\nb");
    WriteLogLine("second");
    if (DayChanged())
        GTEST_SKIP() << "midnight passed during the test";

    const std::string bytes = ReadFileBytes(DayFile());
    const std::string s(kStamp);
    // An embedded line end becomes CR LF too, and starts a line without a stamp.
    EXPECT_TRUE(Matches(bytes, s + "first\r\n" + s + "a\r\nb\r\n" + s + "second\r\n")) << bytes;
}

TEST_F(DailyLog, DayFileRollsOverIntoTheNextPartOnlyWhenLargerThanOneMebibyte)
{
    CreateLogFolder();
    const std::string exact(static_cast<size_t>(kMaxLogBytes), 'x');

    ASSERT_TRUE(WriteFileBytes(DayFile(), exact));
    WriteLogLine("kept");
    if (DayChanged())
        GTEST_SKIP() << "midnight passed during the test";
    std::string bytes = ReadFileBytes(DayFile());
    ASSERT_GT(bytes.size(), exact.size()) << "a file of exactly the limit must take the line";
    EXPECT_EQ(bytes.compare(0, exact.size(), exact), 0);
    EXPECT_TRUE(Matches(bytes.substr(exact.size()), std::string(kStamp) + "kept\r\n"));
    EXPECT_EQ(FilesIn(m_log.Folder()), std::vector<std::string>{m_strDay});

    // The first part is 001; after parts already there (a gap too), one more than the highest.
    // Other days' parts, and names of another shape, do not count.
    const struct
    {
        std::vector<std::string> before;
        const char* next;
    } cases[] = {
        {{}, "001"},
        {{Part("001"), Part("003"), "2001-01-01.007.log", Part("004x")}, "004"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string("next part ") + c.next);
        m_log.Remove();
        CreateLogFolder();
        for (const std::string& name : c.before)
            ASSERT_TRUE(WriteFileBytes(m_log.Folder() + "\\" + name, name));
        ASSERT_TRUE(WriteFileBytes(DayFile(), exact + "x"));
        WriteLogLine("alone");
        if (DayChanged())
            GTEST_SKIP() << "midnight passed during the test";
        EXPECT_TRUE(Matches(ReadFileBytes(DayFile()), std::string(kStamp) + "alone\r\n"));
        EXPECT_EQ(ReadFileBytes(m_log.Folder() + "\\" + Part(c.next)), exact + "x");
        std::vector<std::string> expected = c.before;
        expected.push_back(Part(c.next));
        expected.push_back(m_strDay);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FilesIn(m_log.Folder()), expected) << "nothing is deleted or overwritten";
    }
}

TEST_F(DailyLog, LinesTheFolderCannotTakeAreKeptCountedAndWrittenOnceItCan)
{
    ASSERT_TRUE(WriteFileBytes(m_log.Folder(), "not a folder"));
    WriteLogLine("first");
    WriteLogLine("second");
    EXPECT_FALSE(DirectoryExists(m_log.Folder()));
    EXPECT_EQ(ReadFileBytes(m_log.Folder()), "not a folder");
    EXPECT_EQ(m_daily.KeptLines(), 2u);
    EXPECT_FALSE(m_daily.WriteKept());
    const std::wstring text = m_daily.UnwrittenText();
    EXPECT_EQ(text.rfind(L"2 lines ", 0), 0u);
    EXPECT_NE(text.find(GetModuleDirectoryW() + L"Log\n"), std::wstring::npos)
        << "names the folder it could not make";

    m_log.Remove();
    EXPECT_TRUE(m_daily.WriteKept());
    EXPECT_EQ(m_daily.UnwrittenText(), L"");
    if (DayChanged())
        GTEST_SKIP() << "midnight passed during the test";
    const std::string s(kStamp);
    EXPECT_TRUE(Matches(ReadFileBytes(DayFile()), s + "first\r\n" + s + "second\r\n"));
}

TEST_F(DailyLog, FileHeldWithoutSharingKeepsItsLinesAndReadersDoNotStopTheLog)
{
    CreateLogFolder();
    const std::string s(kStamp);
    const struct
    {
        DWORD dwShare;
        bool bWrittenAtOnce;
    } holders[] = {{0, false}, {FILE_SHARE_READ | FILE_SHARE_WRITE, true}};
    for (const auto& holder : holders)
    {
        SCOPED_TRACE("holder's share mode " + std::to_string(holder.dwShare));
        ::DeleteFileA(DayFile().c_str());
        HANDLE hHolder = ::CreateFileA(DayFile().c_str(), GENERIC_READ, holder.dwShare, nullptr,
                                       CREATE_NEW, 0, nullptr);
        ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
        WriteLogLine("held");
        EXPECT_EQ(m_daily.HasKept(), !holder.bWrittenAtOnce);
        ::CloseHandle(hHolder);
        WriteLogLine("released");
        EXPECT_FALSE(m_daily.HasKept());
        if (DayChanged())
            GTEST_SKIP() << "midnight passed during the test";
        EXPECT_TRUE(Matches(ReadFileBytes(DayFile()), s + "held\r\n" + s + "released\r\n"));
    }
}

TEST_F(DailyLog, KeptLinesStopAtTheMemoryBoundAndTheRestAreCountedAsLost)
{
    ASSERT_TRUE(WriteFileBytes(m_log.Folder(), "not a folder"));
    const std::string text(1000, 'x');
    const size_t nKeepable = kMaxKeptBytes / (23 + text.size() + 2), nCalls = nKeepable + 100;
    for (size_t i = 0; i < nCalls; ++i)
        WriteLogLine(text.c_str());
    EXPECT_EQ(m_daily.KeptLines(), nKeepable);
    EXPECT_EQ(m_daily.LostLines(), 100u);
    EXPECT_EQ(m_daily.UnwrittenText().rfind(std::to_wstring(nCalls) + L" lines ", 0), 0u);

    m_log.Remove();
    EXPECT_TRUE(m_daily.WriteKept());
    EXPECT_EQ(m_daily.UnwrittenText().rfind(L"100 lines ", 0), 0u)
        << "the lost lines are still told of once the kept ones are written";
    if (DayChanged())
        GTEST_SKIP() << "midnight passed during the test";
    size_t nBytes = 0; // in the day's file and the parts it rolled over into
    for (const std::string& name : FilesIn(m_log.Folder()))
        nBytes += ReadFileBytes(m_log.Folder() + "\\" + name).size();
    EXPECT_EQ(nBytes, nKeepable * (23 + text.size() + 2));
}
