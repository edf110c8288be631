#include "io/shape/ImpShape.h"

#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Element.h"
#include "core/Errors.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/FileReplace.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Work.h"
#include "external/database/DBase.h"
#include "external/database/DbObject.h"
#include "io/Import.h"
#include "io/shape/Ports.h"
#include "io/shape/ShapeFile.h"
#include "render/AreaSplt.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <numbers>

namespace zemo {

namespace {

const uint8_t* Bytes(const QByteArray& b, int64_t at)
{
    return reinterpret_cast<const uint8_t*>(b.constData()) + at;
}

double LoadDouble(const QByteArray& b, int64_t at)
{
    return LoadLE<double>(Bytes(b, at));
}

// One shape as its record holds it: the points and the first index of each part.
struct Shape {
    int32_t Type = 0;  // as stored
    ShapeType Kind = ShapeNull;
    std::vector<double> Xy;
    std::vector<int> Parts;
};

// The record at the index's offset and length, or false when it cannot be what it claims.
bool ReadShape(const QByteArray& shp, int64_t offsetWords, int64_t lengthWords, Shape& s)
{
    const int64_t start = offsetWords * 2 + ShpRecordHeaderBytes;
    const int64_t len = lengthWords * 2;
    if (offsetWords * 2 < ShapeHeaderBytes || len < 4 || start + len > shp.size())
        return false;
    s.Type = LoadLE<int32_t>(Bytes(shp, start + ShpContentType));
    s.Kind = ShapeKind(s.Type);
    s.Xy.clear();
    s.Parts.clear();
    const auto points = [&](int64_t at, int64_t count) {
        s.Xy.resize(size_t(count) * 2);
        for (int64_t i = 0; i < count * 2; ++i)
            s.Xy[size_t(i)] = LoadDouble(shp, at + 8 * i);
    };
    switch (s.Kind) {
    case ShapePoint:
        if (len < ShpPointBytes)
            return false;
        points(start + ShpPointX, 1);
        return true;
    case ShapeMultipoint: {
        if (len < ShpMultiPointArray)
            return false;
        const int64_t n = LoadLE<uint32_t>(Bytes(shp, start + ShpMultiCount));
        if (ShpMultiPointArray + 16 * n > len)
            return false;
        points(start + ShpMultiPointArray, n);
        return true;
    }
    case ShapePolyline:
    case ShapePolygon: {
        if (len < ShpPolyPartArray)
            return false;
        const int64_t parts = LoadLE<uint32_t>(Bytes(shp, start + ShpPolyParts));
        const int64_t n = LoadLE<uint32_t>(Bytes(shp, start + ShpPolyPoints));
        if (parts < 1 || n < 1 || ShpPolyPartArray + 4 * parts + 16 * n > len)
            return false;
        s.Parts.resize(size_t(parts));
        for (int64_t i = 0; i < parts; ++i) {
            const int32_t first = LoadLE<int32_t>(Bytes(shp, start + ShpPolyPartArray + 4 * i));
            if (first < 0 || first >= n || (i > 0 && first <= s.Parts[size_t(i - 1)]))
                return false;
            s.Parts[size_t(i)] = first;
        }
        points(start + ShpPolyPartArray + 4 * parts, n);
        return true;
    }
    default:
        return true;  // nothing to import, no damage
    }
}

// File units to map coordinates: offset, factor and turn; false outside the 2 m window (and
// for coordinates that are no numbers).
struct ShapeTransform {
    double Ox = 0, Oy = 0, Factor = 1, Sin = 0, Cos = 1;

    bool Apply(double x, double y, Cord& c) const
    {
        const double xs = (x - Ox) * Factor;
        const double ys = (y - Oy) * Factor;
        const double mx = xs * Cos - ys * Sin;
        const double my = ys * Cos + xs * Sin;
        if (!(std::abs(mx) <= ShapeWindow && std::abs(my) <= ShapeWindow))
            return false;
        c = {int32_t(std::nearbyint(mx)) * 256, int32_t(std::nearbyint(my)) * 256};
        return true;
    }
};

// Stops the import: a failed append or link.
struct ImportStop {};

class ShapeImporter {
public:
    ShapeImporter(const ShapeImportSettings& s, ShapeImportResult& r) : s_(s), r_(r)
    {
        t_.Ox = s.OffsetX;
        t_.Oy = s.OffsetY;
        t_.Factor = s.Unit * 100000 / s.MapScale;
        const double a = s.Angle * std::numbers::pi / 180;
        t_.Sin = s.Angle == 0 ? 0 : std::sin(a);
        t_.Cos = s.Angle == 0 ? 1 : std::cos(a);
    }

    // The shape's objects, each linked to the key (none for an empty key).
    void Import(const Shape& shape, const QString& key)
    {
        key_ = key;
        std::vector<Cord> all(shape.Xy.size() / 2);
        for (size_t i = 0; i < all.size(); ++i)
            if (!t_.Apply(shape.Xy[2 * i], shape.Xy[2 * i + 1], all[i])) {
                ++r_.Outside;
                return;
            }
        switch (shape.Kind) {
        case ShapePoint:
        case ShapeMultipoint:
            for (const Cord& c : all)
                Append(PointObject, &c, 1);
            break;
        case ShapePolyline:
            for (size_t p = 0; p < shape.Parts.size(); ++p)
                Line(all, PartRange(shape, p, all.size()));
            break;
        case ShapePolygon:
            Area(all, shape);
            break;
        default:
            break;
        }
    }

private:
    static std::pair<int, int> PartRange(const Shape& shape, size_t p, size_t count)
    {
        const int end = p + 1 < shape.Parts.size() ? shape.Parts[p + 1] : int(count);
        return {shape.Parts[p], end};
    }

    void Line(const std::vector<Cord>& all, std::pair<int, int> range)
    {
        auto [from, to] = range;
        if (to - from < 2)
            return;
        // Long parts go in pieces, each starting where the last ended.
        while (to - from > ShapeLongPart) {
            Append(LineObject, all.data() + from, ShapePiecePoints);
            from += ShapePiecePoints - 1;
        }
        Append(LineObject, all.data() + from, to - from);
    }

    void Area(const std::vector<Cord>& all, const Shape& shape)
    {
        std::vector<Cord> ring;
        std::vector<Cord> area;
        for (size_t p = 0; p < shape.Parts.size(); ++p) {
            const auto [from, to] = PartRange(shape, p, all.size());
            ring.assign(all.begin() + from, all.begin() + to);
            // The map keeps rings open.
            if (ring.size() > 1 && ring.front() == ring.back())
                ring.pop_back();
            if (ring.size() < 3)
                continue;
            if (!area.empty())
                ring.front().y |= HoleFlag;
            area.insert(area.end(), ring.begin(), ring.end());
        }
        if (area.empty())
            return;
        SplitArea(area.data(), int(area.size()), [this](const Cord* p, int n) {
            if (n > MaxElementItems)
                return false;
            Append(AreaObject, p, n);
            return true;
        });
    }

    void Append(uint8_t type, const Cord* p, int n)
    {
        ElementRecord& e = CurElement;
        if (!InitElement(e, -1, type, uint16_t(n), 0, 0))
            throw ImportStop();
        std::copy(p, p + n, e.Cords());
        if (!AppendElement())
            throw ImportStop();
        // Selected for the import's undo step.
        ToggleSelection(Index.ActiveZmd->HighestObject);
        ++r_.Objects;
        r_.Report.Read(type);
        if (key_.isEmpty())
            return;
        QString text;
        if (!MakeLinkText(key_, s_.Dataset, text))
            return;
        TZmd& z = *Index.ActiveZmd;
        const int number = AddPString(text, ObjectLinkType, z.HighestObject);
        if (number < 0)
            throw ImportStop();
        z.ObjectLinks.AddNumber(text, number);
    }

    const ShapeImportSettings& s_;
    ShapeImportResult& r_;
    ShapeTransform t_;
    QString key_;
};

// The table the import writes: the source's head (with the new key field in front when one
// is made) and one record per shape.
class TableCopy {
public:
    TableCopy(const QByteArray& dbf, const ShapeTable& t, const ShapeImportSettings& s)
        : dbf_(dbf), t_(t), s_(s)
    {
    }

    bool Begin()
    {
        if (!file_.Begin(s_.TablePath))
            return false;
        QByteArray head = dbf_.left(t_.HeaderLength);
        if (!s_.ExistingKey) {
            QByteArray d(DbfDescriptorSize, '\0');
            const QByteArray name = NewKeyFieldName(t_.Names).toLatin1();
            std::copy(name.begin(), name.end(), d.begin());
            d[DbfFieldType] = 'N';
            d[DbfFieldLength] = char(ShapeKeyFieldLength);
            head.insert(DbfHeaderSize, d);
            auto* h = reinterpret_cast<uint8_t*>(head.data());
            StoreLE<uint16_t>(h + DbfHeaderLength, uint16_t(t_.HeaderLength + DbfDescriptorSize));
            StoreLE<uint16_t>(h + DbfRecordLength, uint16_t(t_.RecordLength + ShapeKeyFieldLength));
            // Descriptors that carry their field's place move with the fields.
            for (int i = 0; i < t_.Names.size(); ++i) {
                uint8_t* at = h + DbfHeaderSize + DbfDescriptorSize * (i + 1) + DbfFieldAddress;
                if (const uint32_t a = LoadLE<uint32_t>(at); a != 0)
                    StoreLE<uint32_t>(at, a + ShapeKeyFieldLength);
            }
        }
        StoreLE<uint32_t>(reinterpret_cast<uint8_t*>(head.data()) + DbfRecordCount, 0);
        return Write(head);
    }

    // The record of shape i (blank past the table's end) written; its key returned.
    QString Copy(int64_t i)
    {
        QByteArray rec = i < t_.Records ? dbf_.mid(t_.HeaderLength + i * t_.RecordLength, t_.RecordLength)
                                        : QByteArray(t_.RecordLength, ' ');
        QString key;
        if (s_.ExistingKey) {
            const int k = s_.KeyField;
            if (k >= 0 && k < int(t_.Offsets.size()))
                key = DecodeCodePage(1252, rec.mid(t_.Offsets[size_t(k)], t_.Lengths[size_t(k)])).trimmed();
        } else {
            key = QString::number(i + 1);
            rec.insert(1, key.toLatin1().rightJustified(ShapeKeyFieldLength, ' ', true));
        }
        Write(rec);
        ++written_;
        return key;
    }

    // The count of the records written, the end mark, the rename; or, for an import that
    // brought nothing, no table at all.
    bool End(bool keep)
    {
        if (!keep) {
            file_.Abandon();
            return false;
        }
        std::array<uint8_t, 4> count{};
        StoreLE<uint32_t>(count.data(), uint32_t(written_));
        return Write(QByteArray(1, '\x1A')) && file_.WriteAt(DbfRecordCount, count) && file_.Commit();
    }

    int Written() const { return written_; }

private:
    bool Write(const QByteArray& b)
    {
        return file_.Append(std::span(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())));
    }

    const QByteArray& dbf_;
    const ShapeTable& t_;
    const ShapeImportSettings& s_;
    TReplacingFile file_;
    int written_ = 0;
};

bool HasDataset(const TZmd& z, const QString& name)
{
    for (const TNumStringList::Item& item : z.Datasets.Items())
        if (GetParamName(item.Text) == name)
            return true;
    return false;
}

// The file's bytes, at most `limit` of them.
bool ReadWhole(const QString& path, QByteArray& bytes, qint64 limit = -1)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes = limit < 0 ? f.readAll() : f.read(limit);
    return true;
}

// The keyword of a well-known text's top node, upper-cased, and where its bracket opens.
QByteArray TopNode(const QByteArray& wkt, qsizetype& open)
{
    open = wkt.indexOf('[');
    const qsizetype round = wkt.indexOf('(');
    if (round >= 0 && (open < 0 || round < open))
        open = round;
    return open < 0 ? QByteArray() : wkt.left(open).trimmed().toUpper();
}

// The companion file of the same name with another extension, found without regard to case.
QString Companion(const QString& shpName, const QString& ext)
{
    const QFileInfo info(shpName);
    const QString base = info.path() + u'/' + info.completeBaseName() + u'.';
    for (const QString& e : {ext, ext.toUpper()})
        if (QFileInfo::exists(base + e))
            return base + e;
    return GetLongFileName(base + ext);
}

// A box that longitudes (from -180 up to 360) and latitudes can make.
bool InDegreeRange(const ShapeBox& b)
{
    return b.MinX >= -180 && b.MaxX <= 360 && b.MinY >= -90 && b.MaxY <= 90;
}

// A type of shape as the report names it: its format's name, or its number.
QString ShapeTypeName(int32_t type)
{
    return type == ShapeMultiPatch ? QStringLiteral("MultiPatch") : QString::number(type);
}

} // namespace

bool IsShapeFile(const QString& name, const QByteArray& head)
{
    return QFileInfo(name).suffix().toLower() == QStringLiteral("shp") && head.size() >= 4
           && LoadBE32(reinterpret_cast<const uint8_t*>(head.constData())) == ShapeFileCode;
}

double ShapeUnitFactor(int unit, double prjUnit)
{
    if (unit == ShapeUnitOfPrj && prjUnit > 0)
        return prjUnit;
    return unit == 2 ? 1000000 : unit == 1 ? 1000 : 1;
}

double PrjLinearUnit(const QByteArray& wkt, QString* name)
{
    // Projected and local systems carry their linear unit as a child of the top node; a
    // geographic one has only degrees.
    qsizetype open = 0;
    static const QList<QByteArray> linear{"PROJCS", "PROJCRS", "PROJECTEDCRS", "LOCAL_CS", "ENGCRS", "ENGINEERINGCRS"};
    if (!linear.contains(TopNode(wkt, open)))
        return 0;
    int depth = 1;
    bool quoted = false;
    bool atItem = true;  // after '[' or ','
    double unit = 0;
    for (qsizetype i = open + 1; i < wkt.size() && depth > 0; ++i) {
        const char c = wkt[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '"') {
            quoted = true;
        } else if (c == '[' || c == '(') {
            ++depth;
            atItem = true;
            continue;
        } else if (c == ']' || c == ')') {
            --depth;
        } else if (c == ',') {
            atItem = true;
            continue;
        } else if (depth == 1 && atItem && std::isalpha(uchar(c))) {
            qsizetype e = i;
            while (e < wkt.size() && (std::isalnum(uchar(wkt[e])) || wkt[e] == '_'))
                ++e;
            const QByteArray key = wkt.mid(i, e - i).toUpper();
            while (e < wkt.size() && wkt[e] == ' ')
                ++e;
            if ((key == "UNIT" || key == "LENGTHUNIT") && e < wkt.size() && (wkt[e] == '[' || wkt[e] == '(')) {
                // UNIT["name",metres per unit, ...]
                const qsizetype q1 = wkt.indexOf('"', e);
                const qsizetype q2 = q1 < 0 ? -1 : wkt.indexOf('"', q1 + 1);
                const qsizetype comma = q2 < 0 ? -1 : wkt.indexOf(',', q2);
                qsizetype end = comma < 0 ? -1 : comma + 1;
                while (end > 0 && end < wkt.size() && wkt[end] != ',' && wkt[end] != ']' && wkt[end] != ')')
                    ++end;
                double v = 0;
                const QString number = QString::fromLatin1(wkt.mid(comma + 1, end - comma - 1)).trimmed();
                if (comma > 0 && end > comma && TryPointStrToFloat(number, v) && v > 0 && std::isfinite(v)) {
                    unit = v;
                    if (name)
                        *name = QString::fromUtf8(wkt.mid(q1 + 1, q2 - q1 - 1));
                }
            }
            i = e - 1;
        }
        atItem = false;
    }
    return unit;
}

bool PrjIsGeographic(const QByteArray& wkt, QString* name)
{
    qsizetype open = 0;
    static const QList<QByteArray> geographic{"GEOGCS", "GEOGCRS", "GEODCRS", "GEOGRAPHICCRS", "GEODETICCRS"};
    if (!geographic.contains(TopNode(wkt, open)))
        return false;
    if (name) {
        const qsizetype q1 = wkt.indexOf('"', open);
        const qsizetype q2 = q1 < 0 ? -1 : wkt.indexOf('"', q1 + 1);
        *name = q2 < 0 ? QString() : QString::fromUtf8(wkt.mid(q1 + 1, q2 - q1 - 1));
    }
    return true;
}

double ProposeShapeScale(const ShapeBox& box, double unitFactor, double typed)
{
    const auto fits = [&](double scale) {
        return (box.MaxX - box.MinX) * unitFactor / scale <= 1.5 && (box.MaxY - box.MinY) * unitFactor / scale <= 1.5;
    };
    if (typed >= 1 && typed <= MaxShapeScale && fits(typed))
        return typed;
    static constexpr double steps[] = {2.5, 2, 2};
    double scale = 10;
    for (int i = 0; scale < MaxShapeScale && !fits(scale); ++i)
        scale *= steps[i % 3];
    return std::min(scale, MaxShapeScale);
}

bool ReadShapeTable(const QByteArray& dbf, ShapeTable& t)
{
    t = {};
    if (dbf.size() < DbfHeaderSize)
        return false;
    const uint8_t* b = Bytes(dbf, 0);
    t.HeaderLength = LoadLE<uint16_t>(b + DbfHeaderLength);
    t.RecordLength = LoadLE<uint16_t>(b + DbfRecordLength);
    const int64_t end = std::min<int64_t>(t.HeaderLength, dbf.size());
    int64_t at = DbfHeaderSize;
    int offset = 1;
    while (at < end && b[at] != DbfTerminator) {
        if (at + DbfDescriptorSize > end)
            return false;
        const char* name = dbf.constData() + at;
        t.Names << QString::fromLatin1(name, qsizetype(qstrnlen(name, DbfFieldNameSize)));
        t.Offsets.push_back(offset);
        t.Lengths.push_back(b[at + DbfFieldLength]);
        offset += b[at + DbfFieldLength];
        at += DbfDescriptorSize;
    }
    // The terminator inside the header, the header inside the file, records that hold their
    // fields, and room for a new key field in both 16-bit lengths.
    if (at >= end || t.HeaderLength > dbf.size() || t.RecordLength < 1 || offset > t.RecordLength
        || t.HeaderLength + DbfDescriptorSize > DbfMaxHeaderLength
        || t.RecordLength + ShapeKeyFieldLength > DbfMaxRecordLength)
        return false;
    const int64_t held = (dbf.size() - t.HeaderLength) / t.RecordLength;
    t.Records = std::clamp<int64_t>(LoadLE<uint32_t>(b + DbfRecordCount), 0, std::max<int64_t>(held, 0));
    return true;
}

QString NewKeyFieldName(const QStringList& fields)
{
    QString name = QStringLiteral("ID");
    for (int i = 1; fields.contains(name, Qt::CaseInsensitive); ++i)
        name = QStringLiteral("ID") + QString::number(i);
    return name;
}

void ProposeShapeOptions(ImpShapeOptions& o, double mapScale, double mapOffsetX, double mapOffsetY, double mapAngle)
{
    const ShapeBox& b = o.Box;
    const double w = b.MaxX - b.MinX, h = b.MaxY - b.MinY;
    double cx = (b.MinX + b.MaxX) / 2, cy = (b.MinY + b.MaxY) / 2;
    if (w > 500 || h > 500) {
        cx = std::nearbyint(cx / 1000) * 1000;
        cy = std::nearbyint(cy / 1000) * 1000;
    }
    o.HorOffset = FloatToTrimStr(0, 3, std::isfinite(cx) ? cx : 0);
    o.VerOffset = FloatToTrimStr(0, 3, std::isfinite(cy) ? cy : 0);
    o.Angle = QStringLiteral("0.0");
    if (o.PrjUnit > 0) {
        o.Unit = ShapeUnitOfPrj;
        for (int u = 0; u < ShapeUnitOfPrj; ++u)
            if (std::abs(o.PrjUnit / ShapeUnitFactor(u) - 1) < 1e-9)
                o.Unit = u;
    } else {
        // Without a .prj the size guesses: a set under 100 units wide is taken as km.
        o.Unit = w < 100 ? 1 : 0;
    }
    o.MapScale = ProposeShapeScale(b, ShapeUnitFactor(o.Unit, o.PrjUnit), mapScale);
    o.MapOffsetX = mapOffsetX;
    o.MapOffsetY = mapOffsetY;
    o.MapAngle = mapAngle;
    o.NewOffset = mapOffsetX == 0;
    o.KeyField = -1;
    for (int i = 0; i < o.Fields.size() && o.KeyField < 0; ++i)
        if (o.Fields[i].contains(QStringLiteral("ID")))
            o.KeyField = i;
}

QString FreeShapeDatasetName(const QString& shapeFile)
{
    const QString base = QFileInfo(shapeFile).completeBaseName();
    const QString folder = DBaseFolder(QString());
    const TZmd* z = Index.ActiveZmd;
    QString name = base;
    for (int i = 1;; ++i) {
        const QString file = folder + u'/' + name;
        if (!QFileInfo::exists(file + QStringLiteral(".dbf")) && !QFileInfo::exists(file + QStringLiteral(".DBF"))
            && !(z && HasDataset(*z, name)))
            return name;
        name = base + QString::number(i);
    }
}

ShapeImportResult ImportShapeSet(const ShapeFileSet& set, const ShapeImportSettings& s)
{
    ShapeImportResult r;
    TZmd* z = Index.ActiveZmd;
    ShapeTable table;
    if (!z || !(s.MapScale > 0) || !ReadShapeTable(set.Dbf, table))
        return r;
    const int64_t shapes = std::max<int64_t>(0, (set.Shx.size() - ShapeHeaderBytes) / ShxRecordBytes);
    TableCopy copy(set.Dbf, table, s);
    if (!copy.Begin())
        return r;
    ShapeImporter importer(s, r);
    AbortRequested = false;
    StartProgress(TextKey::Importing, TextKey::ObjImported, int(std::min<int64_t>(shapes, INT32_MAX)), 10, true);
    {
        UndoSuspend quiet;
        Shape shape;
        try {
            for (int64_t i = 0; i < shapes; ++i) {
                const uint8_t* x = Bytes(set.Shx, ShapeHeaderBytes + ShxRecordBytes * i);
                const QString key = copy.Copy(i);
                ++r.Shapes;
                if (!ReadShape(set.Shp, uint32_t(LoadBE32(x)), uint32_t(LoadBE32(x + 4)), shape))
                    ++r.Damaged;
                else if (shape.Kind == ShapeNull && shape.Type != ShapeNull)
                    // Patches of 3-D surfaces and unknown types have no object here.
                    r.Report.Skip(TextKey::UnsupportedShapeTypes, 1, ShapeTypeName(shape.Type));
                else
                    importer.Import(shape, key);
                UpdateProgress(r.Objects, int(std::min<int64_t>(i + 1, INT32_MAX)));
                PollEscape();
                if (AbortRequested) {
                    r.Aborted = true;
                    break;
                }
            }
        } catch (const ImportStop&) {
        } catch (const EAbort&) {
        }
    }
    EndProgress();
    r.RecordsWritten = copy.Written();
    r.TableWritten = copy.End(r.Objects > 0);
    if (r.TableWritten) {
        QString def = ParamNameStr(s.Dataset) + TextParamStr(u'e', QString()) + TextParamStr(u't', s.Dataset)
                      + TextParamStr(u'k', s.ExistingKey ? table.Names.value(s.KeyField) : NewKeyFieldName(table.Names));
        const int number = AddPString(def, DatasetType, 0);
        if (number >= 0)
            z->Datasets.AddNumber(def, number);
    }
    z->DatasetsPresent = z->Datasets.Count() > 0;
    FlushMapFile();
    return r;
}

void ImportShape(const QString& shpName, TFileClass& file)
{
    if (!Index.ActiveZmd || !EnsureMapSaved())
        return;
    ShapeFileSet set;
    set.Shp.resize(qsizetype(file.Size()));
    if (!file.Seek(0) || !file.Read(set.Shp.data(), set.Shp.size()))
        return;
    if (set.Shp.size() < ShapeHeaderBytes) {
        ImportReport cut;
        cut.Cut = true;
        ShowImportReport(cut, shpName);
        return;
    }
    for (auto [ext, bytes] : {std::pair{QStringLiteral("shx"), &set.Shx}, std::pair{QStringLiteral("dbf"), &set.Dbf}}) {
        const QString path = Companion(shpName, ext);
        if (!ReadWhole(path, *bytes)) {
            ErrorMsg(TextKey::FileNotFound, path, ShapeFileNotFoundHelpContext);
            return;
        }
    }
    ShapeTable table;
    if (!ReadShapeTable(set.Dbf, table)) {
        ErrorMsg(TextKey::ErrorInDBase);
        return;
    }
    // A set of a type that has no objects here (3-D patches) is said at once, by its type.
    if (const int32_t type = LoadLE<int32_t>(Bytes(set.Shp, ShpShapeType));
        type != ShapeNull && ShapeKind(type) == ShapeNull) {
        ImportReport report;
        const int64_t shapes = (set.Shx.size() - ShapeHeaderBytes) / ShxRecordBytes;
        report.Skip(TextKey::UnsupportedShapeTypes, int(std::clamp<int64_t>(shapes, 1, INT32_MAX)), ShapeTypeName(type));
        ShowImportReport(report, shpName);
        return;
    }
    SetupRecord& st = *Stp();
    ImpShapeOptions o;
    o.Box = {LoadDouble(set.Shp, ShpBox), LoadDouble(set.Shp, ShpBox + 8), LoadDouble(set.Shp, ShpBox + 16),
             LoadDouble(set.Shp, ShpBox + 24)};
    o.Fields = table.Names;
    // The units the set's coordinate system names, where it names them. Angles of a
    // geographic system taken as metres would bring the set in shrunk and far off: refused,
    // unless the coordinates cannot be angles (a set labelled so by a converter).
    QByteArray prj;
    QString system;
    if (ReadWhole(Companion(shpName, QStringLiteral("prj")), prj, MaxPrjBytes) && PrjIsGeographic(prj, &system)
        && InDegreeRange(o.Box)) {
        ErrorMsg(TextKey::ShapeSetGeographic, QFileInfo(shpName).fileName() + u';' + system, ImpShapeHelpContext);
        return;
    }
    o.PrjUnit = PrjLinearUnit(prj, &o.PrjUnitName);
    ProposeShapeOptions(o, st.MapScale, st.RealWorldOffsetX, st.RealWorldOffsetY, st.RealWorldAngle);
    if (!ShapePorts().RunImpShapeDialog(o))
        return;

    ShapeImportSettings s;
    s.Unit = ShapeUnitFactor(o.Unit, o.PrjUnit);
    if (o.NewOffset) {
        if (!TryPointStrToFloat(o.HorOffset, s.OffsetX) || !TryPointStrToFloat(o.VerOffset, s.OffsetY)
            || !TryPointStrToFloat(o.Angle, s.Angle) || !(o.MapScale >= 1 && o.MapScale <= MaxShapeScale))
            return;
        s.Angle = std::fmod(s.Angle, 360.0);
        s.MapScale = o.MapScale;
    } else {
        s.OffsetX = st.RealWorldOffsetX / s.Unit;
        s.OffsetY = st.RealWorldOffsetY / s.Unit;
        s.Angle = st.RealWorldAngle;
        s.MapScale = st.MapScale;
    }
    s.ExistingKey = o.ExistingKey && o.KeyField >= 0 && o.KeyField < table.Names.size();
    s.KeyField = s.ExistingKey ? o.KeyField : -1;
    s.Dataset = FreeShapeDatasetName(shpName);
    s.TablePath = DBaseFolder(QString()) + u'/' + s.Dataset + QStringLiteral(".dbf");

    // A new offset sets the map's scale and real-world placement: asked first where it
    // changes them (No: the drawing comes in by the values chosen, and the map keeps its own).
    SetupRecord placed = st;
    if (o.NewOffset) {
        placed.MapScale = s.MapScale;
        placed.RealWorldOffsetX = s.OffsetX * s.Unit;
        placed.RealWorldOffsetY = s.OffsetY * s.Unit;
        placed.RealWorldAngle = s.Angle;
        if (placed.RealWorldGridDistance / placed.MapScale < 0.02) {
            double d = 1;
            while (d / placed.MapScale < 0.02)
                d *= 10;
            placed.RealWorldGridDistance = d;
        }
    }
    bool changeSetup = placed.MapScale != st.MapScale || placed.RealWorldOffsetX != st.RealWorldOffsetX
                       || placed.RealWorldOffsetY != st.RealWorldOffsetY || placed.RealWorldAngle != st.RealWorldAngle;
    if (changeSetup) {
        const int answer = AskPlacementChange(st, placed);
        if (answer == IdCancel)
            return;
        changeSetup = answer == IdYes;
    }
    ClearSelection();
    ShapeImportResult r = ImportShapeSet(set, s);
    if (r.Aborted)
        ErrorMsg(TextKey::ImportAborted);

    // The map is placed for what came in; the setup as it was goes into the undo step first.
    changeSetup = changeSetup && r.Objects > 0;
    if (changeSetup)
        PlaceMapForImport(placed, true);
    EndImportStep(Index.SelectionCount, 0, changeSetup);
    ImportReport& report = r.Report;
    report.Skip(TextKey::DamagedRecords, r.Damaged);
    report.Skip(TextKey::ObjectsReachingOutside, r.Outside);
    // The main file or its index shorter than its header says (the index lists only the shapes
    // before its own cut), or the table holding fewer records than its head counts.
    const auto cut = [](const QByteArray& b) {
        return b.size() < ShapeHeaderBytes || int64_t(LoadBE32(Bytes(b, ShpFileLength))) * 2 > b.size();
    };
    report.Cut = cut(set.Shp) || cut(set.Shx) || LoadLE<uint32_t>(Bytes(set.Dbf, DbfRecordCount)) > table.Records;
    ShowImportReport(report, shpName);
    db::ResetDbLinks();
    DocumentPorts().SymbolsChanged();
    db::ShowObjectRecord();
    DocumentPorts().RepaintWindow();
}

void InitImpShapeUnit()
{
    RegisterImporter(ImportSlot::Shape, {[](const QString& name, TFileClass& f) {
                                             std::array<char, 4> head{};
                                             if (!f.Seek(0))
                                                 return false;
                                             const int64_t got = f.ReadBlock(head.data(), 4);
                                             return IsShapeFile(name, QByteArray(head.data(), qsizetype(got)));
                                         },
                                         ImportShape});
}

} // namespace zemo
