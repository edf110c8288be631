#include "ColourShots.h"

#include "SettingsShots.h"

#include "core/Config.h"
#include "core/FieldChecks.h"
#include "document/Index.h"
#include "symbols/Colors.h"
#include "symbols/SpotColors.h"
#include "symbols/widgets/ColorCorDlg.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/DefColorDlg.h"
#include "symbols/widgets/EnlargeSymDlg.h"
#include "symbols/widgets/SpotColorsDlg.h"
#include "symbols/widgets/SpotViewOptDlg.h"
#include "symbols/widgets/TranspOptDlg.h"

#include <QTableWidget>

namespace zemo {

namespace {

// The map's colour block with two separations, so that their columns and names show.
SymbolHeaderBlock WithSeparations(SymbolHeaderBlock b)
{
    const char* names[] = {"Black", "Brown"};
    b.SeparationCount = 2;
    for (size_t s = 0; s < 2; ++s) {
        SetShortFieldText(b.Separations[s].Name, names[s]);
        b.Separations[s].Screen = 1500;
        b.Separations[s].Screen2 = int16_t(s ? 750 : 450);
        b.Separations[s].Cmyk =
            s ? std::array<uint8_t, 4>{0, 112, 200, 112} : std::array<uint8_t, 4>{0, 0, 0, 200};
    }
    for (int i = 0; i < b.ColorCount; ++i) {
        ColorRecord& c = b.Colors[size_t(i)];
        c.Separations.fill(NotInSeparation);
        c.Separations[i % 2] = uint8_t(200 - 25 * (i % 5));
    }
    return b;
}

} // namespace

void ColourDialogShots(const ShotSink& sink)
{
    TZmd* z = Index.ActiveZmd;
    if (!z) {
        sink.fail(QStringLiteral("the colour dialogs need an open map"));
        return;
    }
    const auto shoot = [&](QDialog& d, const QString& name) { ShootDialog(sink, d, name); };
    ColorTable table(WithSeparations(z->ColorBlock));
    {
        TColorsDlg colours(table);
        colours.resize(colours.width(), 480);
        colours.Grid()->setCurrentCell(3, 1);
        shoot(colours, QStringLiteral("colours.png"));
    }
    {
        TDefColorDlg colour(table, 3);
        shoot(colour, QStringLiteral("define-colour.png"));
    }
    TZmd sample;
    sample.ColorBlock = table.Block;
    {
        SpotColorsEdit edit(sample);
        TSpotColorsDlg spots(edit);
        shoot(spots, QStringLiteral("spot-colours.png"));
    }
    {
        TSpotViewOptDlg view({QStringLiteral("Black"), QStringLiteral("Brown")}, {true, false});
        shoot(view, QStringLiteral("spot-view-options.png"));
    }
    {
        std::vector<ComboColor> list;
        for (int i = 0; i < table.Count(); ++i)
            list.push_back({table.At(i).Number, ColorName(table.At(i))});
        TTranspOptDlg transparent(list, list.size() > 2 ? list[2].number : -1);
        shoot(transparent, QStringLiteral("transparent-options.png"));
    }
    {
        TColorCorDlg correction(ProgramConfig.ScreenColor, ProgramConfig.ScreenGamma);
        shoot(correction, QStringLiteral("colour-correction.png"));
    }
    {
        TEnlargeSymDlg enlarge;
        shoot(enlarge, QStringLiteral("enlarge-symbols.png"));
    }
}

} // namespace zemo
