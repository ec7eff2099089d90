// The daily log against the real file system beside the test executable.
#include "log/DailyLog.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include "tests/common/FileBytes.h"

#include "tests/common/ScratchLogFolder.h"
#include "win/ModuleDirectory.h"

namespace
{
// The stamp of every line written at the fixture's time.
const char kStamp[] = "[2026-12-07 11:22:33]  ";

// A local time in December 2026.
SYSTEMTIME At(WORD wDay, WORD wHour, WORD wMinute, WORD wSecond)
{
    return {2026, 12, 0, wDay, wHour, wMinute, wSecond, 0};
}

class DailyLog : public ::testing::Test
{
protected:
    ScratchLogFolder m_log;
    SYSTEMTIME m_now = At(7, 11, 22, 33); // the log's clock
    CDailyLog m_daily{GetModuleDirectoryW(), [this] { return m_now; }};
    std::string m_strDay = "2026-12-07.log";

    std::string DayFile() const { return m_log.Folder() + "\\" + m_strDay; }
    void CreateLogFolder() const
    {
        ASSERT_TRUE(::CreateDirectoryA(m_log.Folder().c_str(), nullptr));
    }
};
} // namespace

TEST_F(DailyLog, FirstLineCreatesFolderAndDayFileAndLeavesNoHandleOpen)
{
    ASSERT_FALSE(::PathIsDirectoryA(m_log.Folder().c_str()));
    m_daily.WriteLine("92 01 02 03 98");

    EXPECT_TRUE(::PathIsDirectoryA(m_log.Folder().c_str()));
    EXPECT_EQ(m_log.Files(), std::vector<std::string>{m_strDay});
    const std::string bytes = ReadFileBytes(DayFile());
    EXPECT_EQ(bytes, std::string(kStamp) + "92 01 02 03 98\r\n");

    // Nobody else may hold the file once the call, or the flush, is over.
    m_daily.Flush();
    HANDLE h = ::CreateFileA(DayFile().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the log still holds its file";
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
}

TEST_F(DailyLog, EmptyTextCreatesNothing)
{
    m_daily.WriteLine("");
    m_daily.WriteLine(nullptr);
    EXPECT_EQ(::GetFileAttributesA(m_log.Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DailyLog, LinesKeepCallOrderAndEveryLineEndIsCrLf)
{
    m_daily.WriteLine("first");
    m_daily.WriteLine("a\nb");
    m_daily.WriteLine("second");

    const std::string bytes = ReadFileBytes(DayFile());
    const std::string s(kStamp);
    // An embedded line end becomes CR LF too, and starts a line without a stamp.
    EXPECT_EQ(bytes, s + "first\r\n" + s + "a\r\nb\r\n" + s + "second\r\n");
}

TEST_F(DailyLog, DayFileRollsOverIntoTheNextPartOnlyWhenLargerThanOneMebibyte)
{
    CreateLogFolder();
    const std::string exact = std::string(static_cast<size_t>(kMaxLogBytes) - 2, 'x') + "\r\n";

    ASSERT_TRUE(WriteFileBytes(DayFile(), exact));
    m_daily.WriteLine("kept");
    std::string bytes = ReadFileBytes(DayFile());
    ASSERT_GT(bytes.size(), exact.size()) << "a file of exactly the limit must take the line";
    EXPECT_EQ(bytes.compare(0, exact.size(), exact), 0);
    EXPECT_EQ(bytes.substr(exact.size()), std::string(kStamp) + "kept\r\n");

    // One byte more and the file becomes the day's next part: 001 first, then one more than the
    // highest there, whatever the gaps and other days' parts. Nothing is deleted.
    const auto part = [&](const char* pszNumber)
    { return m_log.Folder() + "\\" + m_strDay.substr(0, 10) + "." + pszNumber + ".log"; };
    ASSERT_TRUE(WriteFileBytes(m_log.Folder() + "\\2001-01-01.007.log", ""));
    for (const char* pszNext : {"001", "004"})
    {
        ASSERT_TRUE(WriteFileBytes(DayFile(), exact + pszNext[2]));
        m_daily.WriteLine("alone");
        bytes = ReadFileBytes(DayFile());
        EXPECT_TRUE(bytes == std::string(kStamp) + "alone\r\n") << bytes.size() << " bytes";
        EXPECT_EQ(ReadFileBytes(part(pszNext)), exact + pszNext[2]);
        ASSERT_TRUE(WriteFileBytes(part("003"), "a part after a gap"));
    }
    EXPECT_EQ(m_log.Files().size(), 5u) << "a part was deleted or overwritten";
    // A holder that does not share deletion keeps it from rolling over: it takes the line, and
    // Close must tell.
    ASSERT_TRUE(WriteFileBytes(DayFile(), exact + "x"));
    const HANDLE hHolder =
        ::CreateFileA(DayFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
    m_daily.WriteLine("held");
    ::CloseHandle(hHolder);
    EXPECT_NE(m_daily.UnwrittenText().find(L"rolled over"), std::wstring::npos);
}

TEST_F(DailyLog, PlainFileNamedLogMeansNothingIsWritten)
{
    ASSERT_TRUE(WriteFileBytes(m_log.Folder(), "not a folder"));
    EXPECT_FALSE(::PathIsDirectoryA(m_log.Folder().c_str()));

    m_daily.WriteLine("92 01 02 03 98");
    EXPECT_FALSE(::PathIsDirectoryA(m_log.Folder().c_str()));
    EXPECT_EQ(ReadFileBytes(m_log.Folder()), "not a folder");
    // The line waits, and so do others up to the memory bound; the rest are counted as lost.
    const size_t nKeepable = kMaxKeptBytes / 1025; // lines of 1,000 characters, stamp, CR LF
    for (size_t i = 0; i < nKeepable + 100; ++i)
        m_daily.WriteLine(std::string(1000, 'x').c_str());
    EXPECT_EQ(m_daily.KeptLines(), nKeepable);
    EXPECT_EQ(m_daily.LostLines(), 101u);
    const std::wstring text = m_daily.UnwrittenText();
    EXPECT_EQ(text.rfind(std::to_wstring(nKeepable + 101) + L" lines ", 0), 0u);
    EXPECT_NE(text.find(GetModuleDirectoryW() + L"Log\n"), std::wstring::npos) << "the folder";
}

TEST_F(DailyLog, FileHeldByAnotherHandleDelaysItsLinesUnlessItLetsTheLogWrite)
{
    CreateLogFolder();
    // A reader that shares writing does not stop the log; a holder that does not keeps the
    // line waiting until it lets go.
    const DWORD holderShares[] = {0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
    for (DWORD dwShare : holderShares)
    {
        SCOPED_TRACE("holder's share mode " + std::to_string(dwShare));
        ::DeleteFileA(DayFile().c_str());
        HANDLE hHolder = ::CreateFileA(DayFile().c_str(), GENERIC_READ, dwShare, nullptr,
                                       CREATE_NEW, 0, nullptr);
        ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
        m_daily.WriteLine("held");
        EXPECT_EQ(m_daily.HasKept(), dwShare == 0);
        ::CloseHandle(hHolder);
        m_daily.WriteLine("written");

        const std::string bytes = ReadFileBytes(DayFile());
        const std::string s(kStamp);
        EXPECT_EQ(bytes, s + "held\r\n" + s + "written\r\n");
    }
}

TEST_F(DailyLog, ATornLastLineIsEndedAndLeftAsItIsSoTheNextLineStandsWhole)
{
    CreateLogFolder();
    const std::string s = "[2026-12-07 11:22:30]  92 01 02 03 98";
    // Cut inside a line; a tail the system never wrote; cut between CR and LF, the line whole.
    for (const std::string& torn :
         {s.substr(0, 30), s + "\r\n" + std::string(4096, '\0'), s + "\r"})
    {
        ASSERT_TRUE(WriteFileBytes(DayFile(), torn));
        CDailyLog restarted(GetModuleDirectoryW(), [this] { return m_now; });
        restarted.WriteLine("ok");
        EXPECT_EQ(ReadFileBytes(DayFile()),
                  torn + (torn.back() == '\r' ? "\n" : "\r\n") + "[2026-12-07 11:22:33]  ok\r\n");
    }
}

TEST_F(DailyLog, EachLineGoesToTheDayOfItsStampAcrossMidnightAndWithTheClockPutBackAnHour)
{
    CreateLogFolder();
    // Kept while midnight passes, and the clock then put back an hour across it.
    const HANDLE hHolder =
        ::CreateFileA(DayFile().c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, 0, nullptr);
    for (const SYSTEMTIME& t : {At(7, 23, 59, 59), At(8, 0, 30, 0), At(7, 23, 30, 0)})
    {
        m_now = t;
        m_daily.WriteLine("x");
    }
    ::CloseHandle(hHolder);
    EXPECT_TRUE(m_daily.WriteKept());
    EXPECT_EQ(ReadFileBytes(DayFile()), "[2026-12-07 23:59:59]  x\r\n[2026-12-07 23:30:00]  x\r\n");
    EXPECT_EQ(ReadFileBytes(m_log.Folder() + "\\2026-12-08.log"), "[2026-12-08 00:30:00]  x\r\n");
}

TEST_F(DailyLog, ARollOverPassesOverAPartNumberAnotherProgramTookMeanwhile)
{
    CreateLogFolder();
    const std::string full = std::string(static_cast<size_t>(kMaxLogBytes), 'x') + "\r\n";
    ASSERT_TRUE(WriteFileBytes(DayFile(), full));
    {
        const CPartTakenMeanwhile other;
        m_daily.WriteLine("alone");
    }
    const std::string part = m_log.Folder() + "\\2026-12-07.";
    EXPECT_EQ(ReadFileBytes(part + "001.log"), CPartTakenMeanwhile::kOthersLine);
    EXPECT_TRUE(ReadFileBytes(part + "002.log") == full);
    EXPECT_EQ(ReadFileBytes(DayFile()), std::string(kStamp) + "alone\r\n");
}
