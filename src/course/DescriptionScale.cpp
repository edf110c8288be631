#include "course/DescriptionScale.h"

#include "course/CsData.h"
#include "document/Index.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolScale.h"

#include <algorithm>
#include <cmath>

namespace zemo {

DescriptionScaleState CsBox;

bool IsSheetSymbol(int number10)
{
    static constexpr int sheet[] = {8010, 8020, 8100, 8150, 8151, 8152, 8153, 8154,
                                    8160, 8200, 8210, 8220, 8230, 8240, 8250, 8260};
    return std::find(std::begin(sheet), std::end(sheet), number10) != std::end(sheet);
}

int ScaleDescriptionSymbols(double sizeMm)
{
    CsBox.BoxSize = StandardBoxUnits;
    TZmd* z = Index.ActiveZmd;
    if (!z || !(sizeMm >= 3 && sizeMm <= 10) || sizeMm == 6)
        return 0;
    CsBox.BoxSize = int32_t(std::nearbyint(sizeMm * 100)) * 256;
    const double factor = sizeMm / 6;
    int scaled = 0;
    for (SymbolBytes& rec : z->Symbols) {
        if (rec.size() <= SymCsRole)
            continue;
        if (SymU8(rec, SymCsRole) != CsRoleDescription && !IsSheetSymbol(SymI16(rec, SymNumber)))
            continue;
        if (ScaleSymbol(rec, factor))
            ++scaled;
    }
    return scaled;
}

} // namespace zemo
