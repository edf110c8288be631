// Another map of arbitrary bytes imported into a small map: its object and symbol chains
// walked, its symbols merged, its objects placed by an offset. None of it may crash, hang or
// read outside the file; the objects that came in read back and one undo takes them away.
#include "FuzzScratch.h"

#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "io/Import.h"

namespace {

using namespace zemo;

constexpr const char* Target = "map_import";

const fuzz::MapScratch& Scratch()
{
    static const fuzz::MapScratch scratch = [] {
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Line(20), test::TestSymbol::Point(10)};
        return fuzz::SetUpMaps(Target, w);
    }();
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzz::MapScratch& scratch = Scratch();
    const QString input = scratch.dir + QStringLiteral("/input.zmd");
    fuzz::WriteInput(Target, input, data, size);
    RecordingMessages messages;
    messages.SetDefaultAnswer(IdOk);
    if (!OpenMapByName(scratch.base))
        fuzz::Fail(Target, "the base map does not open");
    UndoRing ring;
    SetActiveUndoRing(&ring);
    CreateUndoFile(false);
    try {
        TFileClass f;
        f.OpenRead(input);
        SourceHasHiddenSymbols(f);
        const int n = ImportMap(f, {false, 12.5, -3});
        fuzz::ReadEverything();
        if (n > 0) {
            UndoEdit();
            if (CountObjects() != 0)
                fuzz::Fail(Target, "undo leaves imported objects behind");
        }
    } catch (const EAbort&) {
    }
    SetActiveUndoRing(nullptr);
    CloseUndoFile();
    CloseDocument(Index.ActiveZmd);
    fuzz::CheckAllClosed(Target);
    QFile::remove(input);
    return 0;
}
