// Clipboard blocks of map objects and of symbol graphics from another process, arbitrary
// bytes. The first byte chooses the block: even, an object block pasted into a small map;
// odd, a symbol-graphics block pasted into a symbol's graphics. The block is taken whole or
// refused whole: after a paste the map's working file loads again without damage and every
// pasted object is one the store reads back (type 1..5, Cords, counts within its record);
// the graphics buffer holds whole elements that fill its used slots exactly.
#include "FuzzScratch.h"

#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "edit/ObjClip.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <memory>
#include <vector>

namespace {

using namespace zemo;

constexpr const char* Target = "object_paste";

[[noreturn]] void Fail(const char* why) { fuzz::Fail(Target, why); }

// A small map with a point, a line, an area and a text symbol and one line object.
test::TestMapWriter BaseMap()
{
    test::TestMapWriter w(8);
    w.symbols = {test::TestSymbol::Point(10), test::TestSymbol::Line(20), test::TestSymbol::Area(30),
                 test::TestSymbol::Text(40)};
    w.objects.push_back(test::TestObject::Line(20, {{0, 0}, {25600, 25600}}));
    return w;
}

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_object_paste";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
        return fuzz::SetUpMaps(Target, BaseMap());
    }();
    return scratch;
}

void PutOnClipboard(const char* type, const QByteArray& block)
{
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(type), block);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void PasteObjectBlock(const fuzz::MapScratch& scratch, const QByteArray& block)
{
    std::vector<qsizetype> records;
    const bool accepted = UnpackObjectBlock(block, records);
    if (!accepted && !records.empty())
        Fail("a refused object block gave records");
    if (!OpenMapByName(scratch.base))
        Fail("the base map does not open");
    TZmd* const z = Index.ActiveZmd;
    const int before = z->HighestObject;
    PutOnClipboard(ObjectMimeType, block);
    PasteObjects();
    if (z->HighestObject - before != int(records.size()))
        Fail("the paste did not take the block whole");
    const int highest = z->HighestObject;
    fuzz::ReloadWorkingFile(Target, scratch.copy, [&](TZmd& again) {
        if (again.Skipped.Any() || again.HighestObject != highest)
            Fail("the map loads damaged after the paste");
        for (int n = before + 1; n <= again.HighestObject; ++n) {
            const ObjectIndexEntry entry = again.Entry(n);
            ElementRecord& e = Index.AuxElement1;
            if (!EntryLive(entry) || !ReadElement(n, e) || e.ObjectType < PointObject
                || e.ObjectType > RectangleObject || e.nItem < 1 || int(e.nItem) + e.nText > entry.Length)
                Fail("a pasted object does not read back");
        }
    });
    CloseDocument(z);
    fuzz::CheckAllClosed(Target);
}

void PasteGraphicsBlock(const fuzz::MapScratch& scratch, const QByteArray& block)
{
    std::vector<int> elements;
    if (!UnpackSymbolGraphicsBlock(block, elements) && !elements.empty())
        Fail("a refused graphics block gave elements");
    if (!OpenMapByName(scratch.base))
        Fail("the base map does not open");
    TZmd* const z = Index.ActiveZmd;
    auto graphics = std::make_unique<SymbolGraphicsBuffer>();
    graphics->Active = true;
    Index.SymbolGraphics = graphics.get();
    PutOnClipboard(SymbolGraphicsMimeType, block);
    PasteObjects();
    // The buffer's elements fill its used slots exactly, and each reads back.
    const int used = graphics->UsedSlots;
    if (used < 0 || used > SymbolGraphicsSlots)
        Fail("the graphics buffer overflowed");
    int slots = 0;
    for (int n = 1; n <= CountSymbolGraphicsElements(); ++n) {
        if (!GetIndex(n) || !ReadElement(n, Index.AuxElement1) || Index.AuxElement1.nItem < 1)
            Fail("a pasted element does not read back");
        slots += Index.CurIndex.Length;
    }
    if (slots != used || CountSymbolGraphicsElements() > int(elements.size()))
        Fail("the pasted elements do not fill the buffer");
    Index.SymbolGraphics = nullptr;
    CloseDocument(z);
    fuzz::CheckAllClosed(Target);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    if (size == 0)
        return 0;
    const QByteArray block(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (data[0] % 2 == 0)
        PasteObjectBlock(scratch, block);
    else
        PasteGraphicsBlock(scratch, block);
    return 0;
}
