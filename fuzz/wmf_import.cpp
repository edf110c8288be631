// A Windows metafile of arbitrary bytes read into a scratch map: headers, record sizes, point
// counts and texts. None of it may crash, hang or write outside an object; what came in must
// read back.
#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "io/ImpWmf.h"

namespace {

using namespace zemo;

constexpr const char* Target = "wmf_import";

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Line(1010)};
        return fuzz::SetUpMaps(Target, w);
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(scratch.base))
        fuzz::Fail(Target, "the base map does not open");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IsWmfFile(QStringLiteral("input.wmf"), bytes.left(40));
    ImportWmfBytes(bytes);
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        if (GetIndex(n) && !ReadElement(n, Index.DrawElement))
            fuzz::Fail(Target, "an appended object does not read back");
    fuzz::ReadEverything();
    CloseDocument(Index.ActiveZmd);
    fuzz::CheckAllClosed(Target);
    return 0;
}
