// A Windows metafile of arbitrary bytes read into a scratch map: headers, record sizes, point
// counts and texts. None of it may crash, hang or write outside an object; what came in must
// read back.
#include "ImportFuzz.h"

#include "io/ImpWmf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    fuzz::ImportIntoScratch("wmf_import", data, size, [](const QByteArray& bytes) {
        IsWmfFile(QStringLiteral("input.wmf"), bytes.left(40));
        ImportWmfHandle(bytes);
    });
    return 0;
}
