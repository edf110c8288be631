#include "shell/Preferences.h"

#include "core/Numeric.h"
#include "core/StringX.h"

namespace zemo {

namespace {
constexpr int DefaultSelectTolerance = 3;
constexpr int FirstSelectTolerance = 2;
constexpr int LastSelectTolerance = 5;
} // namespace

int PrefsPageHelpContext(PrefsPage page)
{
    switch (page) {
    case PrefsPage::General: return 255;
    case PrefsPage::Additional: return 256;
    case PrefsPage::Warnings: return 259;
    }
    return PreferencesHelpContext;
}

const std::array<PrefsCheck, 13>& PrefsChecks()
{
    using P = PrefsPage;
    using C = ConfigRecord;
    static const std::array<PrefsCheck, 13> checks{{
        {"DelayedLinesB", TextKey::DelayedLines, P::General, &C::LineUpdate},
        {"DelayedAreasB", TextKey::DelayedAreas, P::General, &C::AreaUpdate},
        {"AutoFileLoadB", TextKey::AutoFileLoad, P::General, &C::AutoLoad},
        {"AutoFileSaveB", TextKey::AutoFileSave, P::General, &C::AutoSave},
        {"FreeToCurveB", TextKey::FreeToCurve, P::General, &C::FreehandToCurve},
        {"BackgroundB", TextKey::RedrawBackground, P::General, &C::RedrawBackground},
        {"AutoScrollB", TextKey::AutoScroll, P::General, &C::AutoScroll},
        {"AutoSelectSymB", TextKey::AutoSelectSym, P::General, &C::AutoSelectSym},
        {"ContextMenuB", TextKey::ContextMenu, P::General, &C::ContextMenu},
        {"ObjectStretchB", TextKey::ObjectStretch, P::General, &C::ObjectStretch},
        {"HiddenPrintB", TextKey::HiddenPrint, P::Warnings, &C::HiddenPrintWarning},
        {"HiddenExportB", TextKey::HiddenExport, P::Warnings, &C::HiddenExportWarning},
        {"HiddenImportB", TextKey::HiddenImport, P::Warnings, &C::HiddenImportWarning},
    }};
    return checks;
}

QStringList SelectToleranceChoices()
{
    QStringList l;
    for (int px = FirstSelectTolerance; px <= LastSelectTolerance; ++px)
        l << QString::number(px);
    return l;
}

int SelectToleranceChoice(int stored)
{
    const int shown = stored < FirstSelectTolerance || stored > LastSelectTolerance ? DefaultSelectTolerance : stored;
    return shown - FirstSelectTolerance;
}

int SelectToleranceOf(const QString& choice)
{
    int px = DefaultSelectTolerance;
    TryTrimStrToInt(choice, px);
    return px;
}

double JoinToleranceMm(int stored)
{
    return stored / 100.0;
}

int JoinToleranceOf(double mm)
{
    return SafeRound(mm * 100);
}

} // namespace zemo
