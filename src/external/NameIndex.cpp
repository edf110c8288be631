#include "external/NameIndex.h"

#include "core/Element.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "external/Ports.h"
#include "render/PathWalk.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <QClipboard>
#include <QCollator>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace zemo {

namespace {

constexpr double UnitsPerMm = 25600;

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool TakesText(const SymbolBytes& s)
{
    return SymU8(s, SymTextFlag) == 1;
}

int CellIndex(double offsetUnits, double cellMm)
{
    if (cellMm <= 0)
        return 0;
    const double k = std::trunc(offsetUnits / UnitsPerMm / cellMm);
    return k > 0 ? int(std::min(k, 1e9)) : 0;
}

} // namespace

QString NameIndexCell(Cord p, const NameIndexValues& v)
{
    const double ox = std::nearbyint(v.HorOfs * 100) * 256, oy = std::nearbyint(v.VerOfs * 100) * 256;
    double x = Masked(p.x), y = Masked(p.y);
    if (v.Angle != 0) {
        const double a = v.Angle * std::numbers::pi / 180, dx = x - ox, dy = y - oy;
        x = ox + dx * std::cos(a) + dy * std::sin(a);
        y = oy - dx * std::sin(a) + dy * std::cos(a);
    }
    const int column = CellIndex(x - ox, v.HorDist);
    const bool upward = v.Style == 2 || v.Style == 3;
    const int row = CellIndex(upward ? y - oy : oy - y, v.VerDist);
    const bool columnLetter = v.Style == 0 || v.Style == 2;
    const int letter = std::min(columnLetter ? column : row, 25);
    const int number = (columnLetter ? row : column) + 1;
    return u'\t' + QChar(u'A' + letter) + u' ' + QString::number(number) + QStringLiteral("\r\n");
}

Cord NameIndexPoint(const ElementRecord& e, const CordRect& box, int lineTextExtent)
{
    Cord p{int32_t((int64_t(box.x1) + box.x2) / 2), int32_t((int64_t(box.y1) + box.y2) / 2)};
    const Cord* c = e.Cords();
    if (e.ObjectType == LineObject && e.nItem > 0) {
        PrepareLinePath(c, e.nItem);
        StartPathWalk();
        WalkPathTo(PathWalk.TotalLength / 2);
        p = PathWalk.Current;
        if (lineTextExtent > 0) {
            Cord left{}, right{};
            WalkOffsetPoints(lineTextExtent / 3, left, right);
            p = left;
        }
    } else if (e.ObjectType == AreaObject && e.nItem > 0) {
        int n = 1;
        while (n < e.nItem && !(c[n].y & HoleFlag))
            ++n;
        int32_t ymin = Masked(c[0].y), ymax = ymin;
        for (int i = 1; i < n; ++i) {
            ymin = std::min(ymin, Masked(c[i].y));
            ymax = std::max(ymax, Masked(c[i].y));
        }
        const int32_t y = Masked(int32_t((int64_t(ymin) + ymax) / 2));
        std::vector<int32_t> xs;
        for (int i = 0; i < n; ++i) {
            const Cord a = c[i], b = c[(i + 1) % n];
            const int32_t ya = Masked(a.y), yb = Masked(b.y);
            if ((ya <= y && y < yb) || (yb <= y && y < ya))
                xs.push_back(SegmentXAtY(a, b, y));
        }
        std::sort(xs.begin(), xs.end());
        p = {xs.size() >= 2 ? int32_t((int64_t(xs[0]) + xs[1]) / 2) : c[0].x, y};
    }
    return {Masked(p.x), Masked(p.y)};
}

bool PrepareNameIndexSymbols()
{
    TZmd* z = Map();
    if (!z)
        return false;
    if (const int c = CurrentSymbolPos(); c >= 0) {
        if (!TakesText(z->Symbols[size_t(c)])) {
            ErrorMsg(TextKey::TextSymRequired, {}, NameIndexHelpContext);
            return false;
        }
        for (SymbolBytes& r : z->Symbols)
            SetSymU8(r, SymSelected, 0);
        SetSymU8(z->Symbols[size_t(c)], SymSelected, 1);
        return true;
    }
    for (const SymbolBytes& r : z->Symbols)
        if (SymU8(r, SymSelected) && TakesText(r))
            return true;
    ErrorMsg(TextKey::TextSymRequired, {}, NameIndexHelpContext);
    return false;
}

QStringList BuildNameIndex(const NameIndexValues& v)
{
    TZmd* z = Map();
    QStringList entries;
    if (!z)
        return entries;
    static const std::unique_ptr<ElementRecord> buffer = std::make_unique<ElementRecord>();
    ElementRecord& e = *buffer;
    StartProgress(TextKey::NameIndex, TextKey::ObjDone, z->HighestObject, 10, false);
    for (int n = 1; n <= z->HighestObject; ++n) {
        UpdateProgress(n, n);
        if (!GetIndex(n))
            continue;
        const int number = int16_t(Index.CurIndex.Symbol) & ~int(CourseOnlyMark);
        if (number < 1 || number > MaxSymbolNumber)
            continue;
        const int place = z->NumberTable[size_t(number)];
        if (place < 0)
            continue;
        const SymbolBytes& s = z->Symbols[size_t(place)];
        if (!SymU8(s, SymSelected) || !TakesText(s))
            continue;
        const CordRect box = Index.CurIndex.Rect;
        if (!ReadElement(n, e) || e.nText == 0)
            continue;
        const QString text = QString::fromStdU16String(DocumentPorts().PrepareText(e).Text);
        if (text.isEmpty())
            continue;
        const bool lineText = e.ObjectType == LineObject && SymI16(s, SymObjectType) == LineObject;
        const Cord p = NameIndexPoint(e, box, lineText ? SymI16(s, SymExtent) : 0);
        // The whole suffix: a cut one would join lines from row 100 on.
        entries << text + NameIndexCell(p, v);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    EndProgress();
    return entries;
}

void CreateNameIndex()
{
    if (!Map() || !PrepareNameIndexSymbols())
        return;
    static NameIndexValues values;
    if (const SetupRecord* s = Stp())
        values.HorDist = values.VerDist = s->PaperGridDistance;
    if (!ExternalPorts().RunNameIndexDlg(values))
        return;
    const QStringList entries = BuildNameIndex(values);
    if (!entries.isEmpty())
        QGuiApplication::clipboard()->setText(entries.join(QString()));
    ShowStatusNow(TextKey::ObjFound, QString::number(entries.size()));
}

} // namespace zemo
