// The verdicts on failed port calls, for the numbers USB serial drivers give after a pull.
#include <gtest/gtest.h>

#include "serial/PortErrorPolicy.h"

namespace
{
constexpr unsigned long kAccessDenied = 5, kInvalidHandle = 6, kBadCommand = 22, kGenFailure = 31,
                        kInvalidParameter = 87, kAborted = 995, kIncomplete = 996, kPending = 997,
                        kNotConnected = 1167;
constexpr auto Keep = PortVerdict::KeepWaiting, Lost = PortVerdict::Lost,
               Refused = PortVerdict::Refused;

TEST(PortErrorPolicyTest, OnlyAPendingCallKeepsWaitingAndEveryOtherFailureOfAWaitOrReadIsALoss)
{
    const struct
    {
        PortCall call;
        unsigned long nError;
        PortVerdict expected;
    } cases[] = {
        {PortCall::WaitEvent, kPending, Keep},
        {PortCall::WaitEvent, kInvalidParameter, Lost}, // no wait can be pending then
        {PortCall::WaitEvent, kAborted, Lost},
        {PortCall::WaitEvent, kNotConnected, Lost},
        {PortCall::WaitEvent, kBadCommand, Lost},
        {PortCall::WaitResult, kIncomplete, Keep},
        {PortCall::WaitResult, kAborted, Lost},
        {PortCall::WaitResult, kAccessDenied, Lost},
        {PortCall::Status, kAccessDenied, Lost}, // not "nothing queued"
        {PortCall::Status, kGenFailure, Lost},
        {PortCall::Status, kInvalidHandle, Lost},
        {PortCall::Read, kPending, Keep},
        {PortCall::Read, kNotConnected, Lost},
        {PortCall::Read, kInvalidHandle, Lost},
        {PortCall::Configure, kGenFailure, Refused}, // SetCommState just after a re-plug
        {PortCall::Configure, kInvalidParameter, Refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgePortError(c.call, c.nError), c.expected)
            << "call " << static_cast<int>(c.call) << ", error " << c.nError;
}
} // namespace
