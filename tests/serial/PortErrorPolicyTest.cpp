// The verdicts on failed port calls, for the numbers USB serial drivers give after a pull.
#include <gtest/gtest.h>

#include "serial/PortErrorPolicy.h"

namespace
{
TEST(PortErrorPolicyTest, OnlyAPendingCallWaitsARefusedSettingIsRefusedAndAllElseIsALoss)
{
    using C = PortCall;
    const auto K = PortVerdict::KeepWaiting, L = PortVerdict::Lost, R = PortVerdict::Refused;
    // 5 access denied, 6 invalid handle, 22 bad command, 31 general failure, 87 invalid
    // parameter (no wait can be pending then), 995 aborted, 996 incomplete, 997 pending,
    // 1167 device not connected.
    const struct
    {
        PortCall call;
        unsigned long nError;
        PortVerdict expected;
    } cases[] = {{C::WaitEvent, 997, K},  {C::WaitEvent, 87, L}, {C::WaitEvent, 995, L},
                 {C::WaitEvent, 1167, L}, {C::WaitEvent, 22, L}, {C::WaitResult, 996, K},
                 {C::WaitResult, 995, L}, {C::WaitResult, 5, L}, {C::Status, 5, L},
                 {C::Status, 31, L},      {C::Status, 6, L},     {C::Read, 997, K},
                 {C::Read, 1167, L},      {C::Read, 6, L},       {C::Configure, 31, R},
                 {C::Configure, 87, R}};
    for (const auto& c : cases)
        EXPECT_EQ(JudgePortError(c.call, c.nError), c.expected)
            << "call " << static_cast<int>(c.call) << ", error " << c.nError;
}
} // namespace
