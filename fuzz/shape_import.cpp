// A shape file set cut from one input: two little-endian 16-bit lengths, then the main file,
// the index and the table. Record offsets, lengths, part and point counts, indices and the
// table's head are all the input's; none of it may crash, hang or read outside the files, and
// what came in must read back.
#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "io/shape/ImpShape.h"

namespace {

using namespace zemo;

constexpr const char* Target = "shape_import";

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Point(10)};
        return fuzz::SetUpMaps(Target, w);
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const fuzz::MapScratch& scratch = Scratch();
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(scratch.base))
        fuzz::Fail(Target, "the base map does not open");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype shpLen = std::min<qsizetype>(uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8, size - 5);
    const qsizetype shxLen = std::min<qsizetype>(uint8_t(bytes[2]) | uint8_t(bytes[3]) << 8, size - 5 - shpLen);
    const uint8_t knobs = uint8_t(bytes[4]);
    ShapeFileSet set{bytes.mid(5, shpLen), bytes.mid(5 + shpLen, shxLen), bytes.mid(5 + shpLen + shxLen)};
    IsShapeFile(QStringLiteral("input.shp"), set.Shp.left(4));
    ShapeImportSettings s;
    s.MapScale = (knobs & 1) ? 10 : 10000;
    s.Unit = (knobs & 2) ? 1000 : 1;
    s.Angle = (knobs & 4) ? 33 : 0;
    s.ExistingKey = (knobs & 8) != 0;
    s.KeyField = knobs >> 4;
    s.Dataset = QStringLiteral("fuzz");
    s.TablePath = scratch.dir + QStringLiteral("/fuzz.dbf");
    ShapeTable table;
    ReadShapeTable(set.Dbf, table);
    const ShapeImportResult r = ImportShapeSet(set, s);
    TZmd& z = *Index.ActiveZmd;
    if (r.Objects > z.HighestObject)
        fuzz::Fail(Target, "more objects counted than appended");
    for (int n = 1; n <= z.HighestObject; ++n)
        if (GetIndex(n) && !ReadElement(n, Index.DrawElement))
            fuzz::Fail(Target, "an appended object does not read back");
    fuzz::ReadEverything();
    CloseDocument(Index.ActiveZmd);
    fuzz::CheckAllClosed(Target);
    return 0;
}
