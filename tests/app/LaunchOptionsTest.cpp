// The command line's switches: either prefix, any case, quoted or not; anything else is bad,
// even beside a /?.
#include "app/LaunchOptions.h"

#include <gtest/gtest.h>

TEST(LaunchOptionsTest, KnownSwitchesInEveryFormAndNothingElse)
{
    const LaunchOptions::Verdict Run = LaunchOptions::Run, Usage = LaunchOptions::Usage,
                                 Bad = LaunchOptions::Bad;
    const struct
    {
        const char* pszLine;
        LaunchOptions::Verdict verdict;
        bool bStart, bLog, bReconnect;
    } cases[] = {
        {"", Run, false, false, false},
        {" \t-START\t/Log  \"/reconnect\" ", Run, true, true, true},
        {"/reconnect", Run, false, false, true},
        {"-? /start", Usage, true, false, false},
        {"/? /bogus", Bad, false, false, false},
        {"/starts", Bad, false, false, false},
        {"start", Bad, false, false, false},
        {"/", Bad, false, false, false},
        {"\"\"", Bad, false, false, false},
        {"\"/start /log\"", Bad, false, false, false},
    };
    for (const auto& c : cases)
    {
        const LaunchOptions options = ParseLaunchOptions(c.pszLine);
        EXPECT_EQ(options.verdict, c.verdict) << "[" << c.pszLine << "]";
        if (c.verdict != Bad)
        {
            EXPECT_EQ(options.bStart * 4 + options.bLog * 2 + options.bReconnect,
                      c.bStart * 4 + c.bLog * 2 + c.bReconnect)
                << "[" << c.pszLine << "]";
        }
    }
    EXPECT_EQ(ParseLaunchOptions(nullptr).verdict, Run);
}
