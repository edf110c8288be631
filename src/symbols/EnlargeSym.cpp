#include "symbols/EnlargeSym.h"

#include "core/Status.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "shell/CommandFrame.h"
#include "symbols/Ports.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolScale.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// The hourglass while the symbols and their objects change.
class Hourglass {
public:
    Hourglass() { Set(true); }
    ~Hourglass() { Set(false); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    static void Set(bool busy)
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(busy);
    }
};

} // namespace

int EnlargeSymbolsBy(const EnlargeValues& v)
{
    TZmd* z = Map();
    // 100 % leaves every symbol as it is: nothing to write.
    if (!z || !(v.Percent >= MinEnlargePercent && v.Percent <= MaxEnlargePercent) || v.Percent == 100)
        return 0;
    std::vector<int> targets;
    if (v.AllSymbols) {
        for (int k = 0; k < z->SymbolCount(); ++k)
            targets.push_back(k);
    } else {
        targets = SymbolTargets();
    }
    if (targets.empty())
        return 0;
    const Hourglass hourglass;
    const double factor = v.Percent / 100;
    const int failures = z->WriteFailures;
    int scaled = 0, lowest = INT_MAX, highest = INT_MIN;
    for (int k : targets) {
        SymbolBytes& rec = z->Symbols[size_t(k)];
        if (!ScaleSymbol(rec, factor))
            continue;
        z->WriteSymbol(k);
        ++scaled;
        const int number = SymI16(rec, SymNumber);
        lowest = std::min(lowest, number);
        highest = std::max(highest, number);
        if (z->WriteFailures != failures)
            break;
    }
    if (scaled == 0)
        return 0;
    // One pass over the objects for every number between the smallest and largest touched.
    UpdateObjectsOfSymbols(lowest, highest);
    if (z->CoursePreviewOn)
        RefreshCoursePreview();
    RedrawMapWindows();
    return scaled;
}

void EnlargeSymbols()
{
    if (!Map())
        return;
    EnlargeValues v;
    if (SymbolsPorts().RunEnlargeDialog(v))
        EnlargeSymbolsBy(v);
}

void RegisterEnlargeWorker()
{
    RegisterWorker(Cmd::SymbolEnlarge, EnlargeSymbols, [] {
        return Map() != nullptr && SymbolsPorts().RunEnlargeDialog.Bound();
    });
}

} // namespace zemo
