// The settings file over arbitrary bytes: damaged lines are skipped without a crash, and what
// the store writes back reads in again to the same store.
#include "platform/Settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    Settings s;
    s.FromText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QByteArray text = s.ToText();
    Settings t;
    t.FromText(text);
    if (t.Count() != s.Count() || t.ToText() != text)
        std::abort();
    return 0;
}
