// Any bytes as a shape set's ".prj": the system is geographic or not, and a linear unit read
// from it is a finite positive number of metres.
#include "io/shape/ImpShape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "prj_text: %s\n", why);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    const QByteArray wkt(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, MaxPrjBytes)));
    QString name;
    const bool geographic = PrjIsGeographic(wkt, &name);
    const double unit = PrjLinearUnit(wkt, &name);
    if (!(unit == 0 || (unit > 0 && std::isfinite(unit))))
        Fail("a unit that is no length");
    if (geographic && unit != 0)
        Fail("a geographic system with a linear unit");
    return 0;
}
