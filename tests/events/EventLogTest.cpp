// The Application log's events: their numbers, types and texts from the program's message
// table, and (run under Wine's eventlog channel by CTest) the system call itself.
#include "events/EventLog.h"

#include <gtest/gtest.h>

#include "tests/common/EventRecorder.h"

namespace
{
TEST(EventLogTest, EachEventHasItsNumberTypeAndATextNamingThePort)
{
    CEventRecorder recorder;
    CEventLog log;
    log.Report(MSG_PORT_BACK_AS, {"COM5", "COM7"});
    log.Report(MSG_LOG_LOST, {"COM5", "12 lines."});
    ASSERT_EQ(recorder.Of(MSG_PORT_BACK_AS).size(), 1u);
    EXPECT_EQ(recorder.Of(MSG_PORT_BACK_AS)[0].wType, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(recorder.Of(MSG_LOG_LOST)[0].wType, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(MSG_NO_DATA & 0xFFFF, 20u) << "the numbers monitoring tools filter on are stable";
    EXPECT_EQ(CEventLog::Text(MSG_PORT_BACK_AS, {"COM5", "COM7"}),
              "The adapter of the port COM5 is back as COM7; Kestrane listens on COM7 and keeps "
              "COM7 as its port.");
    const DWORD adwAll[] = {MSG_STARTED,      MSG_ENDED,       MSG_PORT_LOST,         MSG_PORT_BACK,
                            MSG_PORT_BACK_AS, MSG_NO_DATA,     MSG_PORT_NOT_FOLLOWED, MSG_DATA_BACK,
                            MSG_COUNTERFEIT,  MSG_LOG_REFUSED, MSG_COUNTERFEIT_COUNT, MSG_LOG_PART,
                            MSG_LOG_LOST,     MSG_LINE_ERRORS};
    for (DWORD dwEventID : adwAll)
        EXPECT_NE(CEventLog::Text(dwEventID, {"COM5"}).find("COM5"), std::string::npos)
            << "event " << (dwEventID & 0xFFFF);
}

// Run by windows.events_wine with Wine's eventlog channel on: CTest reads the call's number and
// its inserts from Wine's output.
TEST(EventLogTest, WritesThroughTheSystemWithoutARegisteredSource)
{
    CEventLog log;
    log.Report(MSG_NO_DATA, {"COM5", "300", "11:22:33"});
}
} // namespace
