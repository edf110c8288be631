#include "shell/MapInfo.h"

#include "core/FileClass.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/StringX.h"
#include "document/Index.h"

#include <QGuiApplication>
#include <QScreen>

#include <unistd.h>

namespace zemo {

MachineFacts ReadMachineFacts()
{
    MachineFacts m;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m.depth = screen->depth();
        m.screen = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        m.physicalBytes = int64_t(pages) * int64_t(pageSize);
    m.diskFreeMB = DiskFreeMB(StateFolder());
    return m;
}

QString ScreenColorsText(int depth)
{
    switch (depth) {
    case 1: return Text(TextKey::BW);
    case 4: return QStringLiteral("16");
    case 8: return QStringLiteral("256 (8 Bit)");
    case 16: return QStringLiteral("32768 (16 Bit)");
    case 24: return Text(TextKey::TrueColor);
    case 32: return QStringLiteral("32 Bit");
    default: return {};
    }
}

MapInfoTexts MapInfoOf(const MachineFacts& machine)
{
    MapInfoTexts t;
    if (const TZmd* z = Index.MapOpen ? Index.ActiveZmd : nullptr) {
        int64_t memory = 0;
        for (const SymbolBytes& rec : z->Symbols)
            memory += int64_t(rec.size());
        t.objects = IntToGroupedStr(CountObjects());
        t.symbols = IntToGroupedStr(z->SymbolCount());
        t.symbolMemory = IntToGroupedStr(memory);
        t.fileSize = IntToGroupedStr(z->WorkFile.Size());
    }
    t.screenColors = ScreenColorsText(machine.depth);
    t.screenResolution = QString::number(machine.screen.width()) + QStringLiteral(" x ")
                         + QString::number(machine.screen.height());
    t.physicalMemory = IntToGroupedStr(machine.physicalBytes >> 20);
    t.diskSpace = IntToGroupedStr(machine.diskFreeMB);
    return t;
}

QStringList AboutLines()
{
    QStringList l{QStringLiteral("ZEMO")};
    if (!VersionString.isEmpty())
        l << VersionString;
    l << Text(TextKey::PatentNote) << Text(TextKey::Translation);
    return l;
}

} // namespace zemo
