// A DXF drawing of arbitrary bytes: the header scan, then every entity into a scratch map
// through a layer table, turned by 30 degrees so that every point also passes the turn. None
// of it may crash, hang or write outside an object; what came in must read back.
#include "FuzzScratch.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "io/ImpDxf.h"

namespace {

using namespace zemo;

constexpr const char* Target = "dxf_import";

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Line(1010), test::TestSymbol::Area(4050), test::TestSymbol::Point(1120),
                     test::TestSymbol::Text(2010)};
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
    DxfHeaderInfo h;
    ScanDxfHeader(bytes, h);
    IsDxfFile(QStringLiteral("input.dxf"), bytes.left(256));
    const std::vector<LayerEntry> table = {{1010, 2, "0"}, {4050, 3, "lakes"}, {1120, 1, "trees"}, {2010, 4, "0"}};
    DxfImportSettings s;
    s.Angle = 30;
    s.Factor = 10;
    s.InsertAsPoint = size > 0 && (data[0] & 1);
    s.Oem = size > 0 && (data[0] & 2);
    try {
        ImportDxfEntities(bytes, s, table);
    } catch (const EAbort&) {
    }
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        if (GetIndex(n) && !ReadElement(n, Index.DrawElement))
            fuzz::Fail(Target, "an appended object does not read back");
    fuzz::ReadEverything();
    CloseDocument(Index.ActiveZmd);
    fuzz::CheckAllClosed(Target);
    return 0;
}
