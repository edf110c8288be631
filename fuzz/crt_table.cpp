// A layer table (".crt") of arbitrary bytes: the import's reading against a map's symbols,
// the layer conversion's rows, and the rows written out again, which must read back alike.
#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "symbols/ConvLay.h"
#include "symbols/CrtTable.h"

namespace {

using namespace zemo;

constexpr const char* Target = "crt_table";

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Line(1010), test::TestSymbol::Area(4050), test::TestSymbol::Point(1015)};
        auto s = fuzz::SetUpMaps(Target, w);
        RecordingMessages messages;
        if (!OpenMapByName(s.base))
            fuzz::Fail(Target, "the base map does not open");
        return s;
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Scratch();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<LayerEntry> entries = ParseCrtForMap(bytes);
    for (const LayerEntry& e : entries) {
        LayerEntry m;
        if (e.Symbol10 < 1 || e.Symbol10 > 9999 || e.Name.isEmpty() || e.Name.size() > CrtLayerNameChars
            || !MatchLayer(entries, e.Name, e.ObjectType, m))
            fuzz::Fail(Target, "an entry out of its limits");
    }
    QByteArrayList lines;
    for (const QByteArray& l : bytes.split('\n'))
        lines << l.left(255);
    const std::vector<LayerRef> rows = RowsFromCrt(lines);
    const QByteArray written = CrtFromRows(rows);
    const std::vector<LayerRef> again = RowsFromCrt(written.split('\n'));
    if (rows.size() != again.size() && !(rows.size() == 1 && rows[0] == LayerRef{}))
        fuzz::Fail(Target, "the written table reads back with other rows");
    return 0;
}
