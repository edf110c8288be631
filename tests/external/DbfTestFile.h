// dBase III tables for tests, written at literal offsets independently of the program's own
// writer, with knobs for the damage the readers must survive; and the checks of tables that
// independent readers (python3-dbfread, ogr2ogr) provide.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace zemo::test {

struct TestDbfField {
    std::string name;
    int length = 10;
    char type = 'C';
    int decimals = 0;
};

struct TestDbfRecord {
    std::vector<std::string> values; // bytes as stored, padded with blanks to the field
    bool deleted = false;
};

struct TestDbf {
    std::vector<TestDbfField> fields;
    std::vector<TestDbfRecord> records;
    uint8_t language = 0x57;
    uint8_t year = 99, month = 12, day = 31; // a date no run of the tests has as today
    int headerLength = -1;   // -1: 32 + 32 x fields + 1 + extra bytes
    int recordLength = -1;   // -1: 1 + the field lengths
    int64_t recordCount = -1; // -1: the records given
    bool terminator = true;
    QByteArray extraHeaderBytes; // after the terminator, inside the header

    static void Put16(QByteArray& b, int at, int v)
    {
        b[at] = char(v & 0xFF);
        b[at + 1] = char((v >> 8) & 0xFF);
    }
    static void Put32(QByteArray& b, int at, int64_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    }

    QByteArray Bytes() const
    {
        int sum = 1;
        for (const TestDbfField& f : fields)
            sum += f.length;
        const int reclen = recordLength >= 0 ? recordLength : sum;
        const int hlen = headerLength >= 0
            ? headerLength
            : 32 + 32 * int(fields.size()) + (terminator ? 1 : 0) + int(extraHeaderBytes.size());
        QByteArray b(32, '\0');
        b[0] = 3;
        b[1] = char(year);
        b[2] = char(month);
        b[3] = char(day);
        Put32(b, 4, recordCount >= 0 ? recordCount : int64_t(records.size()));
        Put16(b, 8, hlen);
        Put16(b, 10, reclen);
        b[29] = char(language);
        for (const TestDbfField& f : fields) {
            QByteArray d(32, '\0');
            for (size_t i = 0; i < f.name.size() && i < 11; ++i)
                d[int(i)] = f.name[i];
            d[11] = f.type;
            d[16] = char(f.length & 0xFF);
            d[17] = char(f.decimals);
            b.append(d);
        }
        if (terminator)
            b.append('\x0D');
        b.append(extraHeaderBytes);
        if (b.size() < hlen)
            b.append(QByteArray(hlen - int(b.size()), '\0'));
        b.truncate(std::max<qsizetype>(hlen, 32));
        for (const TestDbfRecord& r : records) {
            QByteArray rec(reclen, ' ');
            if (reclen > 0)
                rec[0] = r.deleted ? '*' : ' ';
            int at = 1;
            for (size_t i = 0; i < fields.size() && i < r.values.size(); ++i) {
                const std::string& v = r.values[i];
                for (size_t k = 0; k < v.size() && int(k) < fields[i].length && at + int(k) < reclen; ++k)
                    rec[at + int(k)] = v[k];
                at += fields[i].length;
            }
            b.append(rec);
        }
        return b;
    }

    bool WriteTo(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(Bytes()) == Bytes().size();
    }
};

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline int U16At(const QByteArray& b, int at) { return uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8); }
inline int64_t U32At(const QByteArray& b, int at)
{
    return int64_t(uint8_t(b[at])) | (int64_t(uint8_t(b[at + 1])) << 8) | (int64_t(uint8_t(b[at + 2])) << 16)
        | (int64_t(uint8_t(b[at + 3])) << 24);
}

// Runs a program and gives its standard output; "" with the reason in error when it failed.
inline QString RunTool(const QString& program, const QStringList& args, QString* error = nullptr,
                       const QByteArray& input = {})
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        if (error)
            *error = program + QStringLiteral(" did not start");
        return {};
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = program + QStringLiteral(": ") + QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every record as python3-dbfread reads it (Debian's own python3, whatever comes first on
// PATH): one line per record, the deletion flag ("*" or "-") and the values joined by "|".
inline QString DbfreadRecords(const QString& path, QString* error, const QString& encoding = QStringLiteral("cp1252"))
{
    const QString script = QStringLiteral(
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], encoding=sys.argv[2], load=True, char_decode_errors='strict')\n"
        "print('fields:' + '|'.join(t.field_names))\n"
        "for r in t.records: print('-' + '|'.join(str(v) for v in r.values()))\n"
        "for r in t.deleted: print('*' + '|'.join(str(v) for v in r.values()))\n");
    return RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path, encoding}, error);
}

} // namespace zemo::test
