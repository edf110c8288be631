// The database texts a map or a user hands in, arbitrary: conditions, ".cnt" condition files,
// dataset definitions and object links. Nothing may hang or read outside its text; a condition
// that parses names a field and a value without blanks or "=" and parses the same when written
// again; condition files read back what they write; a definition's secondary tables come from
// its "r" fields and its decimals lie in 1..20 or are absent; a link text made from a key names
// that key and its dataset, or the key is refused for a TAB or a line break.
#include "core/StringX.h"
#include "external/database/AssignSym.h"
#include "external/database/Dataset.h"
#include "external/database/DbObject.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace zemo;

[[noreturn]] void Fail(const char* why)
{
    std::fprintf(stderr, "db_strings: %s\n", why);
    std::abort();
}

void Conditions(const QString& text)
{
    const Condition c = ParseConditionText(text);
    if (!c.Ok)
        return;
    for (const QString& token : {c.Field, c.Value})
        if (token.isEmpty() || token.contains(u' ') || token.contains(u'='))
            Fail("a parsed token holds a blank or \"=\"");
    const Condition again = ParseConditionText(c.Field + QStringLiteral(" = ") + c.Value);
    if (!again.Ok || again.Field != c.Field || again.Value != c.Value)
        Fail("a condition written again parses otherwise");
}

void CntFiles(const QString& text)
{
    const std::vector<AssignRule> rules = ParseCntText(text);
    for (const AssignRule& r : rules) {
        double x = 0;
        if (!TryPointStrToFloat(r.SymbolText, x) || !(x > 0 && x < 1000) || r.Condition.isEmpty())
            Fail("a rule that should have been skipped was read");
    }
    if (ParseCntText(CntText(rules)) != rules)
        Fail("a condition file does not read back what it wrote");
}

void Definitions(const QString& text)
{
    const DatasetFields f = ParseDatasetDefinition(text);
    if (f.Decimals != -1 && (f.Decimals < 1 || f.Decimals > 20))
        Fail("decimals out of range");
    if (int(f.Secondary.size()) > int(text.count(QStringLiteral("\tr"))))
        Fail("more secondary tables than reference fields");
    if (f.LengthUnit < 0 || f.LengthUnit >= DatasetLengthUnits.size() || f.AreaUnit < 0
        || f.AreaUnit >= DatasetAreaUnits.size())
        Fail("a unit outside its list");
}

void Links(const QString& text)
{
    const int tab = int(text.indexOf(u'\t'));
    const QString key = tab < 0 ? text : text.left(tab), dataset = tab < 0 ? QString() : text.mid(tab + 1);
    QString link;
    const bool ok = MakeLinkText(key, dataset, link);
    const bool breaks = key.contains(u'\t') || key.contains(u'\r') || key.contains(u'\n');
    if (ok == breaks)
        Fail("a key with a TAB or line break taken, or a sound one refused");
    if (ok && (GetParamName(link) != key || GetParamText(link, u'd') != CleanParamText(dataset)))
        Fail("a link text names another key or dataset");
    GetParamText(text, u'd');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    Conditions(text);
    CntFiles(text);
    Definitions(text);
    Links(text);
    return 0;
}
