#include "io/shape/ExpShape.h"

#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "edit/EditSys.h"
#include "external/database/DBase.h"
#include "external/database/DbObject.h"
#include "external/database/DbSys.h"
#include "io/Export.h"
#include "io/shape/Ports.h"
#include "io/shape/ShapeFile.h"
#include "render/Bezier.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "symbols/SymbolMenu.h"
#include "symbols/store/SymbolLayout.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <memory>

namespace zemo {

namespace {

ExpShapeOptions LastOptions;

constexpr int PointContentWords = 10;
constexpr int PolyHeadWords = 22;

using Ring = std::vector<std::pair<double, double>>;

// Twice the signed area: positive anticlockwise (north up).
double SignedArea(const Ring& r)
{
    double a = 0;
    for (size_t i = 0; i + 1 < r.size(); ++i)
        a += r[i].first * r[i + 1].second - r[i + 1].first * r[i].second;
    return a;
}

std::array<uint8_t, ShapeHeaderBytes> ShapeHeader(int32_t type, const RealWorldBox& box, int64_t bytes)
{
    std::array<uint8_t, ShapeHeaderBytes> h{};
    StoreBE32(h.data() + ShpFileCode, ShapeFileCode);
    StoreBE32(h.data() + ShpFileLength, int32_t(bytes / 2));
    StoreLE<int32_t>(h.data() + ShpVersionAt, ShapeVersion);
    StoreLE<int32_t>(h.data() + ShpShapeType, type);
    const double v[] = {box.MinEast, box.MinNorth, box.MaxEast, box.MaxNorth};
    for (int i = 0; i < 4; ++i)
        StoreLE<double>(h.data() + ShpBox + 8 * i, v[i]);
    return h;
}

// The object a parameter string belongs to.
int ObjectOfString(const TZmd& z, int number)
{
    if (number < 0 || (number >> 8) >= int(z.StringBlocks.size()))
        return 0;
    return z.StringBlocks[size_t(number >> 8)].Entries[size_t(number & 255)].Object;
}

class SetWriter {
public:
    SetWriter(ShapeSetKind kind, const ExpShapeOptions& o) : kind_(kind), o_(o)
    {
        const SetupRecord& s = *Stp();
        ref_ = {s.MapScale, s.RealWorldOffsetX, s.RealWorldOffsetY, s.RealWorldAngle};
        type_ = kind == ShapeSetKind::Lines ? ShapePolyline : kind == ShapeSetKind::Areas ? ShapePolygon : ShapePoint;
    }

    bool Begin(const QString& shpName)
    {
        QString base = shpName;
        if (base.endsWith(QStringLiteral(".shp"), Qt::CaseInsensitive))
            base.chop(4);
        if (!shp_.Begin(shpName) || !shx_.Begin(base + QStringLiteral(".shx")) || !dbf_.Begin(base + QStringLiteral(".dbf")))
            return false;
        const auto h = ShapeHeader(type_, box_, 0);
        shp_.Write(std::span<const uint8_t>(h));
        shx_.Write(std::span<const uint8_t>(h));
        if (o_.DatasetMode) {
            DbOpenTable(DbObject.Kind, DbObject.Source, DbObject.Table);
            DBaseTransferHeader();
        } else {
            DBaseNewHeader();
            DBaseAddField(QStringLiteral("ID"), 'N', 16, 0);
            DBaseAddField(QStringLiteral("SYMBOL"), 'N', 8, 1);
            DBaseAddField(QStringLiteral("ANGLE"), 'N', 8, 1);
            if (kind_ == ShapeSetKind::Texts)
                DBaseAddField(QStringLiteral("TEXT"), 'C', 80, 0);
        }
        QByteArray head = DBaseHeaderBytes();
        // What follows the descriptors of a source table is not copied; the length says so.
        auto* b = reinterpret_cast<uint8_t*>(head.data());
        StoreLE<uint16_t>(b + DbfHeaderLength, uint16_t(head.size()));
        StoreLE<uint32_t>(b + DbfRecordCount, 0);
        recordLength_ = LoadLE<uint16_t>(b + DbfRecordLength);
        dbf_.Write(head);
        return true;
    }

    // All objects, or the objects linked to the dataset. False on Esc.
    bool Objects()
    {
        TZmd& z = *Index.ActiveZmd;
        if (!o_.DatasetMode) {
            ScopedProgress progress(TextKey::Exporting, TextKey::ObjExported, z.HighestObject, 10);
            for (int n = 1; n <= z.HighestObject; ++n) {
                if (Readable(n) && !Object(CurElement))
                    return false;
                UpdateProgress(count_, n);
            }
            return true;
        }
        const QString name = o_.Datasets.value(o_.Dataset);
        ScopedProgress progress(TextKey::Exporting, TextKey::ObjExported, z.ObjectLinks.Count(), 10);
        for (int i = 0; i < z.ObjectLinks.Count(); ++i) {
            const int n = ObjectOfString(z, z.ObjectLinks.GetNumber(i));
            if (GetParamText(z.ObjectLinks.Strings(i), u'd') == name && Readable(n) && GetLinkRecord(i)) {
                DBaseTransferRecord();
                record_ = DBaseUnit.Record;
                record_.resize(size_t(recordLength_), ' ');
                record_[0] = ' ';
                if (!Object(CurElement))
                    return false;
            }
            UpdateProgress(count_, i + 1);
        }
        return true;
    }

    // The lengths into the headers, the table's end and count, and the three renames.
    bool End()
    {
        shp_.WriteAt(0, ShapeHeader(type_, box_, shp_.Size()));
        shx_.WriteAt(0, ShapeHeader(type_, box_, shx_.Size()));
        const uint8_t end = 0x1A;
        dbf_.Write(std::span(&end, 1));
        std::array<uint8_t, 4> n{};
        StoreLE<uint32_t>(n.data(), uint32_t(count_));
        dbf_.WriteAt(DbfRecordCount, n);
        if (!shp_.Commit())
            return false;
        if (!shx_.Commit() || !dbf_.Commit()) {
            // No half set: what was renamed goes too.
            for (const ExportFile* f : {&shp_, &shx_, &dbf_})
                QFile::remove(f->Target());
            return false;
        }
        return true;
    }

    void Abandon()
    {
        shp_.Abandon();
        shx_.Abandon();
        dbf_.Abandon();
    }

private:
    // A shown object's index entry and record. An object of this set's kind whose symbol the
    // map does not hold is counted as left out.
    bool Readable(int n)
    {
        if (n < 1 || !GetIndex(n) || Index.CurIndex.Symbol >= 10000)
            return false;
        SymbolBytes* sym = nullptr;
        if (!GetSymbol(Index.CurIndex.Symbol, sym)) {
            const int symbol = Index.CurIndex.Symbol;
            if (ReadElement(n, CurElement) && InSet(CurElement))
                missing_.Add(symbol);
            return false;
        }
        return (SymU8(*sym, SymStatus) & 7) < 2 && ReadElement(n, CurElement);
    }

    bool InSet(const ElementRecord& e) const
    {
        switch (kind_) {
        case ShapeSetKind::Points: return e.ObjectType == PointObject;
        case ShapeSetKind::Lines: return e.ObjectType == LineObject && e.nText == 0;
        case ShapeSetKind::Areas: return e.ObjectType == AreaObject;
        case ShapeSetKind::Texts:
            return e.ObjectType == TextObject
                   || ((e.ObjectType == RectangleObject || e.ObjectType == LineObject) && e.nText > 0);
        }
        return false;
    }

    bool Object(ElementRecord& e)
    {
        switch (kind_) {
        case ShapeSetKind::Points:
            if (e.ObjectType == PointObject)
                Point(e, false);
            break;
        case ShapeSetKind::Lines:
            if (e.ObjectType == LineObject && e.nText == 0)
                Poly(e);
            break;
        case ShapeSetKind::Areas:
            if (e.ObjectType == AreaObject)
                Poly(e);
            break;
        case ShapeSetKind::Texts:
            if (e.ObjectType == TextObject || (e.ObjectType == RectangleObject && e.nText > 0))
                ExportTextObject([this](ElementRecord& item) { Point(item, true); });
            else if (e.ObjectType == LineObject && e.nText > 0)
                ExportLineText([this](ElementRecord& item) { Point(item, true); });
            break;
        }
        PollExportEscape();
        if (AbortRequested) {
            ErrorMsg(TextKey::ExportAborted);
            return false;
        }
        return true;
    }

    void Point(const ElementRecord& e, bool text)
    {
        double x = 0, y = 0;
        CordToRealWorld(e.Cords()[0], ref_, x, y);
        std::array<uint8_t, ShpRecordHeaderBytes + 2 * PointContentWords> r{};
        StoreBE32(r.data(), count_ + 1);
        StoreBE32(r.data() + 4, PointContentWords);
        StoreLE<int32_t>(r.data() + 8 + ShpContentType, ShapePoint);
        StoreLE<double>(r.data() + 8 + ShpPointX, x);
        StoreLE<double>(r.data() + 8 + ShpPointX + 8, y);
        Extend(x, y, x, y);
        Record(r, e, text);
    }

    // The record's bytes, its index record and its attributes.
    void Record(std::span<const uint8_t> r, const ElementRecord& e, bool text)
    {
        std::array<uint8_t, ShxRecordBytes> x{};
        StoreBE32(x.data(), int32_t(shp_.Size() / 2));
        StoreBE32(x.data() + 4, int32_t((r.size() - ShpRecordHeaderBytes) / 2));
        shx_.Write(std::span<const uint8_t>(x));
        shp_.Write(r);
        ++count_;
        if (o_.DatasetMode) {
            dbf_.Write(std::span<const uint8_t>(record_));
            return;
        }
        std::fill(DBaseUnit.Record.begin(), DBaseUnit.Record.end(), uint8_t(' '));
        DBasePutNumber(0, count_);
        DBasePutNumber(1, e.Symbol / 10.0);
        DBasePutNumber(2, e.Angle / 10.0 - ref_.GridAngle);
        if (text) {
            QString s = QString::fromStdU16String(DocumentPorts().PrepareText(e).Text);
            for (qsizetype k = 0; k < s.size(); ++k)
                if (s[k].unicode() < 32) {
                    s.truncate(k);
                    break;
                }
            DBasePutText(3, s);
        }
        dbf_.Write(std::span<const uint8_t>(DBaseUnit.Record));
    }

    // The object's rings (one for a line) in real-world metres, curves flattened; an area's
    // rings closed and turned (the outline clockwise, holes anticlockwise), rings under 4
    // points left out, and no rings when the outline is one of them.
    std::vector<Ring> Rings(const ElementRecord& e)
    {
        const bool area = e.ObjectType == AreaObject;
        const int count = area ? e.nItem : std::min<int>(LineItems(e), e.nItem);
        const Cord* p = e.Cords();
        std::vector<Ring> rings(1);
        std::array<Cord, size_t(1) << ShapeFlattenDepth> flat{};
        const auto add = [&](Cord c) {
            double x = 0, y = 0;
            CordToRealWorld(c, ref_, x, y);
            rings.back().push_back({x, y});
        };
        for (int i = 0; i < count;) {
            if (area && i > 0 && (p[i].y & HoleFlag))
                rings.emplace_back();
            // A curve from the point before, whose end the flattened points carry.
            if (i + 2 < count && (p[i].x & FirstBezierFlag) && !rings.back().empty()) {
                const int n = FlattenBezier(p + i - 1, flat.data(), ShapeFlattenDepth, ShapeFlattenTolerance);
                for (int k = 0; k < n; ++k)
                    add(flat[size_t(k)]);
                i += 3;
                continue;
            }
            add(p[i]);
            ++i;
        }
        if (!area)
            return rings;
        std::vector<Ring> out;
        for (size_t k = 0; k < rings.size(); ++k) {
            Ring& r = rings[k];
            if (!r.empty() && r.front() != r.back())
                r.push_back(r.front());
            if (r.size() < 4) {
                if (k == 0)
                    return {};
                continue;
            }
            if ((SignedArea(r) > 0) == (k == 0))
                std::reverse(r.begin(), r.end());
            out.push_back(std::move(r));
        }
        return out;
    }

    void Poly(const ElementRecord& e)
    {
        const std::vector<Ring> rings = Rings(e);
        // An outline of under three points, or a line of one, has nothing a reader could draw.
        if (rings.empty() || (e.ObjectType == LineObject && rings.front().size() < 2)) {
            noExtent_.Add(e.Symbol);
            return;
        }
        int64_t points = 0;
        for (const Ring& r : rings)
            points += int64_t(r.size());
        const int64_t parts = int64_t(rings.size());
        const int64_t words = PolyHeadWords + 2 * parts + 8 * points;
        std::vector<uint8_t> r(size_t(ShpRecordHeaderBytes + 2 * words));
        uint8_t* c = r.data() + ShpRecordHeaderBytes;
        StoreBE32(r.data(), count_ + 1);
        StoreBE32(r.data() + 4, int32_t(words));
        StoreLE<int32_t>(c + ShpContentType, type_);
        double box[4] = {rings[0][0].first, rings[0][0].second, rings[0][0].first, rings[0][0].second};
        uint8_t* at = c + ShpPolyPartArray + 4 * parts;
        int first = 0;
        for (int64_t k = 0; k < parts; ++k) {
            StoreLE<int32_t>(c + ShpPolyPartArray + 4 * k, first);
            for (const auto& [x, y] : rings[size_t(k)]) {
                box[0] = std::min(box[0], x);
                box[1] = std::min(box[1], y);
                box[2] = std::max(box[2], x);
                box[3] = std::max(box[3], y);
                StoreLE<double>(at, x);
                StoreLE<double>(at + 8, y);
                at += 16;
            }
            first += int(rings[size_t(k)].size());
        }
        for (int i = 0; i < 4; ++i)
            StoreLE<double>(c + ShpPolyBox + 8 * i, box[i]);
        Extend(box[0], box[1], box[2], box[3]);
        StoreLE<int32_t>(c + ShpPolyParts, int32_t(parts));
        StoreLE<int32_t>(c + ShpPolyPoints, int32_t(points));
        Record(r, e, false);
    }

    // The set's own extent, which its headers carry.
    void Extend(double x1, double y1, double x2, double y2)
    {
        if (count_ == 0) {
            box_ = {x1, y1, x2, y2};
            return;
        }
        box_ = {std::min(box_.MinEast, x1), std::min(box_.MinNorth, y1), std::max(box_.MaxEast, x2),
                std::max(box_.MaxNorth, y2)};
    }

public:
    MissingSymbols missing_;
    MissingSymbols noExtent_;

private:
    ShapeSetKind kind_;
    const ExpShapeOptions& o_;
    RealWorldRef ref_;
    RealWorldBox box_;
    int32_t type_ = ShapePoint;
    ExportFile shp_, shx_, dbf_;
    int recordLength_ = 1;
    int count_ = 0;
    std::vector<uint8_t> record_;
};

} // namespace

QString ShapeSetSuffix(ShapeSetKind kind)
{
    static const char* const suffixes[] = {"_pt.shp", "_ln.shp", "_ar.shp", "_tx.shp"};
    return QString::fromLatin1(suffixes[int(kind)]);
}

bool WriteShapeSet(ShapeSetKind kind, const QString& shpName, const ExpShapeOptions& o)
{
    if (!Index.ActiveZmd || !Stp())
        return false;
    // An unknown dataset: nothing is written.
    if (o.DatasetMode && !DbDataset(o.Datasets.value(o.Dataset)))
        return false;
    AbortRequested = false;
    SetWriter w(kind, o);
    try {
        if (!w.Begin(shpName) || !w.Objects()) {
            w.Abandon();
            return false;
        }
        if (!w.End())
            return false;
        w.missing_.Report(shpName);
        w.noExtent_.Report(shpName, TextKey::ExportLeftOutNoExtent);
        return true;
    } catch (const EAbort&) {
        w.Abandon();
        return false;
    }
}

bool ExportShapeSet(ShapeSetKind kind, const ExpShapeOptions& o)
{
    const ExportFormat& f = ExportFormatOf(ExportKind::Shape);
    QString name = GetExportFileName(QString());
    name += ShapeSetSuffix(kind);
    if (!ExecSaveDialog(ExportTitle(f), ExportFilter(f), f.DefaultExt, 0, name))
        return false;
    SetExportFolder(name);
    return WriteShapeSet(kind, name, o);
}

void ExportShape()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    ExpShapeOptions& o = LastOptions;
    o.Datasets.clear();
    for (const TNumStringList::Item& item : z->Datasets.Items())
        o.Datasets << GetParamName(item.Text);
    o.Dataset = std::clamp(o.Dataset, 0, std::max<int>(0, o.Datasets.size() - 1));
    if (o.Datasets.isEmpty())
        o.DatasetMode = false;
    if (!ShapePorts().RunExpShapeDialog(o) || !ConfirmHiddenSymbols())
        return;
    if (o.DatasetMode && !DbDataset(o.Datasets.value(o.Dataset)))
        return;
    for (int k = 0; k < ShapeSetKinds; ++k)
        if (o.Kinds[size_t(k)] && !ExportShapeSet(ShapeSetKind(k), o))
            return;
}

ExpShapeOptions& LastShapeExport()
{
    return LastOptions;
}

void ResetExpShapeUnit()
{
    LastOptions = {};
}

} // namespace zemo
