#include "external/database/DBase.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/FileReplace.h"
#include "document/Open.h"
#include "external/database/DbSys.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <span>

namespace zemo {

DBaseUnitState DBaseUnit;

namespace {

DBaseUnitState& U() { return DBaseUnit; }

std::vector<int>& Offsets() { return DBaseUnit.Offsets; }

// Reads of whole records go through blocks of about this size.
constexpr int64_t ReadBlockBytes = 1 << 20;

int HeaderU16(int offset) { return LoadLE<uint16_t>(U().Header.data() + offset); }
int64_t HeaderLength() { return HeaderU16(DbfHeaderLength); }
int64_t RecordLength() { return HeaderU16(DbfRecordLength); }

int FieldLength(const DbfDescriptor& d) { return d[DbfFieldLength]; }

void ComputeOffsets()
{
    std::vector<int>& offsets = Offsets();
    offsets.clear();
    int running = 1;
    for (const DbfDescriptor& d : U().Fields) {
        offsets.push_back(running);
        running += FieldLength(d);
    }
}

int FieldsLength()
{
    int sum = 1;
    for (const DbfDescriptor& d : U().Fields)
        sum += FieldLength(d);
    return sum;
}

bool ValidField(int field) { return field >= 0 && field < int(U().Fields.size()); }

QString FieldName(const DbfDescriptor& d)
{
    return CharFieldToStr(reinterpret_cast<const char*>(d.data() + DbfFieldName), DbfFieldNameSize);
}

bool CodePageKnown() { return U().CodePage != DbfUnknownCodePage; }

// Tables the program builds, and the state before a table is read.
void UseDefaultCodePage()
{
    U().CodePage = 1252;
    U().CodePageName = QStringLiteral("1252");
    U().Codec = CodePageConverter(1252);
}

// A field's bytes as text (no byte of a multi-byte character is a blank or a NUL).
QString Decode(const char* p, int size)
{
    const QByteArrayView bytes = CharFieldBytes(p, size);
    return U().Codec.Decode(bytes.data(), bytes.size());
}

// Text in the table's code page, at most maxBytes of it when that is 0 or more, ending on a
// whole character; lossless is false when a character has no bytes there. In a code page the
// system cannot convert only ASCII is surely what it is.
QByteArray Encode(const QString& text, bool* lossless = nullptr, qsizetype maxBytes = -1)
{
    if (CodePageKnown())
        return U().Codec.Encode(text, lossless, maxBytes);
    QByteArray out;
    bool ascii = true;
    for (qsizetype i = 0; i < text.size() && (maxBytes < 0 || out.size() < maxBytes); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out.append(char(c));
            continue;
        }
        ascii = false;
        out.append('?');
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    if (lossless)
        *lossless = ascii;
    return out;
}

// The text of a field in a record as the file holds it.
QString TextAt(const uint8_t* record, int field)
{
    const int size = FieldLength(U().Fields[size_t(field)]);
    return Decode(reinterpret_cast<const char*>(record + Offsets()[size_t(field)]), size);
}

// A number as a field stores it: sign, integer digits and exactly the given decimals; empty
// when the text is no plain decimal number or needs more decimals.
QByteArray NumberText(const QString& text, int decimals)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        negative = t[i++] == u'-';
    QByteArray whole;
    QByteArray fraction;
    bool point = false;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c == u'.' && !point)
            point = true;
        else if (c >= u'0' && c <= u'9')
            (point ? fraction : whole).append(char(c));
        else
            return {};
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return {};
    while (fraction.endsWith('0'))
        fraction.chop(1);
    if (fraction.size() > decimals)
        return {};
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = "0";
    if (whole == "0" && fraction.isEmpty())
        negative = false;
    QByteArray r = negative ? QByteArray("-") + whole : whole;
    if (decimals > 0)
        r += '.' + fraction.leftJustified(decimals, '0');
    return r;
}

// A date as YYYYMMDD, typed so or as YYYY-MM-DD ("/" and "." also part it); empty when the
// text is no real date.
QByteArray DateText(const QString& text)
{
    const QString t = text.trimmed();
    QDate date;
    if (t.size() == 8)
        date = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
    else if (t.size() == 10 && t[4] == t[7] && (t[4] == u'-' || t[4] == u'/' || t[4] == u'.'))
        date = QDate::fromString(t.left(4) + t.mid(5, 2) + t.mid(8, 2), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        return {};
    return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

QByteArray LogicalText(const QString& text)
{
    const QString t = text.trimmed().toLower();
    for (const char* yes : {"t", "y", "true", "yes"})
        if (t == QLatin1String(yes))
            return "T";
    for (const char* no : {"f", "n", "false", "no"})
        if (t == QLatin1String(no))
            return "F";
    if (t == u"?")
        return "?";
    return {};
}

// The field's type as a message shows it, such as "N(8,2)" or "D (YYYYMMDD)".
QString TypeText(const DbfDescriptor& d)
{
    const char type = char(d[DbfFieldType]);
    switch (std::toupper(uint8_t(type))) {
    case 'D': return QStringLiteral("D (YYYYMMDD)");
    case 'L': return QStringLiteral("L (T/F)");
    case 'N':
    case 'F':
        return QStringLiteral("%1(%2,%3)").arg(QChar(type)).arg(FieldLength(d)).arg(d[DbfFieldDecimals]);
    default: return QStringLiteral("%1(%2)").arg(QChar(type)).arg(FieldLength(d));
    }
}

// A descriptor as the program adds it: the name's first 10 characters with ASCII letters
// upper-cased, zeros elsewhere.
DbfDescriptor MakeDescriptor(const QString& name, char type, int length, int decimals)
{
    DbfDescriptor d{};
    QString upper = name.left(DbfMaxFieldNameChars);
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    const QByteArray bytes = EncodeCodePage(1252, upper);
    std::copy_n(bytes.constData(), std::min<qsizetype>(DbfMaxFieldNameChars, bytes.size()), d.begin());
    d[DbfFieldType] = uint8_t(type);
    d[DbfFieldLength] = uint8_t(std::clamp(length, 0, 255));
    d[DbfFieldDecimals] = uint8_t(std::clamp(decimals, 0, 255));
    return d;
}

void StampToday(std::array<uint8_t, DbfHeaderSize>& h)
{
    const QDate today = QDate::currentDate();
    h[DbfYear] = uint8_t(std::clamp(today.year() - 1900, 0, 255));
    h[DbfMonth] = uint8_t(today.month());
    h[DbfDay] = uint8_t(today.day());
}

void SetLengths(std::array<uint8_t, DbfHeaderSize>& h, int fields, int recordLength)
{
    StoreLE<uint16_t>(h.data() + DbfHeaderLength, uint16_t(DbfHeaderSize * (fields + 1) + 1));
    StoreLE<uint16_t>(h.data() + DbfRecordLength, uint16_t(recordLength));
}

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString TablePath(const QString& folder, const QString& table)
{
    const QString path = JoinPath(DBaseFolder(folder), table + QStringLiteral(".dbf"));
    return GetLongFileName(path);
}

bool TableIsOpen() { return !U().Path.isEmpty() && U().File.IsOpen(); }

void CloseFile()
{
    try {
        U().File.Close();
    } catch (const EAbort&) {
        // Reported by the file object.
    }
}

void ClearKeyCache()
{
    U().KeyCacheFile.clear();
    U().KeyCacheField.clear();
    U().KeyList.clear();
    U().KeyFirst.clear();
}

// Language driver bytes and their code pages; whether a code page can be converted is the
// converter's to say.
struct LanguageCodePage {
    int codePage;
    std::initializer_list<uint8_t> bytes;
};
const LanguageCodePage LanguageCodePages[] = {
    {437, {0x01, 0x09, 0x0B, 0x0D, 0x0F, 0x11, 0x15, 0x18, 0x19, 0x1B}},
    {850, {0x02, 0x0A, 0x0E, 0x10, 0x12, 0x14, 0x16, 0x1A, 0x1D, 0x25, 0x37}},
    {852, {0x1F, 0x22, 0x23, 0x40, 0x64, 0x87}},
    {866, {0x26, 0x65}},
    {874, {0x50, 0x7C}},
    {1250, {0xC8}},
    {1251, {0xC9}},
    {1252, {0x03, 0x57, 0x58, 0x59}},
    {1253, {0xCB}},
    {1254, {0xCA}},
    {1255, {0x7D}},
    {1256, {0x7E}},
    {1257, {0xCC}},
    {932, {0x13, 0x7B}},
    {936, {0x4D, 0x7A}},
    {949, {0x4E, 0x79}},
    {950, {0x4F, 0x78}},
    {737, {0x6A, 0x86}},
    {857, {0x6B, 0x88}},
    {860, {0x24}},
    {861, {0x67}},
    {863, {0x1C, 0x6C}},
    {865, {0x08, 0x17, 0x66}},
    {10000, {0x04}},
    {10006, {0x98}},
    {10007, {0x96}},
    {10029, {0x97}},
};

QByteArray CpgBeside(const QString& path)
{
    const QFileInfo info(path);
    const QDir dir = info.dir();
    const QString base = info.completeBaseName();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
        if (name.size() == base.size() + 4 && name.startsWith(base) && name.endsWith(QStringLiteral(".cpg"), Qt::CaseInsensitive)) {
            QFile f(dir.filePath(name));
            // A code page's name is short; more is not a .cpg file.
            if (f.open(QIODevice::ReadOnly))
                return f.read(64);
        }
    return {};
}

// Reads the header and descriptors of the open file; false for a table that is not whole.
bool ReadStructure()
{
    DBaseUnitState& u = U();
    const int64_t size = u.File.Size();
    if (size < DbfHeaderSize)
        return false;
    u.File.Seek(0);
    u.File.Read(u.Header.data(), DbfHeaderSize);
    const int64_t headerLength = HeaderLength();
    const int64_t recordLength = RecordLength();
    if (headerLength < DbfMinHeaderLength || headerLength > size || recordLength < 1)
        return false;
    std::vector<uint8_t> area(size_t(headerLength - DbfHeaderSize));
    u.File.Read(area.data(), int64_t(area.size()));
    // Bytes after the terminator (a backlink, padding) are no fields.
    const int64_t count = (headerLength - DbfMinHeaderLength) / DbfDescriptorSize;
    u.Fields.clear();
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* d = area.data() + i * DbfDescriptorSize;
        if (d[0] == DbfTerminator)
            break;
        DbfDescriptor desc;
        std::copy_n(d, DbfDescriptorSize, desc.begin());
        u.Fields.push_back(desc);
    }
    ComputeOffsets();
    if (FieldsLength() > recordLength)
        return false;
    const QByteArray cpg = CpgBeside(u.File.FileName());
    u.CodePage = DbfCodePage(u.Header[DbfLanguage], cpg);
    u.CodePageName = DbfCodePageName(u.CodePage, u.Header[DbfLanguage], cpg);
    u.Codec = CodePageConverter(CodePageKnown() ? u.CodePage : 1252);
    for (size_t i = 0; i < u.Fields.size(); ++i)
        StoreLE<uint32_t>(u.Fields[i].data() + DbfFieldAddress, uint32_t(Offsets()[i]));
    const int64_t stated = LoadLE<uint32_t>(u.Header.data() + DbfRecordCount);
    u.RecordsInFile = std::min(stated, (size - headerLength) / recordLength);
    u.Record.assign(size_t(recordLength), ' ');
    return true;
}

void ReadRecord(int64_t record)
{
    DBaseUnitState& u = U();
    u.File.Seek(HeaderLength() + RecordLength() * record);
    u.File.Read(u.Record.data(), RecordLength());
}

void WriteRecord(int64_t record)
{
    DBaseUnitState& u = U();
    u.File.Seek(HeaderLength() + RecordLength() * record);
    u.File.Write(u.Record.data(), RecordLength());
}

// Calls fn(record number, bytes) for every record of the open table, read block by block.
template <typename Fn>
void ForEachRecord(Fn&& fn)
{
    DBaseUnitState& u = U();
    const int64_t length = RecordLength();
    const int64_t perBlock = std::max<int64_t>(1, ReadBlockBytes / length);
    std::vector<uint8_t> block;
    u.File.Seek(HeaderLength());
    for (int64_t first = 0; first < u.RecordsInFile; first += perBlock) {
        const int64_t n = std::min(perBlock, u.RecordsInFile - first);
        block.resize(size_t(n * length));
        u.File.Read(block.data(), n * length);
        for (int64_t i = 0; i < n; ++i)
            fn(first + i, block.data() + i * length);
    }
}

void AddKey(const QString& key, int64_t record)
{
    U().KeyList.append(key);
    const QString folded = key.toCaseFolded();
    if (!U().KeyFirst.contains(folded))
        U().KeyFirst.insert(folded, record);
}

void BuildKeyCache(int keyField, const QString& keyName)
{
    ClearKeyCache();
    ForEachRecord([keyField](int64_t record, const uint8_t* bytes) { AddKey(TextAt(bytes, keyField), record); });
    U().KeyCacheFile = U().Path;
    U().KeyCacheField = keyName;
}

// Opens the table and finds the key field; -1 when either fails.
int OpenWithKey(const QString& folder, const QString& table, const QString& keyField)
{
    if (!DBaseOpenTable(folder, table))
        return -1;
    return int(Db.FieldNames.indexOf(keyField));
}

class BusyScope {
public:
    BusyScope()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(true);
    }
    ~BusyScope()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// Rewrites the open table with the given descriptors: `changed` is the field inserted or
// removed, `delta` its length (negative when removed).
bool Restructure(std::vector<DbfDescriptor> fields, int changed, int delta)
{
    DBaseUnitState& u = U();
    const int oldLength = int(RecordLength());
    int newLength = 1;
    for (const DbfDescriptor& d : fields)
        newLength += FieldLength(d);
    const int64_t newHeader = DbfHeaderSize * (int64_t(fields.size()) + 1) + 1;
    if (newLength > DbfMaxRecordLength || newHeader > DbfMaxHeaderLength) {
        ErrorMsg(TextKey::MustBetween, Text(TextKey::Length) + QStringLiteral(";1;")
                 + QString::number(std::max(1, std::min(254, DbfMaxRecordLength - oldLength))));
        return false;
    }
    // The language byte stays: the records keep their bytes, so they keep their code page.
    std::array<uint8_t, DbfHeaderSize> header = u.Header;
    header[DbfVersion] = 3;
    StampToday(header);
    SetLengths(header, int(fields.size()), newLength);
    StoreLE<uint32_t>(header.data() + DbfRecordCount, uint32_t(u.RecordsInFile));

    int offset = 1;
    for (int i = 0; i < changed; ++i)
        offset += FieldLength(fields[size_t(i)]);

    BusyScope busy;
    TReplacingFile out;
    if (!out.Begin(u.Path))
        return false;
    out.Append(header);
    for (const DbfDescriptor& d : fields)
        out.Append(d);
    const uint8_t terminator = DbfTerminator;
    out.Append(std::span(&terminator, 1));
    std::vector<uint8_t> rec;
    ForEachRecord([&](int64_t, const uint8_t* old) {
        if (out.Failed())
            return;
        rec.assign(old, old + oldLength);
        if (delta > 0)
            rec.insert(rec.begin() + std::min(offset, oldLength), size_t(delta), uint8_t(0));
        else if (offset < oldLength)
            rec.erase(rec.begin() + offset, rec.begin() + std::min(oldLength, offset - delta));
        rec.resize(size_t(newLength), uint8_t(' '));
        out.Append(rec);
    });
    if (out.Failed())
        return false;
    DBaseClose();
    return out.Commit();
}

} // namespace

int DbfCodePage(uint8_t language, const QByteArray& cpg)
{
    const QByteArray named = cpg.trimmed();
    if (!named.isEmpty()) {
        const int codePage = CodePageOfName(named);
        if (codePage > 0 && CodePageConverter(codePage).Valid())
            return codePage;
    }
    if (language != 0) {
        for (const LanguageCodePage& l : LanguageCodePages)
            for (uint8_t byte : l.bytes)
                if (byte == language)
                    return CodePageConverter(l.codePage).Valid() ? l.codePage : DbfUnknownCodePage;
        return DbfUnknownCodePage;
    }
    // Neither names one: the program's own default.
    return named.isEmpty() ? 1252 : DbfUnknownCodePage;
}

QString DbfCodePageName(int codePage, uint8_t language, const QByteArray& cpg)
{
    if (codePage == DbfUtf8)
        return QStringLiteral("UTF-8");
    if (codePage != DbfUnknownCodePage)
        return QString::number(codePage);
    const QByteArray named = cpg.trimmed();
    if (!named.isEmpty())
        return CleanParamText(QString::fromLatin1(named.left(32))).replace(u';', u' ');
    return QStringLiteral("0x%1 (language driver)").arg(QString::number(language, 16).toUpper().rightJustified(2, u'0'));
}

bool DBaseStoredValue(int field, const QString& text, QByteArray& bytes, DbfRefusal* refusal)
{
    if (!ValidField(field))
        return false;
    const DbfDescriptor& d = U().Fields[size_t(field)];
    const int size = FieldLength(d);
    const QString trimmed = text.trimmed();
    const auto refuse = [&](TextKey key, const QString& last) {
        if (refusal) {
            refusal->key = key;
            refusal->params = CleanParamText(text) + u';' + FieldName(d) + u';' + last;
        }
        return false;
    };
    QByteArray value;
    bool right = false;
    switch (std::toupper(d[DbfFieldType])) {
    case 'C': {
        // Blanks at the end are the field's own padding; the rest is stored whole or not at all.
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == u' ')
            --end;
        bool lossless = true;
        value = Encode(text.left(end), &lossless);
        if (!lossless)
            return refuse(TextKey::DbCodePageRefused, U().CodePageName);
        if (value.size() > size) {
            if (refusal) {
                refusal->key = size == 1 ? TextKey::DbTextTooLongByte : TextKey::DbTextTooLong;
                refusal->params = CleanParamText(text) + u';' + FieldName(d) + u';' + QString::number(size) + u';'
                                  + QString::number(value.size()) + u';' + U().CodePageName;
            }
            return false;
        }
        break;
    }
    case 'N':
    case 'F':
        value = trimmed.isEmpty() ? QByteArray() : NumberText(trimmed, d[DbfFieldDecimals]);
        right = true;
        if (!trimmed.isEmpty() && value.isEmpty())
            return refuse(TextKey::DbValueRefused, TypeText(d));
        break;
    case 'D':
        value = trimmed.isEmpty() ? QByteArray() : DateText(trimmed);
        if (!trimmed.isEmpty() && value.isEmpty())
            return refuse(TextKey::DbValueRefused, TypeText(d));
        break;
    case 'L':
        value = trimmed.isEmpty() ? QByteArray() : LogicalText(trimmed);
        if (!trimmed.isEmpty() && value.isEmpty())
            return refuse(TextKey::DbValueRefused, TypeText(d));
        break;
    default:
        // Memo block numbers, binary numbers and the like are no text to write.
        return refuse(TextKey::DbValueRefused, TypeText(d));
    }
    if (value.size() > size)
        return refuse(TextKey::DbValueRefused, TypeText(d));
    bytes = right ? value.rightJustified(size, ' ') : value.leftJustified(size, ' ');
    return true;
}

void ResetDBaseUnit()
{
    DBaseClose();
    DBaseUnitState& u = U();
    u.Header.fill(0);
    u.Fields.clear();
    Offsets().clear();
    u.Record.assign(1, ' ');
    u.RecordsInFile = 0;
    UseDefaultCodePage();
    u.UnknownCodePageSaid.clear();
    ClearKeyCache();
}

QString DBaseFolder(const QString& folder)
{
    QString f = folder;
    f.replace(u'\\', u'/');
    f = ExpandMapPath(f);
    while (f.size() > 1 && f.endsWith(u'/'))
        f.chop(1);
    return f;
}

void DBaseClose()
{
    U().Path.clear();
    U().CurrentRecord = -1;
    CloseFile();
}

void DBaseListTables(const QString& folder)
{
    const QString dir = DBaseFolder(folder);
    Db.TableNames.clear();
    const QFileInfoList entries = QDir(dir.isEmpty() ? QStringLiteral(".") : dir)
        .entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& e : entries) {
        const QString name = e.fileName();
        if (name.size() > 4 && name.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
            Db.TableNames.append(name.chopped(4));
    }
    if (U().Path.isEmpty() || QFileInfo(U().Path).path() != QFileInfo(JoinPath(dir, QStringLiteral("~~~.dbf"))).path()) {
        DBaseClose();
        U().Path = JoinPath(dir, QStringLiteral("~~~.dbf"));
    }
    Db.DbKind = DbKindDBase;
}

bool DBaseOpenTable(const QString& folder, const QString& table)
{
    const QString path = TablePath(folder, table);
    if (Db.DbKind == DbKindDBase && path == U().Path && TableIsOpen())
        return true;
    Db.FieldNames.clear();
    Db.FieldCount = 0;
    DBaseClose();
    ClearKeyCache();
    U().Fields.clear();
    Offsets().clear();
    try {
        U().File.Open(path);
    } catch (const EAbort&) {
        ErrorMsg(TextKey::CannotOpen, path);
        throw;
    }
    UseDefaultCodePage();
    if (!ReadStructure()) {
        ErrorMsg(TextKey::ErrorInDBase, path);
        CloseFile();
        U().Fields.clear();
        Offsets().clear();
        return false;
    }
    const int count = int(U().Fields.size());
    EnsureColumns(count);
    for (int i = 0; i < count; ++i) {
        const QString name = FieldName(U().Fields[size_t(i)]);
        Db.FieldNames.append(name);
        Db.Columns[size_t(i)].Name = name;
        Db.Columns[size_t(i)].Value.clear();
    }
    Db.FieldCount = int16_t(count);
    U().Path = path;
    Db.DbKind = DbKindDBase;
    // Said once a table: it opens again at every find.
    if (!CodePageKnown() && !U().UnknownCodePageSaid.contains(path)) {
        U().UnknownCodePageSaid.insert(path);
        WarningMsg(TextKey::DbCodePageUnknown, CleanParamText(path) + u';' + U().CodePageName);
    }
    return true;
}

QString DBaseGetText(int field)
{
    if (!ValidField(field))
        return {};
    return TextAt(U().Record.data(), field);
}

void DBasePutText(int field, const QString& text)
{
    if (!ValidField(field))
        return;
    const int size = FieldLength(U().Fields[size_t(field)]);
    uint8_t* p = U().Record.data() + Offsets()[size_t(field)];
    std::fill_n(p, size, uint8_t(' '));
    const QByteArray bytes = Encode(text, nullptr, size);
    std::copy_n(bytes.constData(), bytes.size(), p);
}

void DBasePutNumber(int field, double value)
{
    if (!ValidField(field))
        return;
    const DbfDescriptor& d = U().Fields[size_t(field)];
    const int size = FieldLength(d);
    uint8_t* p = U().Record.data() + Offsets()[size_t(field)];
    std::fill_n(p, size, uint8_t(' '));
    const QByteArray text = FloatToPointStr(d[DbfFieldDecimals], value).toLatin1();
    const qsizetype n = std::min<qsizetype>(size, text.size());
    std::copy_n(text.constData() + text.size() - n, n, p + size - n);
}

bool DBaseFindRecord(const QString& folder, const QString& table, const QString& keyField,
                     const QString& keyValue)
{
    const int key = OpenWithKey(folder, table, keyField);
    if (key < 0)
        return false;
    DBaseUnitState& u = U();
    if (u.KeyCacheFile != u.Path || u.KeyCacheField != keyField)
        BuildKeyCache(key, keyField);
    const int64_t record = u.KeyFirst.value(keyValue.toCaseFolded(), -1);
    if (record < 0)
        return false;
    ReadRecord(record);
    if (u.Record[0] == DbfDeleted)
        return false;
    for (int i = 0; i < int(u.Fields.size()); ++i)
        Db.Columns[size_t(i)].Value = DBaseGetText(i);
    u.CurrentRecord = record;
    Db.KeyFieldIndex = key;
    Db.KeyValue = keyValue;
    return true;
}

bool DBaseWriteField(int field, const QString& text)
{
    DBaseUnitState& u = U();
    if (!TableIsOpen() || !ValidField(field) || u.CurrentRecord < 0 || u.CurrentRecord >= u.RecordsInFile)
        return false;
    QByteArray bytes;
    DbfRefusal refusal;
    if (!DBaseStoredValue(field, text, bytes, &refusal)) {
        ErrorMsg(refusal.key, refusal.params);
        return false;
    }
    // The buffer may hold another record since the find (an append, a deleted record found
    // under a key): the write changes one field of the current record and nothing else.
    ReadRecord(u.CurrentRecord);
    std::copy(bytes.cbegin(), bytes.cend(), u.Record.begin() + Offsets()[size_t(field)]);
    WriteRecord(u.CurrentRecord);
    // A changed key leaves the cached keys behind.
    if (u.KeyCacheFile == u.Path && field < Db.FieldNames.size() && Db.FieldNames[field] == u.KeyCacheField)
        ClearKeyCache();
    return true;
}

bool DBaseAppendRecord(const QString& folder, const QString& table, const QString& keyField,
                       const QString& keyValue)
{
    const int key = OpenWithKey(folder, table, keyField);
    if (key < 0)
        return false;
    DBaseUnitState& u = U();
    QByteArray bytes;
    DbfRefusal refusal;
    if (!DBaseStoredValue(key, keyValue, bytes, &refusal)) {
        ErrorMsg(refusal.key, refusal.params);
        return false;
    }
    std::fill(u.Record.begin(), u.Record.end(), uint8_t(' '));
    std::copy(bytes.cbegin(), bytes.cend(), u.Record.begin() + Offsets()[size_t(key)]);
    const int64_t record = u.RecordsInFile;
    WriteRecord(record);
    u.RecordsInFile = record + 1;
    StoreLE<uint32_t>(u.Header.data() + DbfRecordCount, uint32_t(u.RecordsInFile));
    u.File.Seek(0);
    u.File.Write(u.Header.data(), DbfHeaderSize);
    if (u.KeyCacheFile == u.Path) {
        const int cached = int(Db.FieldNames.indexOf(u.KeyCacheField));
        AddKey(cached >= 0 ? DBaseGetText(cached) : QString(), record);
    }
    return true;
}

void DBaseNewHeader()
{
    DBaseClose();
    DBaseUnitState& u = U();
    u.Header.fill(0);
    u.Header[DbfVersion] = 3;
    StampToday(u.Header);
    SetLengths(u.Header, 0, 1);
    u.Header[DbfLanguage] = DbfLanguageAnsi;
    u.Fields.clear();
    Offsets().clear();
    u.Record.assign(1, ' ');
    u.RecordsInFile = 0;
    UseDefaultCodePage();
}

void DBaseAddField(const QString& name, char type, int length, int decimals)
{
    DBaseUnitState& u = U();
    u.Fields.push_back(MakeDescriptor(name, type, length, decimals));
    ComputeOffsets();
    SetLengths(u.Header, int(u.Fields.size()), FieldsLength());
    u.Record.resize(size_t(FieldsLength()), ' ');
}

void DBaseTransferHeader()
{
    if (Db.DbKind == DbKindOdbc) {
        const int count = Db.FieldCount;
        DBaseNewHeader();
        for (int i = 0; i < count; ++i) {
            const int reported = Db.Columns[size_t(i)].Length;
            // The length is one byte: longer columns are cut.
            const int length = reported <= 0 ? 12 : std::min(reported, 254);
            DBaseAddField(Db.Columns[size_t(i)].Name, 'C', length, 0);
        }
    } else if (Db.DbKind != DbKindDBase) {
        ErrorMsg(QStringLiteral(": DBaseTransferHeader"));
    }
}

void DBaseTransferRecord()
{
    if (Db.DbKind == DbKindOdbc) {
        const int count = std::min<int>(Db.FieldCount, int(U().Fields.size()));
        for (int i = 0; i < count; ++i)
            DBasePutText(i, Db.Columns[size_t(i)].Value);
    } else if (Db.DbKind != DbKindDBase) {
        ErrorMsg(QStringLiteral(": DBaseTransferRecord"));
    }
}

void DBaseNewLinkTable()
{
    DBaseNewHeader();
    DBaseAddField(QStringLiteral("ID"), 'C', 16, 0);
    DBaseAddField(QStringLiteral("SYMBOL"), 'C', 8, 0);
    DBaseAddField(QStringLiteral("TEXT"), 'C', 48, 0);
    DBaseAddField(QStringLiteral("URL"), 'C', 80, 0);
}

QByteArray DBaseHeaderBytes()
{
    QByteArray bytes(reinterpret_cast<const char*>(U().Header.data()), DbfHeaderSize);
    for (const DbfDescriptor& d : U().Fields)
        bytes.append(reinterpret_cast<const char*>(d.data()), DbfDescriptorSize);
    bytes.append(char(DbfTerminator));
    return bytes;
}

bool DBaseWriteNewTable(const QString& fileName)
{
    const QByteArray bytes = DBaseHeaderBytes();
    TReplacingFile out;
    if (!out.Begin(fileName))
        return false;
    out.Append(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    return out.Commit();
}

bool DBaseSaveNewTable(QString& fileName)
{
    const QString filter = Text(TextKey::DBaseFiles) + QStringLiteral(" (*.dbf)|*.dbf|")
        + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    if (!ExecSaveDialog(Text(TextKey::SaveDBaseFile), filter, QStringLiteral("dbf"), 0, fileName))
        return false;
    return DBaseWriteNewTable(fileName);
}

bool DBaseCreateLinkTable(QString& fileName)
{
    DBaseNewLinkTable();
    return DBaseSaveNewTable(fileName);
}

bool DBaseInsertFieldAt(int position, const QString& name, char type, int length)
{
    if (!TableIsOpen() || position < 0 || position > int(U().Fields.size()))
        return false;
    if (length < 1 || length > 254) {
        ErrorMsg(TextKey::MustBetween, Text(TextKey::Length) + QStringLiteral(";1;254"));
        return false;
    }
    std::vector<DbfDescriptor> fields = U().Fields;
    fields.insert(fields.begin() + position, MakeDescriptor(name, type, length, 0));
    return Restructure(std::move(fields), position, length);
}

bool DBaseRemoveField(int field)
{
    if (!TableIsOpen() || !ValidField(field))
        return false;
    std::vector<DbfDescriptor> fields = U().Fields;
    const int length = FieldLength(fields[size_t(field)]);
    fields.erase(fields.begin() + field);
    return Restructure(std::move(fields), field, -length);
}

} // namespace zemo
