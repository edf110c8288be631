// Any bytes as a dBase table in a scratch folder: listed, opened, searched by key, written,
// appended to and restructured. Nothing may read or write outside the record; a table the
// program has restructured must open again with the field added or removed.
#include "core/Errors.h"
#include "core/Messages.h"
#include "external/database/DBase.h"
#include "external/database/DbSys.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "dbase_table: %s\n", why);
    std::abort();
}

QString ScratchFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zemo_fuzz_dbase_XXXXXX";
    if (!::mkdtemp(pattern.data()))
        Fail("mkdtemp failed");
    static const std::string* folder = new std::string(pattern);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(*folder, ec);
    });
    return QString::fromStdString(pattern);
}

void Exercise(const QString& folder)
{
    using namespace zemo;
    DBaseListTables(folder);
    if (!Db.TableNames.contains(QStringLiteral("t")))
        Fail("the table is not listed");
    if (!DBaseOpenTable(folder, QStringLiteral("t")))
        return;
    const int fields = Db.FieldCount;
    if (fields != Db.FieldNames.size() || size_t(fields) != DBaseUnit.Fields.size())
        Fail("field counts disagree");
    if (fields == 0)
        return;
    const QString key = Db.FieldNames[0];
    for (int i = 0; i < fields; ++i)
        (void)DBaseGetText(i);
    if (DBaseFindRecord(folder, QStringLiteral("t"), key, QStringLiteral("1")))
        DBaseWriteField(fields - 1, QStringLiteral("w\u00C4\u2019"));
    DBaseAppendRecord(folder, QStringLiteral("t"), key, QStringLiteral("fz"));
    if (!DBaseOpenTable(folder, QStringLiteral("t")))
        Fail("an appended table does not open");
    if (DBaseInsertFieldAt(fields, QStringLiteral("NEW"), 'C', 3)) {
        if (!DBaseOpenTable(folder, QStringLiteral("t")) || Db.FieldCount != fields + 1)
            Fail("a table with an inserted field does not open with it");
        if (DBaseRemoveField(0)
            && (!DBaseOpenTable(folder, QStringLiteral("t")) || Db.FieldCount != fields))
            Fail("a table with a removed field does not open without it");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    static const QString folder = ScratchFolder();
    // Messages are recorded, not printed.
    static RecordingMessages* messages = new RecordingMessages;
    messages->Clear();
    ResetDbSys();
    ResetDBaseUnit();
    {
        QFile f(folder + QStringLiteral("/t.dbf"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            Fail("cannot write the table");
        f.write(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    try {
        Exercise(folder);
    } catch (const EAbort&) {
        // A read past a shortened file ends the operation, as it ends a command.
    }
    ResetDBaseUnit();
    return 0;
}
