#include "core/Port.h"
#include "core/Ports.h"

#include <algorithm>

namespace zemo {

namespace {

// Made on first use: ports live in the state of many units, built in no set order.
std::vector<const PortBase*>& Registry()
{
    static std::vector<const PortBase*> ports;
    return ports;
}

} // namespace

PortBase::PortBase(const char* name) : name_(name)
{
    Registry().push_back(this);
}

PortBase::~PortBase()
{
    auto& ports = Registry();
    ports.erase(std::remove(ports.begin(), ports.end(), this), ports.end());
}

CorePortSet& CorePorts()
{
    static CorePortSet ports;
    return ports;
}

const std::vector<const PortBase*>& PortBase::All()
{
    return Registry();
}

} // namespace zemo
