// The COM ports the system lists as present, with their devices' strings (SetupAPI), and the
// follower of a reconnecting link's device: it learns the device when its port opens and, once
// the port is lost, says which port to try. Wine lists no devices for its ports, so the list
// is reached through a record that the tests fill.
#pragma once

#include <mutex>
#include <vector>

#include "serial/PortIdentity.h"

struct DeviceListCalls
{
    std::vector<PresentPort> (*pfnListPorts)();
};

std::vector<PresentPort> ListPresentPorts();

// Learn runs on the worker's thread, SetKnown and Known on the owner's: they share m_known.
class CPortFollower
{
public:
    static DeviceListCalls s_calls;

    // nPort has opened: the device listed at it is the one to follow from now on. A port the
    // system does not list leaves the known device as it was.
    void Learn(int nPort);
    void SetKnown(const PortIdentity& identity);
    PortIdentity Known() const;
    // Where the device of lost port nLost is now. Found: nPort (nLost itself when nothing is
    // known, or the system lists it nowhere); None: a port to leave alone, as another device
    // holds nLost; Ambiguous: several ports could be it, none is taken.
    PortMatch Look(int nLost) const;

private:
    mutable std::mutex m_mutex;
    PortIdentity m_known;
};
