#include "external/database/DbObject.h"

#include "core/Config.h"
#include "core/Element.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "edit/Pick.h"
#include "edit/View.h"
#include "external/database/DbSys.h"
#include "render/AreaRings.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <climits>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zemo {

DbObjectState DbObject;

namespace {

constexpr int LinkSettingsType = 1034;

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// A buffer of our own: the grid reads objects while a tool may hold CurElement.
ElementRecord& Scratch()
{
    static const std::unique_ptr<ElementRecord> e = std::make_unique<ElementRecord>();
    return *e;
}

bool ObjectExists(const TZmd& z, int n)
{
    if (n < 1 || n > z.BlockCount() * 256)
        return false;
    const ObjectIndexEntry& e = const_cast<TZmd&>(z).Entry(n);
    return e.Length > 0 && e.Symbol != 0 && e.Symbol != DeletedSymbol;
}

// The object a string belongs to.
int ObjectOfString(const TZmd& z, int number)
{
    if (number < 0 || (number >> 8) >= int(z.StringBlocks.size()))
        return 0;
    return z.StringBlocks[size_t(number >> 8)].Entries[size_t(number & 255)].Object;
}

QString LinkKey(const TZmd& z, int link) { return GetParamName(z.ObjectLinks.Strings(link)); }
QString LinkDataset(const TZmd& z, int link) { return GetParamText(z.ObjectLinks.Strings(link), u'd'); }

bool HasDefinition(const TZmd& z, const QString& name)
{
    for (const TNumStringList::Item& item : z.Datasets.Items())
        if (GetParamName(item.Text) == name)
            return true;
    return false;
}

QStringList DatasetNames(const TZmd& z)
{
    QStringList names;
    for (const TNumStringList::Item& item : z.Datasets.Items())
        names << GetParamName(item.Text);
    return names;
}

bool FindOpenRecord(const QString& key)
{
    return DbFindRecord(DbObject.Kind, DbObject.Source, DbObject.Table, DbObject.KeyField, key);
}

// Takes link `pos` out of the store and the list. A restorable deletion comes back when its
// object's deletion is undone; a link the user removed must not.
void DropLink(TZmd& z, int pos, bool restorable)
{
    const int number = z.ObjectLinks.GetNumber(pos);
    if (restorable)
        DeletePString(number);
    else
        ClearPString(number);
    z.ObjectLinks.Delete(pos);
    DbObject.CachedLink = -1;
}

void DropLinksOf(TZmd& z, int n)
{
    int pos = -1;
    while (FindPString(n, ObjectLinkType, z.ObjectLinks, pos)) {
        DropLink(z, pos, false);
        pos = -1;
    }
}

// Writes value into a field of the record linked to the open dataset's key.
void WriteLinkedField(const QString& field, const QString& key, const QString& value)
{
    int index = -1;
    if (field.isEmpty() || !DbFieldIndex(DbObject.Kind, DbObject.Source, DbObject.Table, index, field))
        return;
    if (FindOpenRecord(key))
        DbSetFieldValue(index, value);
}

} // namespace

void ResetDbObjectState()
{
    DbObject = DbObjectState{};
}

bool MakeLinkText(const QString& key, const QString& dataset, QString& text)
{
    for (QChar c : key)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            return false;
    text = key + TextParamStr(u'd', dataset);
    return true;
}

bool DbDataset(const QString& name)
{
    TZmd* z = Map();
    // Two maps may name different tables alike.
    if (!name.isEmpty() && name == DbObject.Name && z == DbObject.Map)
        return true;
    DbObject.Name.clear();
    DbObject.CachedLink = -1;
    QString def;
    bool found = false;
    if (z)
        for (const TNumStringList::Item& item : z->Datasets.Items())
            if (GetParamName(item.Text) == name) {
                def = item.Text;
                found = true;
            }
    if (!found) {
        ErrorMsg(TextKey::DatasetNotFound, name);
        return false;
    }
    DbObjectState s;
    s.Definition = def;
    s.Source = GetParamText(def, u'd');
    s.Kind = DbKindOdbc;
    if (s.Source.isEmpty()) {
        s.Kind = DbKindDBase;
        s.Source = GetParamText(def, u'e');
    }
    s.Table = GetParamText(def, u't');
    s.KeyField = GetParamText(def, u'k');
    s.SymbolField = GetParamText(def, u'y');
    s.TextField = GetParamText(def, u'x');
    s.SizeField = GetParamText(def, u'f');
    if (!s.SizeField.isEmpty()) {
        // A unit of 0 or below would divide the size by nothing.
        const double l = GetParamFloat(def, u'l', 1.0), a = GetParamFloat(def, u'a', 1.0);
        s.LengthUnit = l > 0 && std::isfinite(l) ? l : 1.0;
        s.AreaUnit = a > 0 && std::isfinite(a) ? a : 1.0;
        const int c = GetParamInt(def, u'c', 4);
        s.Decimals = c >= 0 && c <= 20 ? c : 4;
    }
    if (!DbSourceExists(s.Kind, s.Source) || !DbHasTable(s.Kind, s.Source, s.Table)
        || !DbHasField(s.Kind, s.Source, s.Table, s.KeyField)) {
        ErrorMsg(TextKey::DataSetCannotAccess, name);
        return false;
    }
    s.Name = name;
    s.Map = z;
    s.Grid = std::move(DbObject.Grid);
    s.GridRows = DbObject.GridRows;
    DbObject = std::move(s);
    return true;
}

bool DatasetHasField(const QString& field)
{
    return !DbObject.Name.isEmpty() && DbHasField(DbObject.Kind, DbObject.Source, DbObject.Table, field);
}

bool FindDatasetRecord(const QString& key)
{
    return !DbObject.Name.isEmpty() && FindOpenRecord(key);
}

bool AppendDatasetKey(const QString& key)
{
    return !DbObject.Name.isEmpty()
           && DbAppendKey(DbObject.Kind, DbObject.Source, DbObject.Table, DbObject.KeyField, key);
}

bool GetLinkRecord(int link)
{
    TZmd* z = Map();
    if (!z || link < 0 || link >= z->ObjectLinks.Count())
        return false;
    if (link == DbObject.CachedLink)
        return true;
    const QString dataset = LinkDataset(*z, link);
    bool found = !dataset.isEmpty() && HasDefinition(*z, dataset) && DbDataset(dataset)
                 && FindOpenRecord(LinkKey(*z, link));
    DbObject.CachedLink = found ? link : -1;
    return found;
}

bool GetObjectLink(int n)
{
    TZmd* z = Map();
    int pos = -1;
    return z && n > 0 && FindPString(n, ObjectLinkType, z->ObjectLinks, pos) && GetLinkRecord(pos);
}

QString SizeFieldValue(const ElementRecord& e, double mapScale)
{
    double v = 0;
    if (e.ObjectType == LineObject)
        v = PathLength(e.Cords(), e.nItem) * mapScale / 1e8 / DbObject.LengthUnit;
    else if (e.ObjectType == AreaObject)
        v = std::abs(PolygonArea(e.Cords(), e.nItem) * mapScale * mapScale / 1e16 / DbObject.AreaUnit);
    else
        return {};
    return QString::number(v, 'f', DbObject.Decimals);
}

void db::ShowObjectRecord()
{
    // An edit still in the grid goes to the record it was made in before another one shows.
    db::GetData();
    TZmd* z = Map();
    const int n = Index.SelectedIndex;
    bool shown = false;
    if (z && n > 0 && GetObjectLink(n)) {
        const QString key = LinkKey(*z, DbObject.CachedLink);
        if (!FindOpenRecord(key)) {
            ErrorMsg(TextKey::ObjectNotFoundInDataSource, key);
        } else {
            std::vector<DbGridRow> rows(size_t(std::max<int>(0, DbFieldCount())));
            for (int i = 0; i < int(rows.size()); ++i) {
                rows[size_t(i)].Name = DbFieldName(i);
                rows[size_t(i)].Stored = rows[size_t(i)].Value = DbFieldValue(i);
            }
            int pos = 1;
            QChar code;
            QString value;
            const QString& def = DbObject.Definition;
            NextParam(def, pos, code, value);
            while (pos <= def.size()) {
                NextParam(def, pos, code, value);
                for (DbGridRow& r : rows)
                    if (code == u'r' && r.Name == value)
                        r.Marker = QStringLiteral("*");
            }
            if (!DbObject.SizeField.isEmpty()) {
                ElementRecord& e = Scratch();
                for (DbGridRow& r : rows)
                    if (r.Name == DbObject.SizeField && ReadElement(n, e))
                        r.Value = SizeFieldValue(e, Stp() ? Stp()->MapScale : 0);
            }
            DbObject.Grid.Rows = std::move(rows);
            shown = true;
        }
    }
    if (shown) {
        DbObject.Grid.Visible = true;
        DbObject.GridRows = int(DbObject.Grid.Rows.size());
    } else {
        DbObject.CachedLink = -1;
        DbObject.Grid = {};
        DbObject.GridRows = 0;
    }
    DatabasePorts().ShowDbGrid(DbObject.Grid);
}

void db::GetData()
{
    TZmd* z = Map();
    if (!z || DbObject.CachedLink < 0 || DbObject.CachedLink >= z->ObjectLinks.Count() || !DbObject.Grid.Visible)
        return;
    if (!FindOpenRecord(LinkKey(*z, DbObject.CachedLink))) {
        ErrorMsg(TextKey::CannotUpdateTable);
        return;
    }
    // Every edited field is written on its own: a refusal (said once by the write) puts its
    // cell back to what the table holds and keeps no other field's edit from being written.
    std::vector<DbGridRow>& rows = DbObject.Grid.Rows;
    bool shownDiffers = false;
    for (int i = 0; i < int(rows.size()) && i < DbFieldCount(); ++i) {
        DbGridRow& row = rows[size_t(i)];
        if (row.Value == DbFieldValue(i))
            continue;
        const QString typed = row.Value;
        DbSetFieldValue(i, typed);
        row.Stored = row.Value = DbFieldValue(i);
        shownDiffers = shownDiffers || row.Value != typed;
    }
    if (shownDiffers)
        DatabasePorts().ShowDbGrid(DbObject.Grid);
}

void db::WriteSymbolField(int n)
{
    TZmd* z = Map();
    if (!z || !GetObjectLink(n) || DbObject.SymbolField.isEmpty())
        return;
    WriteLinkedField(DbObject.SymbolField, LinkKey(*z, DbObject.CachedLink),
                     QString::number(CurElement.Symbol / 10.0, 'f', 1));
}

void WriteTextField(int n)
{
    TZmd* z = Map();
    if (!z || CurElement.nText == 0 || !GetObjectLink(n) || DbObject.TextField.isEmpty())
        return;
    const PreparedText t = DocumentPorts().PrepareText(CurElement);
    WriteLinkedField(DbObject.TextField, LinkKey(*z, DbObject.CachedLink), QString::fromStdU16String(t.Text));
}

int WriteChangedValues(const QStringList& before, const QStringList& values)
{
    int written = 0;
    for (int i = 0; i < values.size() && i < before.size() && i < DbFieldCount(); ++i)
        if (values[i] != before[i] && DbSetFieldValue(i, values[i]))
            ++written;
    return written;
}

bool GetDatasetField(const QString& field, QString& value)
{
    int index = -1;
    if (DbObject.Name.isEmpty())
        return false;
    for (int i = 0; i < DbFieldCount(); ++i)
        if (DbFieldName(i) == field)
            index = i;
    if (index < 0)
        return false;
    value = DbFieldValue(index);
    return !value.isEmpty();
}

bool CollectLinkedValues(const QString& dataset, const QString& field, TNumStringList& list)
{
    TZmd* z = Map();
    int index = -1;
    if (!z || !DbDataset(dataset) || !DbFieldIndex(DbObject.Kind, DbObject.Source, DbObject.Table, index, field))
        return false;
    for (int i = 0; i < z->ObjectLinks.Count(); ++i)
        if (LinkDataset(*z, i) == dataset && FindOpenRecord(LinkKey(*z, i)))
            list.AddNumber(DbFieldValue(index), z->ObjectLinks.GetNumber(i));
    DbObject.CachedLink = -1;
    return list.Count() > 0;
}

void db::DeleteObjectLink(int n)
{
    TZmd* z = Map();
    int pos = -1;
    if (!z || !FindPString(n, ObjectLinkType, z->ObjectLinks, pos))
        return;
    db::GetData();
    DropLink(*z, pos, true);
}

void db::ResetDbLinks()
{
    DbObject.Name.clear();
    DbObject.Kind = -1;
    DbObject.CachedLink = -1;
    DbClose();
}

void DbGridSelectRecord(int row)
{
    db::GetData();
    const std::vector<DbGridRow>& rows = DbObject.Grid.Rows;
    if (row < 0 || row >= int(rows.size()) || rows[size_t(row)].Value.isEmpty()) {
        db::ShowObjectRecord();
        return;
    }
    const QString field = rows[size_t(row)].Name, key = rows[size_t(row)].Value;
    const QString& def = DbObject.Definition;
    int pos = 1;
    QChar code;
    QString value, table, keyField;
    NextParam(def, pos, code, value);
    bool take = false;
    while (pos <= def.size()) {
        NextParam(def, pos, code, value);
        if (code == u'r')
            take = value == field && table.isEmpty();
        else if (take && code == u's')
            table = value;
        else if (take && code == u'm')
            keyField = value;
    }
    if (!table.isEmpty() && DbFindRecord(DbObject.Kind, DbObject.Source, table, keyField, key))
        DatabasePorts().ShowSecondaryRecord(table);
    // The secondary table is open now: the main record is read again.
    DbObject.CachedLink = -1;
    db::ShowObjectRecord();
}

// ---- Link, Find, Open links, Create links ----

bool AcceptLink(LinkDlgValues& v)
{
    const QString dataset = v.Datasets.value(v.Dataset);
    if (!DbDataset(dataset))
        return false;
    QString text;
    if (!MakeLinkText(v.Key, dataset, text)) {
        ErrorMsg(TextKey::CharNotAllowed, QStringLiteral("TAB"), LinkDlgHelpContext);
        return false;
    }
    const bool exists = FindDatasetRecord(v.Key);
    if (!v.NewRecord) {
        if (exists)
            return true;
        if (OkCancelMsg(TextKey::CreateNewRecord, v.Key, LinkDlgHelpContext) != IdOk || !AppendDatasetKey(v.Key))
            return false;
        v.NewRecord = true;
        return true;
    }
    if (exists) {
        if (OkCancelMsg(TextKey::UseExistingData, v.Key, LinkDlgHelpContext) != IdOk)
            return false;
        v.NewRecord = false;
        return true;
    }
    return AppendDatasetKey(v.Key);
}

void LinkObject()
{
    db::GetData();
    TZmd* z = Map();
    const int n = Index.SelectedIndex;
    if (!z || n <= 0) {
        db::ShowObjectRecord();
        return;
    }
    int pos = -1;
    const bool linked = FindPString(n, ObjectLinkType, z->ObjectLinks, pos);
    LinkDlgValues v;
    v.Datasets = DatasetNames(*z);
    if (!linked) {
        const QString s = z->MapSettings[size_t(MapSettingsSlot(LinkSettingsType))];
        v.Dataset = std::max(0, int(v.Datasets.indexOf(GetParamText(s, u'd'))));
        int last = 0;
        v.Key = TryTrimStrToInt(GetParamText(s, u'l'), last) && last < INT_MAX ? QString::number(last + 1)
                                                                                : QStringLiteral("1");
        v.NewRecord = GetParamBool(s, u'n', true);
    } else {
        v.Dataset = std::max(0, int(v.Datasets.indexOf(LinkDataset(*z, pos))));
        v.Key = LinkKey(*z, pos);
        v.NewRecord = false;
    }
    const LinkDlgResult r = DatabasePorts().RunLinkDlg(v);
    QString text;
    const QString dataset = v.Datasets.value(v.Dataset);
    if (r == LinkDlgResult::Remove) {
        db::GetData();
        DropLinksOf(*z, n);
    } else if (r == LinkDlgResult::Ok && MakeLinkText(v.Key, dataset, text)) {
        pos = -1;
        const bool found = linked && FindPString(n, ObjectLinkType, z->ObjectLinks, pos);
        // OK on the link as it was: the map keeps it, and the settings, unchanged.
        const bool same = found && z->ObjectLinks.Strings(pos) == text;
        if (!found) {
            DropLinksOf(*z, n);
            const int number = AddPString(text, ObjectLinkType, n);
            if (number < 0) {
                db::ShowObjectRecord();
                return;
            }
            z->ObjectLinks.AddNumber(text, number);
        } else if (!same) {
            const int number = z->ObjectLinks.GetNumber(pos);
            z->ObjectLinks.SetString(pos, text);
            SavePString(number, text);
        }
        if (!same)
            SaveTypedPString(TextParamStr(u'd', dataset) + TextParamStr(u'l', v.Key) + BoolParamStr(u'n', v.NewRecord),
                             LinkSettingsType);
        DbObject.CachedLink = -1;
        if (ReadElement(n, CurElement) && GetObjectLink(n)) {
            db::WriteSymbolField(n);
            WriteTextField(n);
        }
    }
    DbObject.CachedLink = -1;
    db::ShowObjectRecord();
}

int FindObjectByKey(const QString& dataset, const QString& key)
{
    TZmd* z = Map();
    if (!z)
        return 0;
    int count = 0;
    for (int i = 0; i < z->ObjectLinks.Count(); ++i) {
        const int n = ObjectOfString(*z, z->ObjectLinks.GetNumber(i));
        if (LinkKey(*z, i) == key && LinkDataset(*z, i) == dataset && ObjectExists(*z, n)) {
            CenterOnObject(n);
            ++count;
        }
    }
    ProgramConfig.WorkMode = WorkModes::EditPoint;
    return count;
}

void FindObjectCommand()
{
    db::GetData();
    TZmd* z = Map();
    if (!z)
        return;
    static DatasetChoice last;
    DatasetChoice c = last;
    c.Datasets = DatasetNames(*z);
    c.Dataset = std::max(0, int(c.Datasets.indexOf(last.Datasets.value(last.Dataset))));
    if (!DatabasePorts().RunFindDlg(c))
        return;
    last = c;
    FindObjectByKey(c.Datasets.value(c.Dataset), c.Key);
    db::ShowObjectRecord();
}

int SelectOpenLinks()
{
    TZmd* z = Map();
    if (!z)
        return 0;
    db::GetData();
    ClearSelection();
    int count = 0;
    for (int i = 0; i < z->ObjectLinks.Count(); ++i) {
        const int n = ObjectOfString(*z, z->ObjectLinks.GetNumber(i));
        if (GetLinkRecord(i) || !ObjectExists(*z, n) || IsSelected(n))
            continue;
        if (!ReadElement(n, CurElement) || !GetIndex(n))
            continue;
        ToggleSelection(n);
        ++count;
    }
    if (count > 1)
        Index.SelectedIndex = 0;
    if (count == 1 && Index.SelectedIndex > 0) {
        const int place = z->NumberTable[size_t(std::clamp<int>(CurElement.Symbol, 0, MaxSymbolNumber))];
        if (place >= 0)
            SetCurrentSymbolPos(place);
    }
    if (count > 0)
        InfoMsg(TextKey::OpenLinksFound, QString::number(count));
    else
        InfoMsg(TextKey::NoOpenLinks);
    DocumentPorts().RepaintWindow();
    return count;
}

int CreateDbLinks(const QString& dataset)
{
    TZmd* z = Map();
    if (!z)
        return 0;
    if (const int c = CurrentSymbolPos(); c >= 0) {
        for (SymbolBytes& r : z->Symbols)
            SetSymU8(r, SymSelected, 0);
        SetSymU8(z->Symbols[size_t(c)], SymSelected, 1);
    }
    DropSelection();
    db::GetData();
    if (!DbDataset(dataset))
        return 0;
    int lastKey = 0;
    for (int i = 0; i < z->ObjectLinks.Count(); ++i) {
        int k = 0;
        if (LinkDataset(*z, i) == dataset && TryTrimStrToInt(LinkKey(*z, i), k) && k < MaxCreatedKey)
            lastKey = std::max(lastKey, k);
    }
    std::array<bool, MaxSymbolNumber + 1> selected{};
    for (const SymbolBytes& r : z->Symbols) {
        const int number = SymI16(r, SymNumber);
        if (number >= 1 && number <= MaxSymbolNumber && SymU8(r, SymSelected))
            selected[size_t(number)] = true;
    }
    // The links of each object, by their string numbers.
    std::unordered_map<int, std::vector<int>> linksOf;
    for (int i = 0; i < z->ObjectLinks.Count(); ++i)
        linksOf[ObjectOfString(*z, z->ObjectLinks.GetNumber(i))].push_back(z->ObjectLinks.GetNumber(i));
    const int total = z->HighestObject;
    StartProgress(TextKey::CreatingLinks, TextKey::ObjDone, total, 1, false);
    int made = 0;
    for (int n = 1; n <= total; ++n) {
        UpdateProgress(n, n);
        if (!ObjectExists(*z, n))
            continue;
        const int s = int16_t(z->Entry(n).Symbol) & ~int(CourseOnlyMark);
        if (s < 1 || s > MaxSymbolNumber || !selected[size_t(s)] || !ReadElement(n, CurElement))
            continue;
        // Links to other datasets and links whose record is gone make way; a sound link stays.
        bool keep = false;
        const auto own = linksOf.find(n);
        for (int number : own == linksOf.end() ? std::vector<int>{} : own->second) {
            const int i = z->ObjectLinks.IndexOfNumber(number);
            if (i < 0)
                continue;
            if (!keep && LinkDataset(*z, i) == dataset && FindOpenRecord(LinkKey(*z, i)))
                keep = true;
            else
                DropLink(*z, i, false);
        }
        if (keep)
            continue;
        do
            ++lastKey;
        while (lastKey < MaxCreatedKey && FindOpenRecord(QString::number(lastKey)));
        const QString key = QString::number(lastKey);
        QString text;
        MakeLinkText(key, dataset, text);
        if (lastKey >= MaxCreatedKey || !AppendDatasetKey(key))
            break;
        const int number = AddPString(text, ObjectLinkType, n);
        if (number < 0)
            break;
        z->ObjectLinks.AddNumber(text, number);
        ++made;
        DbObject.CachedLink = -1;
        db::WriteSymbolField(n);
        WriteTextField(n);
    }
    DbObject.CachedLink = -1;
    db::ShowObjectRecord();
    EndProgress();
    return made;
}

void CreateLinksCommand()
{
    TZmd* z = Map();
    if (!z)
        return;
    DatasetChoice c;
    c.Datasets = DatasetNames(*z);
    if (!DatabasePorts().RunCreateLinksDlg(c))
        return;
    CreateDbLinks(c.Datasets.value(c.Dataset));
    DocumentPorts().RepaintWindow();
}

} // namespace zemo
