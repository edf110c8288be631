// An enhanced metafile of arbitrary bytes read into a scratch map: the header, record sizes,
// point and polygon counts, extents and wide texts. None of it may crash, hang or write outside
// an object; what came in must read back.
#include "ImportFuzz.h"

#include "io/ImpEmf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    fuzz::ImportIntoScratch("emf_import", data, size, [](const QByteArray& bytes) {
        IsEmfFile(QStringLiteral("input.emf"), bytes.left(EmfSignatureAt + 4));
        ImportEmfHandle(bytes);
    });
    return 0;
}
