#include "external/database/Dataset.h"

#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "external/database/DBase.h"
#include "external/database/DbSys.h"

#include <QDir>
#include <QFileInfo>

namespace zemo {

const QStringList DatasetLengthUnits = {QStringLiteral("1"), QStringLiteral("0.001")};
const QStringList DatasetAreaUnits = {QStringLiteral("1"), QStringLiteral("0.01"), QStringLiteral("0.0001"),
                                      QStringLiteral("0.000001")};

QString WithoutTrailingSeparators(QString folder)
{
    while (folder.endsWith(u'\\') || folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

namespace {

DatasetCheck Failed(TextKey key, const QString& param, DatasetPage page, DatasetControl focus)
{
    return {false, key, param, page, focus};
}

} // namespace

DatasetFields ParseDatasetDefinition(const QString& definition)
{
    DatasetFields f;
    f.Name = GetParamName(definition);
    const QString source = GetParamText(definition, u'd');
    f.Odbc = !source.isEmpty();
    f.Source = source;
    f.Folder = GetParamText(definition, u'e');
    f.Table = GetParamText(definition, u't');
    f.Key = GetParamText(definition, u'k');
    int pos = 1;
    QChar code;
    QString value;
    NextParam(definition, pos, code, value); // the name
    while (pos <= definition.size()) {
        NextParam(definition, pos, code, value);
        if (code == u'r')
            f.Secondary.push_back({value, {}, {}});
        else if (code == u's' && !f.Secondary.empty())
            f.Secondary.back().Table = value;
        else if (code == u'm' && !f.Secondary.empty())
            f.Secondary.back().KeyField = value;
    }
    f.SymbolField = GetParamText(definition, u'y');
    f.SymbolOn = !f.SymbolField.isEmpty();
    f.TextField = GetParamText(definition, u'x');
    f.TextOn = !f.TextField.isEmpty();
    f.SizeField = GetParamText(definition, u'f');
    f.SizeOn = !f.SizeField.isEmpty();
    f.LengthUnit = std::max(0, int(DatasetLengthUnits.indexOf(GetParamText(definition, u'l'))));
    f.AreaUnit = std::max(0, int(DatasetAreaUnits.indexOf(GetParamText(definition, u'a'))));
    int decimals = 0;
    f.Decimals = TryTrimStrToInt(GetParamText(definition, u'c'), decimals) && decimals >= 1 && decimals <= 20
                     ? decimals
                     : -1;
    return f;
}

DatasetCheck BuildDatasetDefinition(const DatasetFields& f, QString& definition)
{
    QString def = ParamNameStr(f.Name);
    int kind = DbKindDBase;
    QString source;
    if (!f.Odbc) {
        source = WithoutTrailingSeparators(f.Folder);
        if (!source.isEmpty() && !QFileInfo(DBaseFolder(source)).isDir())
            return Failed(TextKey::FolderNotFound, source, DatasetPage::General, DatasetControl::Folder);
        def += TextParamStr(u'e', source);
    } else {
        kind = DbKindOdbc;
        source = f.Source;
        if (!DbSourceExists(kind, source))
            return Failed(TextKey::DatasourceNotFound, source, DatasetPage::General, DatasetControl::Source);
        def += TextParamStr(u'd', source);
    }
    if (f.Table.isEmpty() || !DbHasTable(kind, source, f.Table)) {
        // A source whose driver does not load has no tables to look in: say why.
        if (kind == DbKindOdbc && !Db.Connected && !Db.ConnectError.isEmpty())
            return Failed(TextKey::CannotConnectOdbc, Db.ConnectError, DatasetPage::General, DatasetControl::Source);
        return Failed(TextKey::TableNotFound, f.Table, DatasetPage::General, DatasetControl::Table);
    }
    if (f.Key.isEmpty() || !DbHasField(kind, source, f.Table, f.Key))
        return Failed(TextKey::FieldNotFound, f.Key, DatasetPage::General, DatasetControl::Key);
    def += TextParamStr(u't', f.Table) + TextParamStr(u'k', f.Key);
    for (const SecondaryTable& s : f.Secondary)
        if (!s.RefField.isEmpty())
            def += TextParamStr(u'r', s.RefField) + TextParamStr(u's', s.Table) + TextParamStr(u'm', s.KeyField);
    const struct {
        bool on;
        const QString& field;
        QChar code;
        DatasetControl control;
    } special[] = {{f.SymbolOn, f.SymbolField, u'y', DatasetControl::SymbolField},
                   {f.TextOn, f.TextField, u'x', DatasetControl::TextField},
                   {f.SizeOn, f.SizeField, u'f', DatasetControl::SizeField}};
    for (const auto& s : special) {
        if (!s.on)
            continue;
        if (s.field.isEmpty() || !DbHasField(kind, source, f.Table, s.field))
            return Failed(TextKey::FieldNotFound, s.field, DatasetPage::Special, s.control);
        def += TextParamStr(s.code, s.field);
    }
    if (f.SizeOn) {
        def += TextParamStr(u'l', DatasetLengthUnits.value(f.LengthUnit, DatasetLengthUnits[0]));
        def += TextParamStr(u'a', DatasetAreaUnits.value(f.AreaUnit, DatasetAreaUnits[0]));
        def += IntParamStr(u'c', f.Decimals < 1 ? 4 : f.Decimals);
    }
    definition = def;
    return {};
}

QStringList DatasetTables(int kind, const QString& source)
{
    const QStringList tables = DbTables(kind, source);
    if (kind == DbKindOdbc && !Db.Connected && !Db.ConnectError.isEmpty())
        ErrorMsg(TextKey::CannotConnectOdbc, Db.ConnectError);
    return tables;
}

QString ProposeDatasetName(const QStringList& names)
{
    for (int i = 1;; ++i) {
        const QString name = Text(TextKey::Dataset) + u' ' + QString::number(i);
        if (!names.contains(name))
            return name;
    }
}

// ---- The dialog's working copy ----

DatasetSession::DatasetSession()
{
    if (const TZmd* z = Index.ActiveZmd)
        for (const TNumStringList::Item& item : z->Datasets.Items())
            items_.push_back({item.Text, item.Number});
}

QStringList DatasetSession::Names() const
{
    QStringList names;
    for (const Item& item : items_)
        names << GetParamName(item.Text);
    return names;
}

int DatasetSession::Add(const QString& definition)
{
    items_.push_back({definition, -1});
    return int(items_.size()) - 1;
}

void DatasetSession::Replace(int i, const QString& definition)
{
    if (i >= 0 && i < int(items_.size()))
        items_[size_t(i)].Text = definition;
}

void DatasetSession::Remove(int i)
{
    if (i < 0 || i >= int(items_.size()))
        return;
    if (items_[size_t(i)].Store >= 0)
        removed_.push_back(items_[size_t(i)]);
    items_.erase(items_.begin() + i);
}

bool DatasetSession::Apply()
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    bool ok = true;
    for (const Item& gone : removed_) {
        DeleteLinksOfDataset(GetParamName(gone.Text));
        ok = ClearPString(gone.Store) && ok;
    }
    removed_.clear();
    for (Item& item : items_) {
        if (item.Store < 0) {
            item.Store = AddPString(item.Text, DatasetType, 0);
            ok = item.Store >= 0 && ok;
        } else if (ReadPString(item.Store) != item.Text) {
            ok = SavePString(item.Store, item.Text) && ok;
        }
    }
    z->Datasets.Clear();
    for (const Item& item : items_)
        if (item.Store >= 0)
            z->Datasets.AddNumber(item.Text, item.Store);
    z->DatasetsPresent = z->Datasets.Count() > 0;
    return ok;
}

int DeleteLinksOfDataset(const QString& name)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return 0;
    int count = 0;
    for (int i = z->ObjectLinks.Count() - 1; i >= 0; --i) {
        if (GetParamText(z->ObjectLinks.Strings(i), u'd') != name)
            continue;
        // For good: a restorable deletion would come back with an undone object deletion.
        ClearPString(z->ObjectLinks.GetNumber(i));
        z->ObjectLinks.Delete(i);
        ++count;
    }
    return count;
}

} // namespace zemo
