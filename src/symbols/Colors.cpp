#include "symbols/Colors.h"

#include "core/CodePage.h"
#include "core/FieldChecks.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "shell/CommandFrame.h"
#include "symbols/Ports.h"
#include "symbols/SymbolMenu.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace zemo {

namespace {

constexpr int MaxHalfPercent = 200;

QString PercentText()
{
    return QStringLiteral("%");
}

// A colour whose sum with black passes 100 shows as black, not as a negative value.
void DeriveRgb(ColorFields& f)
{
    for (size_t k = 0; k < 3; ++k)
        f.Rgb[k] = std::clamp(100 - f.Cmyk[k] - f.Cmyk[3], 0.0, 100.0);
}

} // namespace

QString SeparationCellText(uint8_t halfPercent)
{
    if (halfPercent > MaxHalfPercent)
        return {};
    if (halfPercent % 2)
        return FloatToFixedStr(1, halfPercent / 2.0);
    return QString::number(halfPercent / 2);
}

bool ParseSeparationCell(const QString& text, uint8_t& halfPercent)
{
    QString t = text;
    while (!t.isEmpty() && t.front() == u' ')
        t.remove(0, 1);
    if (t.isEmpty()) {
        halfPercent = NotInSeparation;
        return true;
    }
    double v = 0;
    if (!TryPointStrToFloat(t, v) || v < 0 || v > 100)
        return false;
    halfPercent = uint8_t(std::nearbyint(v * 2));
    return true;
}

QString NameFieldText(std::span<const uint8_t> field)
{
    const std::string s = ShortFieldText(field);
    return DecodeCodePage(1252, s.data(), qsizetype(s.size()));
}

QString ColorName(const ColorRecord& c)
{
    return NameFieldText(c.Name);
}

void SetColorName(ColorRecord& c, const QString& name)
{
    if (name == ColorName(c))
        return;
    const QByteArray bytes = EncodeCodePage(1252, name).left(MaxColorNameBytes);
    SetShortFieldText(c.Name, bytes.toStdString());
}

// ---- The table ----

ColorTable::ColorTable(const SymbolHeaderBlock& block) : Block(block)
{
    Block.ColorCount = int16_t(std::clamp<int>(Block.ColorCount, 1, MaxColors));
    Block.SeparationCount = int16_t(std::clamp<int>(Block.SeparationCount, 0, MaxSeparations));
}

void ColorTable::ToggleOverprint(int i)
{
    int16_t& o = At(i).Overprint;
    o = o ? 0 : -1;
}

bool ColorTable::Move(int i, int delta)
{
    const int j = i + delta;
    if (i < 0 || i >= Count() || j < 0 || j >= Count())
        return false;
    std::swap(At(i), At(j));
    return true;
}

int ColorTable::SmallestFreeNumber() const
{
    std::bitset<MaxColors + 1> used;
    for (int i = 0; i < Count(); ++i)
        if (At(i).Number <= MaxColors)
            used.set(At(i).Number);
    int n = 0;
    while (used.test(size_t(n)))
        ++n;
    return n;
}

int ColorTable::AddAfter(int i)
{
    if (!CanAdd())
        return -1;
    const int at = std::clamp(i + 1, 0, Count());
    std::move_backward(Block.Colors.begin() + at, Block.Colors.begin() + Count(),
                       Block.Colors.begin() + Count() + 1);
    ColorRecord fresh;
    fresh.Separations.fill(NotInSeparation);
    fresh.Number = uint16_t(SmallestFreeNumber());
    At(at) = fresh;
    ++Block.ColorCount;
    return at;
}

int ColorTable::Delete(int i)
{
    if (!CanDelete() || i < 0 || i >= Count())
        return -1;
    std::move(Block.Colors.begin() + i + 1, Block.Colors.begin() + Count(),
              Block.Colors.begin() + i);
    --Block.ColorCount;
    // The freed record behind the table is cleared, as a new table would have it.
    At(Count()) = ColorRecord{};
    return std::max(i - 1, 0);
}

ColorTable::BadCell ColorTable::StoreGrid(const std::vector<GridRow>& rows)
{
    const int n = std::min<int>(Count(), int(rows.size()));
    std::vector<std::array<uint8_t, MaxSeparations>> values(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
        const auto& cells = rows[size_t(r)].cells;
        for (int s = 0; s < Separations() && s < int(cells.size()); ++s) {
            if (!ParseSeparationCell(cells[size_t(s)], values[size_t(r)][size_t(s)])) {
                ShowMustBetween(Text(TextKey::Value), 0, 0, 100, PercentText());
                return {r, s};
            }
        }
    }
    for (int r = 0; r < n; ++r) {
        ColorRecord& c = At(r);
        SetColorName(c, rows[size_t(r)].name);
        const auto& cells = rows[size_t(r)].cells;
        for (int s = 0; s < Separations() && s < int(cells.size()); ++s)
            c.Separations[size_t(s)] = values[size_t(r)][size_t(s)];
    }
    return {};
}

// ---- The colour dialog's fields ----

ColorFields ColorFields::Of(const ColorRecord& c)
{
    ColorFields f;
    for (size_t i = 0; i < 4; ++i)
        f.Cmyk[i] = c.Cmyk[i] / 2.0;
    DeriveRgb(f);
    return f;
}

void ColorFields::SetCmyk(int i, double percent)
{
    Cmyk[size_t(i)] = percent;
    DeriveRgb(*this);
}

void ColorFields::SetRgb(int i, double percent)
{
    Rgb[size_t(i)] = percent;
    std::array<double, 3> cmy;
    for (int k = 0; k < 3; ++k)
        cmy[size_t(k)] = 100 - Rgb[size_t(k)];
    const double black = *std::min_element(cmy.begin(), cmy.end());
    for (int k = 0; k < 3; ++k)
        Cmyk[size_t(k)] = cmy[size_t(k)] - black;
    Cmyk[3] = black;
}

void ColorFields::StoreCmyk(ColorRecord& c) const
{
    for (int i = 0; i < 4; ++i)
        c.Cmyk[size_t(i)] = uint8_t(std::clamp(std::nearbyint(Cmyk[size_t(i)] * 2), 0.0, 200.0));
}

bool CheckPercentText(const QString& text, const QString& label, double* value)
{
    double v = 0;
    if (!text.trimmed().isEmpty() && !TryPointStrToFloat(text, v)) {
        ShowNoNumber(label);
        return false;
    }
    if (v < 0 || v > 100) {
        ShowMustBetween(label, 0, 0, 100, PercentText());
        return false;
    }
    if (value)
        *value = v;
    return true;
}

// ---- The worker ----

void EditColorTable()
{
    TZmd* z = Index.MapOpen ? Index.ActiveZmd : nullptr;
    if (!z)
        return;
    ColorTable table(z->ColorBlock);
    // Closed on the table as it was: nothing to write.
    if (!SymbolsPorts().RunColorsDialog(table) || WriteSymbolHeaderBytes(table.Block) == WriteSymbolHeaderBytes(z->ColorBlock))
        return;
    z->ColorBlock = table.Block;
    z->WriteSymbolIndex();
    RedrawMapWindows();
    SymbolsPorts().RepaintSymbolBox();
}

void RegisterColorsWorker()
{
    RegisterWorker(Cmd::SymbolColors, EditColorTable, [] {
        return Index.MapOpen && Index.ActiveZmd && SymbolsPorts().RunColorsDialog.Bound();
    });
}

} // namespace zemo
