// A whole map file of arbitrary bytes: loading it, reading every object and string, scanning,
// and a few edits that grow every chain must never crash, hang or read outside the file; a
// failure ends in a message and the silent abort. After the edits the file must load again.
#include "core/Errors.h"
#include "core/Messages.h"
#include "document/Index.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const std::string& WorkPath()
{
    static const std::string path =
        (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp"))
        + "/zemo_fuzz_map_" + std::to_string(::getpid()) + ".zmd";
    return path;
}

void ReadEverything()
{
    using namespace zemo;
    TZmd& z = *Index.ActiveZmd;
    for (int n = 1; n <= z.HighestObject; ++n)
        ReadElement(n, Index.DrawElement);
    StartElementScan(0);
    while (NextElementInRect({-MapAreaLimit, -MapAreaLimit, MapAreaLimit, MapAreaLimit}, 0))
        ;
    for (int s = 0; s < int(z.StringBlocks.size()) * 256; ++s)
        ReadPString(s);
    CordRect r;
    GetMapExtent(r);
    MarkUsedSymbols();
    ReadInfoText();
}

void Edit()
{
    using namespace zemo;
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
    using namespace zemo;
    {
        std::ofstream out(WorkPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    RecordingMessages messages;
    static bool once = [] { ResetIndexState(); return true; }();
    (void)once;
    bool loaded = false;
    {
        auto zmd = std::make_unique<TZmd>();
        try {
            zmd->WorkFile.Open(QString::fromStdString(WorkPath()));
            SetCurrentMap(zmd.get());
            LoadMap();
            loaded = true;
            Index.MapOpen = true;
            ReadEverything();
            Edit();
        } catch (const EAbort&) {
            if (!loaded && messages.Count() == 0 && zmd->WorkFile.IsOpen())
                std::abort();  // a failed load must say why
        }
        Index.MapOpen = false;
        SetCurrentMap(nullptr);
    }
    if (loaded) {
        // What the edits wrote is a map again.
        auto zmd = std::make_unique<TZmd>();
        zmd->WorkFile.Open(QString::fromStdString(WorkPath()));
        SetCurrentMap(zmd.get());
        try {
            LoadMap();
            ReadEverything();
        } catch (const EAbort&) {
            std::abort();
        }
        SetCurrentMap(nullptr);
    }
    ::unlink(WorkPath().c_str());
    return 0;
}
