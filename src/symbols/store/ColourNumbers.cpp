#include "symbols/store/ColourNumbers.h"

#include "core/CodePage.h"
#include "core/Messages.h"
#include "core/StringX.h"

#include <algorithm>
#include <bitset>

namespace zemo {

namespace {

int Count(const SymbolHeaderBlock& b)
{
    return std::clamp<int>(b.ColorCount, 0, MaxColors);
}

int PlaceOf(const SymbolHeaderBlock& b, int number)
{
    for (int i = 0; i < Count(b); ++i)
        if (b.Colors[size_t(i)].Number == number)
            return i;
    return -1;
}

QString Name(const ColorRecord& c)
{
    const std::string t = ShortFieldText(c.Name);
    return DecodeCodePage(1252, t.data(), qsizetype(t.size())).trimmed();
}

QString SeparationName(const SeparationRecord& s)
{
    const std::string t = ShortFieldText(s.Name);
    return DecodeCodePage(1252, t.data(), qsizetype(t.size())).trimmed();
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The separation of `into` named as separation `k` of `from`, or -1.
int SameSeparation(const SymbolHeaderBlock& from, int k, const SymbolHeaderBlock& into)
{
    const QString name = SeparationName(from.Separations[size_t(k)]);
    const int count = std::clamp<int>(into.SeparationCount, 0, MaxSeparations);
    for (int t = 0; t < count; ++t)
        if (SameName(SeparationName(into.Separations[size_t(t)]), name))
            return t;
    return -1;
}

// The percentage of the colour in each separation of `into`, the separations matched by
// name; false when it is printed in one `into` lacks.
bool SeparationsInto(const SymbolHeaderBlock& from, const ColorRecord& c, const SymbolHeaderBlock& into,
                     std::array<uint8_t, 32>& out, QString* lacking = nullptr)
{
    out.fill(255);
    const int count = std::clamp<int>(from.SeparationCount, 0, MaxSeparations);
    for (int k = 0; k < count; ++k) {
        const uint8_t v = c.Separations[size_t(k)];
        if (v > 200)
            continue;
        const int t = SameSeparation(from, k, into);
        if (t < 0) {
            if (lacking)
                *lacking = SeparationName(from.Separations[size_t(k)]);
            return false;
        }
        out[size_t(t)] = v;
    }
    return true;
}

bool SameValues(const SymbolHeaderBlock& from, const ColorRecord& s, const SymbolHeaderBlock& into, const ColorRecord& h)
{
    if (s.Cmyk != h.Cmyk || (s.Overprint != 0) != (h.Overprint != 0))
        return false;
    std::array<uint8_t, 32> seps{};
    if (!SeparationsInto(from, s, into, seps))
        return false;
    const int count = std::clamp<int>(into.SeparationCount, 0, MaxSeparations);
    for (int t = 0; t < count; ++t)
        if ((seps[size_t(t)] > 200 ? 255 : seps[size_t(t)]) != (h.Separations[size_t(t)] > 200 ? 255 : h.Separations[size_t(t)]))
            return false;
    return true;
}

// The place here of the colour that matches `s` by the test, the one of the same number
// first; -1 when none does.
template <class Test>
int Match(const SymbolHeaderBlock& here, const ColorRecord& s, Test&& test)
{
    int found = -1;
    for (int i = 0; i < Count(here); ++i) {
        if (!test(here.Colors[size_t(i)]))
            continue;
        if (here.Colors[size_t(i)].Number == s.Number)
            return i;
        if (found < 0)
            found = i;
    }
    return found;
}

int SmallestFree(const SymbolHeaderBlock& b, const std::bitset<MaxColors>& taken)
{
    std::bitset<MaxColors> used = taken;
    for (int i = 0; i < Count(b); ++i)
        if (b.Colors[size_t(i)].Number < MaxColors)
            used.set(b.Colors[size_t(i)].Number);
    for (int n = 0; n < MaxColors; ++n)
        if (!used.test(size_t(n)))
            return n;
    return -1;
}

QString Which(int number, const QString& name)
{
    return QString::number(number) + u' ' + CleanParamText(name).remove(u';');
}

} // namespace

QByteArray PackColourTable(const SymbolHeaderBlock& b)
{
    const auto bytes = WriteSymbolHeaderBytes(b);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool UnpackColourTable(QByteArrayView block, SymbolHeaderBlock& b)
{
    if (block.size() != SymbolHeaderBlockBytes)
        return false;
    b = ReadSymbolHeaderBytes({reinterpret_cast<const uint8_t*>(block.data()), size_t(block.size())});
    CheckSymbolHeader(b);
    return true;
}

ColourPlan PlanColours(const SymbolHeaderBlock& source, const SymbolHeaderBlock& here, const ColorSet& used)
{
    ColourPlan plan;
    plan.Here = here;
    SymbolHeaderBlock& h = plan.Here;
    h.ColorCount = int16_t(Count(h));
    // A colour matches by name alone (the same values preferred among namesakes): a colour of
    // equal values elsewhere in the order would move what it draws above or below others.
    std::vector<int> unmatched;  // source places
    for (int i = 0; i < Count(source); ++i) {
        const ColorRecord& s = source.Colors[size_t(i)];
        if (s.Number >= MaxColors || !used.test(s.Number) || plan.To[s.Number] >= 0)
            continue;
        const QString name = Name(s);
        int at = Match(h, s, [&](const ColorRecord& c) { return SameName(Name(c), name) && SameValues(source, s, h, c); });
        const bool differ = at < 0;
        if (differ)
            at = Match(h, s, [&](const ColorRecord& c) { return SameName(Name(c), name); });
        if (at < 0) {
            unmatched.push_back(i);
            plan.To[s.Number] = int16_t(MaxColors);  // placeholder: taken below
            continue;
        }
        const ColorRecord& c = h.Colors[size_t(at)];
        plan.To[s.Number] = int16_t(c.Number);
        if (differ)
            plan.Lines.push_back({ColourPlan::Kind::ValuesDiffer, s.Number, name, c.Number, Name(c)});
    }
    if (Count(h) + int(unmatched.size()) > MaxColors) {
        plan.Why = ColourPlan::Refusal::TableFull;
        plan.WhyText = MergeMsgParams(Text(unmatched.size() == 1 ? TextKey::ColourTableFullOne : TextKey::ColourTableFull),
                                      QString::number(unmatched.size()) + u';' + QString::number(MaxColors - Count(h)));
        return plan;
    }
    // The place here of the nearest colour from source place i on in the direction of step that
    // is here (by its plan, or by name when the symbols do not use it), or -1.
    const auto nearestHere = [&](int i, int step) {
        for (int k = i + step; k >= 0 && k < Count(source); k += step) {
            const ColorRecord& other = source.Colors[size_t(k)];
            int at = -1;
            if (other.Number < MaxColors && plan.To[other.Number] >= 0)
                at = plan.To[other.Number] < MaxColors ? PlaceOf(h, plan.To[other.Number]) : -1;
            else
                at = Match(h, other, [&](const ColorRecord& c) { return SameName(Name(c), Name(other)); });
            if (at >= 0)
                return at;
        }
        return -1;
    };
    // Each added colour goes in right below the colour here that the nearest one above it in
    // the source became, or else right above the one below it, so that what it draws keeps its
    // place among the other colours.
    std::bitset<MaxColors> taken;
    for (int i : unmatched) {
        const ColorRecord& s = source.Colors[size_t(i)];
        ColorRecord c = s;
        QString lacking;
        if (!SeparationsInto(source, s, h, c.Separations, &lacking)) {
            plan.Why = ColourPlan::Refusal::SeparationMissing;
            plan.WhyText = MergeMsgParams(Text(TextKey::ColourSeparationMissing),
                                          Which(s.Number, Name(s)) + u';' + CleanParamText(lacking).remove(u';'));
            return plan;
        }
        int at = nearestHere(i, -1) + 1;
        if (at == 0)
            at = std::max(nearestHere(i, 1), 0);
        c.Number = uint16_t(SmallestFree(h, taken));
        std::move_backward(h.Colors.begin() + at, h.Colors.begin() + Count(h), h.Colors.begin() + Count(h) + 1);
        h.Colors[size_t(at)] = c;
        ++h.ColorCount;
        plan.To[s.Number] = int16_t(c.Number);
        plan.Lines.push_back({ColourPlan::Kind::Added, s.Number, Name(s), c.Number, {}});
        ++plan.Added;
    }
    // Numbers without a colour in the source draw nothing; here they must not find one.
    for (int n = 0; n < MaxColors; ++n) {
        if (!used.test(size_t(n)) || plan.To[size_t(n)] >= 0)
            continue;
        if (PlaceOf(h, n) < 0 && !taken.test(size_t(n))) {
            plan.To[size_t(n)] = int16_t(n);
        } else {
            const int free = SmallestFree(h, taken);
            plan.To[size_t(n)] = int16_t(free < 0 ? n : free);
        }
        if (plan.To[size_t(n)] >= 0)
            taken.set(size_t(plan.To[size_t(n)]));
    }
    return plan;
}

void MapSymbolColours(SymbolBytes& rec, const ColourPlan& plan)
{
    const auto to = [&](int c) { return c >= 0 && c < MaxColors && plan.To[size_t(c)] >= 0 ? plan.To[size_t(c)] : c; };
    for (size_t offset : SymbolColourFields(rec))
        SetSymI16(rec, offset, int16_t(to(SymI16(rec, offset))));
    const ColorSet before = SymColors(rec);
    ColorSet after;
    for (int c = 0; c < MaxColors; ++c)
        if (before.test(size_t(c)))
            after.set(size_t(to(c)));
    SetSymColors(rec, after);
}

void ReportColourPlan(const ColourPlan& plan, const QString& source)
{
    if (!plan.Refused() && plan.Lines.empty())
        return;
    ShownMessage m;
    m.kind = MsgKind::Warning;
    m.key = plan.Refused() ? TextKey::ColoursRefused : TextKey::ColoursMapped;
    m.params = CleanParamText(source);
    // The lines are merged here: the message's own parameter is the source alone.
    if (plan.Refused()) {
        m.label = QStringLiteral("\r\n") + plan.WhyText;
    } else {
        for (const ColourPlan::Line& l : plan.Lines) {
            const QString from = Which(l.from, l.sourceName);
            switch (l.kind) {
            case ColourPlan::Kind::Added:
                m.label += QStringLiteral("\r\n") + MergeMsgParams(Text(TextKey::ColourAdded), from + u';' + QString::number(l.to));
                break;
            case ColourPlan::Kind::ValuesDiffer:
                m.label += QStringLiteral("\r\n")
                           + MergeMsgParams(Text(TextKey::ColourValuesDiffer), from + u';' + Which(l.to, l.hereName));
                break;
            }
        }
    }
    ShowMsg(m);
}

} // namespace zemo
