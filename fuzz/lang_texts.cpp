// The language-file loader over arbitrary bytes: it must never crash, and a failed load
// must leave exactly the texts before the failing key.
#include "core/LangTexts.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool ok = LoadTextsFromData(bytes);
    const int failed = static_cast<int>(LastFailedKey());
    if (ok != (failed == TextKeyCount))
        std::abort();
    for (int i = failed; i < TextKeyCount; ++i)
        if (!TextBytes(static_cast<TextKey>(i)).isEmpty())
            std::abort();
    for (int i = 0; i < TextKeyCount; ++i)
        if (TextBytes(static_cast<TextKey>(i)).size() > bytes.size())
            std::abort();
    return 0;
}
