#include "external/database/DbTable.h"

#include "core/StringX.h"
#include "external/database/DBase.h"

namespace zemo {

namespace {

void Rebuild(const std::vector<TableField>& fields)
{
    DBaseNewHeader();
    for (const TableField& f : fields)
        DBaseAddField(f.Name, f.Type, f.Length, f.Decimals);
}

} // namespace

FieldNameCheck CheckNewFieldName(const QString& typed)
{
    FieldNameCheck c;
    const QString name = TrimBlanks(typed);
    const auto fail = [&](TextKey key, const QString& param = {}) {
        c.Key = key;
        c.Param = param;
        return c;
    };
    if (name.isEmpty())
        return fail(TextKey::NoFieldName);
    if (name[0] < u'A' || name[0] > u'Z')
        return fail(TextKey::FieldNameLetter);
    if (name.contains(u' '))
        return fail(TextKey::FieldNameSpaces);
    if (name.contains(u';'))
        return fail(TextKey::SemicolonNotAllowed);
    for (QChar ch : name)
        if (!((ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')))
            return fail(TextKey::CharNotAllowed, QString(ch));
    c.Ok = true;
    c.Name = name;
    return c;
}

std::vector<TableField> DBaseHeaderFields()
{
    std::vector<TableField> fields;
    for (const DbfDescriptor& d : DBaseUnit.Fields) {
        int len = 0;
        while (len < DbfMaxFieldNameChars + 1 && d[size_t(DbfFieldName + len)] != 0)
            ++len;
        TableField f;
        f.Name = QString::fromLatin1(reinterpret_cast<const char*>(d.data()) + DbfFieldName, len);
        f.Type = char(d[DbfFieldType]);
        f.Length = d[DbfFieldLength];
        f.Decimals = d[DbfFieldDecimals];
        fields.push_back(f);
    }
    return fields;
}

void InsertFieldInMemory(int position, const TableField& f)
{
    std::vector<TableField> fields = DBaseHeaderFields();
    fields.insert(fields.begin() + std::clamp(position, 0, int(fields.size())), f);
    Rebuild(fields);
}

void RemoveFieldInMemory(int field)
{
    std::vector<TableField> fields = DBaseHeaderFields();
    if (field < 0 || field >= int(fields.size()))
        return;
    fields.erase(fields.begin() + field);
    Rebuild(fields);
}

} // namespace zemo
