// kestrane-decode's command line: what makes a run, and what is refused with which reason.
#include "decode/Options.h"

#include "frames/LogLine.h"

#include <gtest/gtest.h>

TEST(DecodeOptions, EachRefusalNamesItsReasonAndAGoodLineMakesItsRun)
{
    const struct
    {
        std::vector<std::string> args;
        const char* why; // a part of the reason; "" for a run
    } cases[] = {
        {{"--hex", "--stats", "capture"}, ""},
        {{"a", "b"}, "only one input file, not also b"},
        {{"--from", "2026-12-07 08:00:00", "a"}, "--from and --to are for --log"},
        {{"--summary", "a"}, "forms of --log"},
        {{"--log", "--hex", "a.log"}, "for streams"},
        {{"--log", "--csv", "--html", "p.html", "a.log"}, "exclude each other"},
        {{"--log", "--source", "a.log"}, "column of --csv"},
        {{"--log", "--html"}, "--html wants the page's file name"},
        {{"--log", "--html", "Log/2026-12-07.LOG"}, "not a log's"},
        {{"--log", "--to"}, "--to wants a time"},
        {{"--log", "--to", "2026-12-07 8:00:00", "a.log"}, "--to: not a time"},
        {{"--log", "--from", "2026-12-08 00:00:00", "--to", "2026-12-07 00:00:00", "a.log"},
         "--from must come before --to"},
        {{"--log"}, "at least one FILE"},
        {{"--log", "--frobnicate", "a.log"}, "unknown option --frobnicate\nusage:"},
        {{"--frobnicate", "--help"}, "unknown option"},
        {{"--log", "--", "-x.log", "--csv"}, ""},
    };
    for (const auto& c : cases)
    {
        DecodeOptions o;
        const std::string why = ParseOptions(c.args, o);
        if (*c.why == 0)
            EXPECT_EQ(why, "") << c.args[0];
        else
            EXPECT_NE(why.find(c.why), std::string::npos) << c.args[0] << ": " << why;
    }

    DecodeOptions o;
    ASSERT_EQ(ParseOptions({"--log", "--csv", "--source", "--from", "2026-12-07 06:00:00", "--",
                            "-a.log", "--help"},
                           o),
              "");
    EXPECT_EQ(o.form, CFrameReport::Form::Csv);
    EXPECT_TRUE(o.source && !o.help && o.log);
    EXPECT_EQ(o.files, (std::vector<std::string>{"-a.log", "--help"}));
    long long from = 0;
    ParseLogTime("2026-12-07 06:00:00", from);
    EXPECT_EQ(o.from, from);
    DecodeOptions help;
    EXPECT_EQ(ParseOptions({"--log", "-h", "--frobnicate"}, help), "");
    EXPECT_TRUE(help.help);
}
