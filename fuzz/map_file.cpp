// A whole map file of arbitrary bytes: loading it, reading every object and string, scanning,
// and a few edits that grow every chain must never crash, hang or read outside the file; a
// failure ends in a message and the silent abort. After the edits the file must load again.
#include "FuzzScratch.h"

#include "core/Errors.h"
#include "core/Messages.h"
#include "document/Index.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

using namespace zemo;

constexpr const char* Target = "map_file";

// The input's file in the process's scratch folder; the units reset once, on the first call.
const QString& WorkPath()
{
    static const QString path = [] {
        fuzz::ResetMapUnits();
        return fuzz::MakeScratchFolder(Target) + QStringLiteral("/input.zmd");
    }();
    return path;
}

void Edit()
{
    TZmd& z = *Index.ActiveZmd;
    ElementRecord& e = Index.CurElement;
    e.Symbol = z.SymbolCount() ? SymI16(z.Symbols[0], SymNumber) : 10;
    e.ObjectType = TextObject;
    e.Flags = 0;
    e.nItem = 1;
    e.nText = 1;
    e.Slots[0] = {256, 256};
    e.Slots[1] = {0x41414141, 0};
    AppendElement();
    if (z.HighestObject >= 1 && ReadElement(1, Index.CurElement) && Index.CurElement.nItem > 0)
        SaveElement(1);
    if (z.HighestObject >= 2)
        DeleteElement(2);
    AddPString(QStringLiteral("Fuzz\tc1"), 2, 0);
    SaveTypedPString(QStringLiteral("\tv1"), 1030);
    if (z.SymbolCount())
        AddNewSymbol(z.Symbols[0]);
    WriteSymbolIndex();
    WriteSetup();
    WriteInfoText("info");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::WriteInput(Target, WorkPath(), data, size);
    RecordingMessages messages;
    bool loaded = false;
    {
        auto zmd = std::make_unique<TZmd>();
        try {
            test::OpenAsCurrentMap(*zmd, WorkPath().toStdString());
            loaded = true;
            fuzz::ReadEverything();
            Edit();
        } catch (const EAbort&) {
            if (!loaded && messages.Count() == 0 && zmd->WorkFile.IsOpen())
                std::abort();  // a failed load must say why
        }
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
    }
    // What the edits wrote is a map again.
    if (loaded)
        fuzz::LoadAgain(Target, WorkPath(), "the edited map does not load again",
                        [](TZmd&) { fuzz::ReadEverything(); });
    QFile::remove(WorkPath());
    return 0;
}
