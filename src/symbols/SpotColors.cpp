#include "symbols/SpotColors.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/FieldChecks.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "edit/Work.h"
#include "render/GraphSys.h"
#include "shell/CommandFrame.h"
#include "symbols/Colors.h"
#include "symbols/Ports.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <cmath>

namespace zemo {

namespace {

struct SpotColorsState {
    int Remembered = 0;  // the dialog's entry at its last showing
};

SpotColorsState& State()
{
    static SpotColorsState s;
    return s;
}

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// Every colour record holds `value` in separation place `at`.
void SetColumn(SymbolHeaderBlock& b, int at, uint8_t value)
{
    for (ColorRecord& c : b.Colors)
        c.Separations[size_t(at)] = value;
}

uint8_t HalfPercent(double percent)
{
    return uint8_t(std::clamp(std::nearbyint(percent * 2), 0.0, 200.0));
}

int16_t Tenths(double v)
{
    return int16_t(std::nearbyint(v * 10));
}

// Changes 'a' of the current map's view options and saves them.
void SaveShownField(const QString& shown)
{
    if (!Map())
        return;
    QString options = ViewOptions();
    if (GetParamText(options, ShownSeparationsField) == shown)
        return;
    SetParam(options, ShownSeparationsField, shown);
    SaveViewOptions(options);
}

void RedrawEveryMapWindow()
{
    for (MapView* v : MapViews()) {
        if (!v->Form)
            continue;
        v->PendingValid = false;
        v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
    }
}

} // namespace

// ---- The view options ----

QString ViewOptions()
{
    TZmd* z = Map();
    const int slot = MapSettingsSlot(ViewOptionsType);
    return z && slot >= 0 ? z->MapSettings[size_t(slot)] : QString();
}

bool SaveViewOptions(const QString& options)
{
    return Map() && SaveTypedPString(options, ViewOptionsType);
}

bool SeparationShown(const QString& shownField, int i)
{
    return i < 0 || i >= shownField.size() || shownField[i] == u'1';
}

QString ShownAfterInsert(const QString& shownField, int at)
{
    QString s = shownField;
    if (at >= 0 && at <= s.size())
        s.insert(at, u'1');
    return s;
}

QString ShownAfterDelete(const QString& shownField, int at)
{
    QString s = shownField;
    if (at >= 0 && at < s.size())
        s.remove(at, 1);
    return s;
}

// ---- The separations ----

QString SeparationName(const QString& typed)
{
    QString name = typed;
    while (!name.isEmpty() && name.front() == u' ')
        name.remove(0, 1);
    // Through Unicode: the case of 8-bit letters such as "Ä" changes too.
    name = name.toLower();
    if (!name.isEmpty())
        name.replace(0, 1, name.left(1).toUpper());
    return name;
}

SpotColorsEdit::SpotColorsEdit(TZmd& map) : map_(map)
{
    SymbolHeaderBlock& b = map_.ColorBlock;
    b.SeparationCount = int16_t(std::clamp<int>(b.SeparationCount, 0, MaxSeparations));
}

int SpotColorsEdit::Count() const
{
    return map_.ColorBlock.SeparationCount;
}

QStringList SpotColorsEdit::Entries() const
{
    QStringList names;
    for (int i = 0; i < Count(); ++i)
        names << Values(i).Name;
    if (names.isEmpty())
        names << QString();
    return names;
}

SeparationValues SpotColorsEdit::Values(int i) const
{
    SeparationValues v;
    if (i < 0 || i >= Count())
        return v;  // the prepared separation
    const SeparationRecord& s = map_.ColorBlock.Separations[size_t(i)];
    v.Name = NameFieldText(s.Name);
    v.Lpi = s.Screen / 10.0;
    v.Angle = s.Screen2 / 10.0;
    for (size_t k = 0; k < 4; ++k)
        v.Cmyk[k] = s.Cmyk[k] / 2.0;
    return v;
}

SeparationTexts SpotColorsEdit::Texts(int i) const
{
    const SeparationValues v = Values(i);
    SeparationTexts t{v.Name.left(MaxSeparationNameChars), FloatToFixedStr(1, v.Lpi), FloatToFixedStr(1, v.Angle), {}};
    for (size_t k = 0; k < 4; ++k)
        t.Cmyk[k] = FloatToTrimStr(0, 1, v.Cmyk[k]);
    return t;
}

SpotColorsEdit::Field SpotColorsEdit::Store(int i, const SeparationTexts& t)
{
    // Fields left as shown keep what the map holds, even values the checks would refuse.
    const SeparationTexts shown = Texts(i);
    const bool stored = i >= 0 && i < Count();
    const QString name = stored && t.Name == shown.Name ? Values(i).Name
                                                        : SeparationName(t.Name.left(MaxSeparationNameChars));
    if (name.isEmpty()) {
        if (Count() == 0)
            return Field::None;  // the prepared separation stays unnamed, uncounted
        ErrorMsg(TextKey::SepNameEmpty);
        return Field::Name;
    }
    // An empty field reads as 0, as in every spin field.
    const auto real = [](const QString& text, TextKey label, double max, const QString& unit,
                         double& v) {
        const double min = label == TextKey::HalfFreq ? MinSeparationLpi : -max;
        if (!CheckRealSpinText(text, Text(label).remove(u'&'), min, max, 1, unit))
            return false;
        v = 0;
        TryPointStrToFloat(text, v);
        return true;
    };
    const auto kept = [&](const QString& text, const QString& shownText) { return stored && text == shownText; };
    double lpi = 0, angle = 0;
    if (!kept(t.Lpi, shown.Lpi) && !real(t.Lpi, TextKey::HalfFreq, MaxSeparationLpi, QStringLiteral("lpi"), lpi))
        return Field::Lpi;
    if (!kept(t.Angle, shown.Angle)
        && !real(t.Angle, TextKey::HalfAng, MaxSeparationAngle, Text(TextKey::Degrees), angle))
        return Field::Angle;
    static constexpr std::array<TextKey, 4> cmykLabels = {TextKey::Cyan, TextKey::Magenta,
                                                         TextKey::Yellow, TextKey::Black};
    std::array<double, 4> cmyk{};
    for (size_t k = 0; k < 4; ++k)
        if (!kept(t.Cmyk[k], shown.Cmyk[k]) && !CheckPercentText(t.Cmyk[k], Text(cmykLabels[k]), &cmyk[k]))
            return Field(int(Field::Cyan) + int(k));

    SymbolHeaderBlock& b = map_.ColorBlock;
    if (Count() == 0) {
        // The prepared separation becomes the first: no colour is printed in it yet.
        i = 0;
        b.Separations[0] = SeparationRecord{};
        SetColumn(b, 0, NotInSeparation);
        b.SeparationCount = 1;
    }
    if (i < 0 || i >= Count())
        return Field::None;
    SeparationRecord& s = b.Separations[size_t(i)];
    if (name != Values(i).Name)
        SetShortFieldText(s.Name, EncodeCodePage(1252, name).toStdString());
    if (!kept(t.Lpi, shown.Lpi))
        s.Screen = Tenths(lpi);
    if (!kept(t.Angle, shown.Angle))
        s.Screen2 = Tenths(angle);
    for (size_t k = 0; k < 4; ++k)
        if (!kept(t.Cmyk[k], shown.Cmyk[k]))
            s.Cmyk[k] = HalfPercent(cmyk[k]);
    return Field::None;
}

int SpotColorsEdit::Add(int i)
{
    if (!CanAdd() || i < 0 || i >= Count())
        return -1;
    SymbolHeaderBlock& b = map_.ColorBlock;
    const int at = i + 1, count = Count();
    std::move_backward(b.Separations.begin() + at, b.Separations.begin() + count,
                       b.Separations.begin() + count + 1);
    SeparationRecord fresh;
    fresh.Screen = NewSeparationScreen;
    fresh.Screen2 = NewSeparationAngle;
    b.Separations[size_t(at)] = fresh;
    for (ColorRecord& c : b.Colors) {
        std::move_backward(c.Separations.begin() + at, c.Separations.begin() + count,
                           c.Separations.begin() + count + 1);
        c.Separations[size_t(at)] = NotInSeparation;
    }
    ++b.SeparationCount;
    if (&map_ == Map())
        SaveShownField(ShownAfterInsert(GetParamText(ViewOptions(), ShownSeparationsField), at));
    return at;
}

int SpotColorsEdit::Delete(int i)
{
    if (!CanDelete() || i < 0 || i >= Count())
        return std::max(Remembered(), 0);
    SymbolHeaderBlock& b = map_.ColorBlock;
    const int count = Count();
    std::move(b.Separations.begin() + i + 1, b.Separations.begin() + count,
              b.Separations.begin() + i);
    b.Separations[size_t(count - 1)] = SeparationRecord{};
    for (ColorRecord& c : b.Colors)
        std::move(c.Separations.begin() + i + 1, c.Separations.begin() + count,
                  c.Separations.begin() + i);
    // The column the delete frees is in no colour.
    SetColumn(b, count - 1, NotInSeparation);
    --b.SeparationCount;
    if (&map_ == Map())
        SaveShownField(ShownAfterDelete(GetParamText(ViewOptions(), ShownSeparationsField), i));
    return std::max(i - 1, 0);
}

int SpotColorsEdit::Remembered() const
{
    return std::clamp(State().Remembered, 0, std::max(Count() - 1, 0));
}

void SpotColorsEdit::Remember(int i)
{
    State().Remembered = i;
}

// ---- The workers ----

void EditSpotColors()
{
    TZmd* z = Map();
    if (!z)
        return;
    SpotColorsEdit edit(*z);
    const auto before = WriteSymbolHeaderBytes(z->ColorBlock);
    SymbolsPorts().RunSpotColorsDialog(edit);
    // Only looked at: nothing to write, the map unchanged.
    if (WriteSymbolHeaderBytes(z->ColorBlock) == before)
        return;
    z->WriteSymbolIndex();
    if (GetParamBool(ViewOptions(), SpotViewField, false))
        RedrawMapWindows();
}

void EditSpotViewOptions()
{
    TZmd* z = Map();
    if (!z)
        return;
    SpotColorsEdit edit(*z);
    const QStringList names = edit.Count() > 0 ? edit.Entries() : QStringList();
    const QString field = GetParamText(ViewOptions(), ShownSeparationsField);
    std::vector<bool> shown;
    for (int i = 0; i < names.size(); ++i)
        shown.push_back(SeparationShown(field, i));
    const std::vector<bool> before = shown;
    if (!SymbolsPorts().RunSpotViewOptDialog(names, shown) || shown == before)
        return;
    QString a;
    for (bool on : shown)
        a += on ? u'1' : u'0';
    SaveShownField(a);
    RedrawMapWindows();
}

void EditTranspOptions()
{
    TZmd* z = Map();
    if (!z)
        return;
    std::vector<ComboColor> colours;
    const int count = std::clamp<int>(z->ColorBlock.ColorCount, 0, MaxColors);
    for (int i = 0; i < count; ++i) {
        const ColorRecord& c = z->ColorBlock.Colors[size_t(i)];
        colours.push_back({c.Number, ColorName(c)});
    }
    int opaque = GetParamInt(ViewOptions(), OpaqueColorField, -1);
    const int before = opaque;
    if (!SymbolsPorts().RunTranspOptDialog(colours, opaque) || opaque == before)
        return;
    QString options = ViewOptions();
    SetParam(options, OpaqueColorField, QString::number(opaque));
    SaveViewOptions(options);
    RedrawMapWindows();
}

void EditColorCorrection()
{
    int color = ProgramConfig.ScreenColor, gamma = ProgramConfig.ScreenGamma;
    if (!SymbolsPorts().RunColorCorDialog(color, gamma))
        return;
    ProgramConfig.ScreenColor = std::clamp(color, -100, 100);
    ProgramConfig.ScreenGamma = std::clamp(gamma, -100, 100);
    InitScreenColorTables();
    WriteConfig();
    RedrawEveryMapWindow();
    SymbolsPorts().RepaintSymbolBox();
}

void RegisterSpotColorWorkers()
{
    const auto with = [](const PortBase& port) {
        return [&port] { return Map() != nullptr && port.Bound(); };
    };
    SymbolsPortSet& p = SymbolsPorts();
    RegisterWorker(Cmd::SymbolSpotColors, EditSpotColors, with(p.RunSpotColorsDialog));
    RegisterWorker(Cmd::ViewSpotOpt, EditSpotViewOptions, with(p.RunSpotViewOptDialog));
    RegisterWorker(Cmd::ViewTranspOpt, EditTranspOptions, with(p.RunTranspOptDialog));
    RegisterWorker(Cmd::OptionsColorCor, EditColorCorrection, with(p.RunColorCorDialog));
}

} // namespace zemo
