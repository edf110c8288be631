#include "io/ExpDxf.h"

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/EditSys.h"
#include "io/Ports.h"
#include "render/Bezier.h"
#include "render/Scale.h"
#include "render/Texts.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zemo {

namespace {

// Every digit the decimals ask for: real-world metres with 8 decimals need 15 of them.
QByteArray FixedNumber(double v, int decimals)
{
    if (!std::isfinite(v))
        v = 0;
    std::array<char, 64> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return "0";
    QByteArray out(buf.data(), qsizetype(r.ptr - buf.data()));
    // No "-0.00".
    if (out.startsWith('-') && out.count('0') == out.size() - 2)
        out.remove(0, 1);
    return out;
}

struct Writer {
    ExportFile& out;
    const ExpDxfOptions& o;
    const std::vector<LayerEntry>& table;
    DxfNumbers num;
    RealWorldRef ref;
    double realAngle = 0;
    QByteArray layer;

    void Group(int code, const QByteArray& value)
    {
        out.WriteLine(QByteArray::number(code).rightJustified(3, ' '));
        out.WriteLine(value);
    }
    QByteArray Number(double v) const { return FixedNumber(v, num.Decimals); }

    // WriteDxfPoint: a coordinate pair.
    void Point(Cord c)
    {
        double x = 0;
        double y = 0;
        if (num.RealWorld) {
            CordToRealWorld({Masked(c.x), Masked(c.y)}, ref, x, y);
        } else {
            x = (Masked(c.x) / 256) * num.Factor;
            y = (Masked(c.y) / 256) * num.Factor;
        }
        Group(10, Number(x));
        Group(20, Number(y));
    }
    // WriteDxfLayer.
    void Layer() { Group(8, layer); }
    // WriteDxfAngle.
    void Angle(int tenths)
    {
        double a = tenths / 10.0;
        if (num.RealWorld)
            a -= realAngle;
        Group(50, FixedNumber(a, 1));
    }

    void SetLayer(int symbol)
    {
        for (const LayerEntry& e : table)
            if (e.Symbol10 == symbol) {
                layer = e.Name;
                return;
            }
        layer = QByteArray::number(symbol);
    }

    void PolylineHead(bool closed)
    {
        Group(0, "POLYLINE");
        Group(66, "1");
        if (closed)
            Group(70, "1");
        Layer();
    }

    void Vertex(Cord c)
    {
        Group(0, "VERTEX");
        Layer();
        Point(c);
    }

    void Vertices(const ElementRecord& e, bool area)
    {
        const int count = area ? e.nItem : std::min<int>(LineItems(e), e.nItem);
        const Cord* p = e.Cords();
        std::array<Cord, 1 << DxfFlattenDepth> flat{};
        for (int i = 0; i < count; ++i) {
            if (area && i > 0 && (p[i].y & HoleFlag)) {
                Group(0, "SEQEND");
                PolylineHead(true);
            }
            if (i > 0 && i < count - 2 && (p[i].x & FirstBezierFlag)) {
                const int n = FlattenBezier(p + i - 1, flat.data(), DxfFlattenDepth, DxfFlattenTolerance);
                for (int k = 0; k < n; ++k)
                    Vertex(flat[size_t(k)]);
                i += 2;
                continue;
            }
            Vertex(p[i]);
        }
    }

    // WriteDxfText and WriteDxfLineText: one text item of a text or line-text symbol.
    void Text(ElementRecord& item, bool lineText)
    {
        SymbolBytes* sym = nullptr;
        if (!GetSymbol(item.Symbol, sym))
            return;
        const bool isLineText = SymI16(*sym, SymObjectType) == LineObject && (*sym)[SymTextFlag] == 1;
        const bool isText = SymI16(*sym, SymObjectType) == TextObject;
        if (lineText ? !isLineText : !isText)
            return;
        if (sym->size() < TsFontSize + 2)
            return;
        const PreparedText prepared = DocumentPorts().PrepareText(item);
        QString s = QString::fromStdU16String(prepared.Text).left(255);
        for (qsizetype k = 0; k < s.size(); ++k)
            if (s[k].unicode() < 32) {
                s.truncate(k);
                break;
            }
        QByteArray bytes = EncodeCodePage(o.Oem ? 437 : 1252, s);
        if (bytes.isEmpty())
            bytes = " ";
        Group(0, "TEXT");
        Layer();
        Point(item.Cords()[0]);
        const double height = SymI16(*sym, TsFontSize) / 720.0 * 2540 * num.Factor;
        Group(40, Number(height));
        Group(1, bytes);
        Angle(item.Angle);
    }

    void Object(ElementRecord& e)
    {
        SetLayer(e.Symbol);
        switch (e.ObjectType) {
        case PointObject:
            Group(0, "POINT");
            Layer();
            Point(e.Cords()[0]);
            Angle(e.Angle);
            break;
        case LineObject:
            if (e.nText > 0) {
                ExportLineText([this](ElementRecord& item) { Text(item, true); });
                break;
            }
            PolylineHead(false);
            Vertices(e, false);
            Group(0, "SEQEND");
            break;
        case AreaObject:
            PolylineHead(true);
            Vertices(e, true);
            Group(0, "SEQEND");
            break;
        case TextObject:
            ExportTextObject([this](ElementRecord& item) { Text(item, false); });
            break;
        case RectangleObject:
            if (e.nText > 0)
                ExportTextObject([this](ElementRecord& item) { Text(item, false); });
            break;
        default:
            break;
        }
    }
};

RealWorldRef RefOf(const SetupRecord& s)
{
    return {s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
}

} // namespace

DxfNumbers DxfNumbersFor(bool gis, double mapScale)
{
    DxfNumbers n;
    n.RealWorld = gis;
    n.Factor = gis ? mapScale / 100000 : 0.01;
    n.Decimals = n.Factor < 0.0001 ? 8 : n.Factor < 0.01 ? 4 : 2;
    return n;
}

bool WriteDxfFile(ExportFile& out, const ExpDxfOptions& o, const std::vector<LayerEntry>& table,
                  MissingSymbols* missing)
{
    TZmd& z = *Index.ActiveZmd;
    const SetupRecord& s = *Stp();
    Writer w{out, o, table, DxfNumbersFor(o.Gis, s.MapScale), RefOf(s), s.RealWorldAngle, {}};
    w.Group(0, "SECTION");
    w.Group(2, "HEADER");
    CordRect extent{};
    GetMapExtent(extent);
    if (w.num.RealWorld) {
        RealWorldBox box;
        RealWorldExtent(extent, w.ref, box);
        w.Group(9, "$EXTMIN");
        w.Group(10, w.Number(box.MinEast));
        w.Group(20, w.Number(box.MinNorth));
        w.Group(9, "$EXTMAX");
        w.Group(10, w.Number(box.MaxEast));
        w.Group(20, w.Number(box.MaxNorth));
    } else {
        w.Group(9, "$EXTMIN");
        w.Point({extent.x1, extent.y1});
        w.Group(9, "$EXTMAX");
        w.Point({extent.x2, extent.y2});
    }
    w.Group(0, "ENDSEC");
    w.Group(0, "SECTION");
    w.Group(2, "ENTITIES");

    const int current = CurrentSymbolPos();
    if (current >= 0)
        for (int i = 0; i < z.SymbolCount(); ++i)
            SetSymU8(z.Symbols[size_t(i)], SymSelected, i == current ? 1 : 0);
    AbortRequested = false;
    ScopedProgress progress(TextKey::Exporting, TextKey::ObjExported, z.HighestObject, 10);
    int written = 0;
    for (int n = 1; n <= z.HighestObject; ++n) {
        if (!GetIndex(n) || Index.CurIndex.Symbol >= 10000)
            continue;
        SymbolBytes* sym = nullptr;
        if (!GetSymbol(Index.CurIndex.Symbol, sym)) {
            if (missing)
                missing->Add(Index.CurIndex.Symbol);
            continue;
        }
        if ((SymU8(*sym, SymStatus) & 7) >= 2)
            continue;
        if (o.SelectedOnly && SymU8(*sym, SymSelected) == 0)
            continue;
        if (!ReadElement(n, CurElement))
            continue;
        w.Object(CurElement);
        ++written;
        PollExportEscape();
        if (AbortRequested) {
            ErrorMsg(TextKey::ExportAborted);
            return false;
        }
        UpdateProgress(written, n);
    }
    w.Group(0, "ENDSEC");
    w.Group(0, "EOF");
    return true;
}

void ExportDxf()
{
    if (!Index.ActiveZmd)
        return;
    // A table holds for one export only.
    CrtTable.Entries.clear();
    ExpDxfOptions o;
    if (!IoPorts().RunExpDxfDialog(o))
        return;
    const std::vector<LayerEntry> table = CrtTable.Entries;
    QString name;
    if (!AskExportFileName(ExportFormatOf(ExportKind::Dxf), name))
        return;
    ExportFile file;
    if (!file.Begin(name))
        return;
    MissingSymbols missing;
    try {
        if (!WriteDxfFile(file, o, table, &missing)) {
            file.Abandon();
            return;
        }
    } catch (const EAbort&) {
        file.Abandon();
        return;
    }
    if (file.Commit())
        missing.Report(name);
}

} // namespace zemo
