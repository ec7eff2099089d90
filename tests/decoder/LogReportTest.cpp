// Daily logs read back through the decoder's reports: the three forms, counts across files,
// and every kind of line that is not one valid frame, named by file and line.

#include "decode/LogReader.h"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "frames/LogLine.h"
#include "decode/HtmlReport.h"
#include "tests/common/ScratchFile.h"

namespace
{
// A log file the test writes beside itself, removed when the test ends.
using CScratchLog = CScratchFile;

struct Result
{
    std::string out, err;
    long badLines = 0;
};

Result ReadLogs(const std::vector<const CScratchLog*>& logs, CFrameReport::Form form,
                long long from = LLONG_MIN, long long to = LLONG_MAX)
{
    CScratchFile out("LogReportTest.out"), err("LogReportTest.err");
    CFrameReport report(out.File(), form);
    CLogReader reader(report, err.File());
    reader.SetWindow(from, to);
    for (const CScratchLog* log : logs)
    {
        std::FILE* f = std::fopen(log->Name().c_str(), "rb");
        EXPECT_NE(f, nullptr) << log->Name();
        if (!f)
            continue;
        std::string error;
        EXPECT_TRUE(reader.Read(f, log->Name(), error)) << error;
        std::fclose(f);
    }
    reader.Finish();
    if (form == CFrameReport::Form::Summary)
        report.PrintSummary();
    return {out.Text(), err.Text(), report.BadLines()};
}

const char kNote5[] = "97 10 20 14 db 00 00 00 00 00 00 00 00 05 00";  // channel 5, value 20
const char kNote13[] = "97 00 00 32 c9 00 00 00 00 00 00 00 00 0d 00"; // channel 13, value 50
const char kNote2[] = "97 00 00 0a a1 00 00 00 00 00 00 00 00 02 00";  // channel 2, value 10
const char kBlock[] = "93 00 00 00 93 01 02 03 04 05";
const char kCounterfeit[] = "92 01 02 03 98";
const char kOk[] = "98 26 00 00 be";

std::string Line(const char* time, const char* dump, const char* end)
{
    return std::string("[") + time + "]  " + dump + end;
}
} // namespace

TEST(LogReport, DayLogsAreReadBackInEachFormWithCountsAcrossFiles)
{
    // The monitor writes CR LF; a log copied through other hands may have LF only. A part
    // written while the day's file was held sits between the day's lines.
    const CScratchLog first("LogReportTest-1.log", Line("2026-12-07 11:22:33", kNote5, "\r\n") +
                                                       Line("2026-12-07 11:23:00", kNote2, "\r\n"));
    const CScratchLog part("LogReportTest-1.001.log", Line("2026-12-07 11:22:40", kBlock, "\r\n"));
    const CScratchLog second("LogReportTest-2.log",
                             Line("2026-12-08 09:00:00", kNote5, "\n") +
                                 Line("2026-12-08 09:00:01", kCounterfeit, "\n") +
                                 Line("2026-12-08 09:00:02", kNote13, "\n") +
                                 Line("2026-12-08 09:00:03", kOk, "\n") +
                                 Line("2026-12-08 09:00:04", kNote5, "")); // no line end: cut short

    struct Case
    {
        CFrameReport::Form form;
        std::string expected;
    };
    const Case cases[] = {
        {CFrameReport::Form::Lines,
         std::string("2026-12-07 11:22:33 note-read ") + kNote5 + " channel=5 value=20 count=1\n" +
             "2026-12-07 11:22:40 block " + kBlock + "\n" + "2026-12-07 11:23:00 note-read " +
             kNote2 + " channel=2 value=10 count=1\n" + "2026-12-08 09:00:00 note-read " + kNote5 +
             " channel=5 value=20 count=2\n" + "2026-12-08 09:00:01 counterfeit " + kCounterfeit +
             "\n" + "2026-12-08 09:00:02 note-read " + kNote13 + " channel=13 value=50 count=0\n" +
             "2026-12-08 09:00:03 ok " + kOk + "\n" + "2026-12-08 09:00:04 note-read " + kNote5 +
             " channel=5 value=20 count=3\n"},
        {CFrameReport::Form::Csv, "time,kind,channel,value\n"
                                  "2026-12-07 11:22:33,note-read,5,20\n"
                                  "2026-12-07 11:22:40,block,,\n"
                                  "2026-12-07 11:23:00,note-read,2,10\n"
                                  "2026-12-08 09:00:00,note-read,5,20\n"
                                  "2026-12-08 09:00:01,counterfeit,,\n"
                                  "2026-12-08 09:00:02,note-read,13,50\n"
                                  "2026-12-08 09:00:03,ok,,\n"
                                  "2026-12-08 09:00:04,note-read,5,20\n"},
        {CFrameReport::Form::Summary, "channel 2  value 10  notes 1\n"
                                      "channel 5  value 20  notes 3\n"
                                      "channel 13  value 50  notes 1\n"
                                      "total-value 120\n"
                                      "block 1\n"
                                      "counterfeit 1\n"
                                      "ok 1\n"
                                      "bad-lines 0\n"
                                      "from 2026-12-07 11:22:33 to 2026-12-08 09:00:04\n"},
    };
    for (const Case& c : cases)
    {
        const Result r = ReadLogs({&first, &part, &second}, c.form);
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.badLines, 0);
    }
    // Frames come in time order whatever the order of the files.
    EXPECT_EQ(ReadLogs({&second, &part, &first}, CFrameReport::Form::Csv).out, cases[1].expected);

    // A shift: from its first frame, up to but not with the frame at its end.
    long long from = 0, to = 0;
    ASSERT_EQ(ParseLogTime("2026-12-07 11:22:40", from) + ParseLogTime("2026-12-08 09:00:02", to),
              "");
    EXPECT_EQ(ReadLogs({&second, &part, &first}, CFrameReport::Form::Summary, from, to).out,
              "channel 2  value 10  notes 1\nchannel 5  value 20  notes 1\ntotal-value 30\n"
              "block 1\ncounterfeit 1\nok 0\nbad-lines 0\n"
              "from 2026-12-07 11:22:40 to 2026-12-08 09:00:01\n");

    const CScratchLog empty("LogReportTest-empty.log", "");
    const Result none = ReadLogs({&empty}, CFrameReport::Form::Summary);
    EXPECT_EQ(none.out, "total-value 0\nblock 0\ncounterfeit 0\nok 0\nbad-lines 0\nfrom - to -\n");
    EXPECT_EQ(ReadLogs({&empty}, CFrameReport::Form::Csv).out, "time,kind,channel,value\n");
}

TEST(LogReport, EveryLineThatIsNotOneValidFrameIsNamedAndPassedOver)
{
    struct Case
    {
        std::string line;
        const char* why;
    };
    const Case cases[] = {
        {"", "an empty line"},
        {std::string("92 01 02 03 98"), "no time stamp"},
        {std::string("[2026-12-07 11:22:33] ") + kCounterfeit, "no time stamp"}, // one blank
        {std::string("[2026-12-07 11:22:3]  ") + kCounterfeit, "no time stamp"},
        {std::string("[2026-02-29 11:22:33]  ") + kCounterfeit, "no such time: 2026-02-29"},
        {std::string("[2026-12-07 24:00:00]  ") + kCounterfeit, "no such time"},
        {"[2026-12-07 11:22:33]  ", "no hex dump"},
        {"[2026-12-07 11:22:33]  92 01 02 03 9", "not a hex dump"},
        {"[2026-12-07 11:22:33]  92 01 02 03 zz", "not a hex dump"},
        {"[2026-12-07 11:22:33]  92 01 02 03 99",
         "checksum fails: byte 4 is 99, bytes 0 to 3 sum to 98"},
        {"[2026-12-07 11:22:33]  92 01 02 03", "a partial frame: 4 of its 5 bytes"},
        {std::string("[2026-12-07 11:22:33]  ") + kCounterfeit + " " + kOk, "two frames"},
        {std::string("[2026-12-07 11:22:33]  ") + kCounterfeit + " 00 01",
         "2 bytes after the frame"},
        {std::string("[2026-12-07 11:22:33]  55 ") + kCounterfeit, "55 starts no frame"},
        {"[2026-12-07 11:22:33]  " + std::string(300, '0'), "too long"},
        // 256 characters, the most a line may have, whatever its line end.
        {"[2026-12-07 11:22:33]  " + std::string(233, '0'), "not a hex dump"},
    };
    // Each bad line between two good ones: the reading goes on, and the lines keep count.
    std::string text = Line("2026-12-07 08:00:00", kOk, "\r\n");
    for (const Case& c : cases)
        text += c.line + "\r\n" + Line("2026-12-07 08:00:00", kOk, "\r\n");
    const CScratchLog log("LogReportTest-bad.log", text);
    const Result r = ReadLogs({&log}, CFrameReport::Form::Summary);
    // Outside the window a bad line is still bad.
    EXPECT_EQ(ReadLogs({&log}, CFrameReport::Form::Summary, LLONG_MAX).err, r.err);

    std::istringstream err(r.err);
    std::string message;
    int lineNo = 2;
    for (const Case& c : cases)
    {
        ASSERT_TRUE(std::getline(err, message)) << "nothing for: " << c.line;
        const std::string where = log.Name() + ":" + std::to_string(lineNo) + ": ";
        EXPECT_EQ(message.rfind(where, 0), 0u) << message;
        EXPECT_NE(message.find(c.why), std::string::npos) << c.line << " gave: " << message;
        lineNo += 2;
    }
    EXPECT_FALSE(std::getline(err, message)) << "more messages than bad lines: " << message;
    EXPECT_EQ(r.badLines, static_cast<long>(sizeof cases / sizeof cases[0]));
    const std::string good = "ok " + std::to_string(sizeof cases / sizeof cases[0] + 1) + "\n";
    EXPECT_NE(r.out.find(good), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bad-lines " + std::to_string(r.badLines) + "\n"), std::string::npos);
}

TEST(LogReport, PageTextIsEscapedAndKeptValidUtf8)
{
    const struct
    {
        std::string text, html;
    } cases[] = {
        {"<b>PC 1 & \"2\" 'x'</b>", "&lt;b&gt;PC 1 &amp; &quot;2&quot; &#39;x&#39;&lt;/b&gt;"},
        {"Касса 收银 €", "Касса 收银 €"},
        // A code page's byte, a cut sequence, an overlong '/', a surrogate, a control character.
        {"caf\xe9\\\xe2\x82|\xc0\xaf|\xed\xa0\x80|\x01",
         "caf\xef\xbf\xbd\\\xef\xbf\xbd\xef\xbf\xbd|\xef\xbf\xbd\xef\xbf\xbd|"
         "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd|\xef\xbf\xbd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlText(c.text), c.html) << c.text;
}
