// An Illustrator file of arbitrary bytes read into a scratch map: tokens, strings, paths of any
// length and texts. None of it may crash, hang or write outside an object; what came in must
// read back.
#include "ImportFuzz.h"

#include "io/ImpAi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    fuzz::ImportIntoScratch("ai_import", data, size, [](const QByteArray& bytes) {
        IsAiFile(QStringLiteral("input.ai"), bytes.left(4));
        ImportAi(bytes);
    });
    return 0;
}
