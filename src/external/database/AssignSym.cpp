#include "external/database/AssignSym.h"

#include "core/CodePage.h"
#include "core/Element.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Pick.h"
#include "external/database/DbObject.h"
#include "external/database/DbSys.h"
#include "render/Texts.h"
#include "symbols/store/SymbolLayout.h"
#include "symbols/store/SymbolRecords.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <functional>

namespace zemo {

namespace {

constexpr int AnsiCodePage = 1252;

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

// The next token from pos: "=" alone, or a run up to a blank or "=". Empty at the end.
QString NextToken(const QString& text, int& pos)
{
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    if (pos >= text.size())
        return {};
    if (text[pos] == u'=')
        return text.mid(pos++, 1);
    const int start = pos;
    while (pos < text.size() && text[pos] != u' ' && text[pos] != u'=')
        ++pos;
    return text.mid(start, pos - start);
}

Condition Fail(TextKey key, const QString& token)
{
    Condition c;
    c.Error = key;
    c.Token = token;
    return c;
}

bool ObjectExists(TZmd& z, int n)
{
    if (n < 1 || n > z.BlockCount() * 256)
        return false;
    const ObjectIndexEntry& e = z.Entry(n);
    return e.Length > 0 && e.Symbol != 0 && e.Symbol != DeletedSymbol;
}

int ObjectOfLink(const TZmd& z, int link)
{
    const int number = z.ObjectLinks.GetNumber(link);
    if (number < 0 || (number >> 8) >= int(z.StringBlocks.size()))
        return 0;
    return z.StringBlocks[size_t(number >> 8)].Entries[size_t(number & 255)].Object;
}

// Runs over the links of the open dataset whose record is found; the record is current
// while `visit` looks at the linked object.
void ForEachLinkedRecord(TZmd& z, const QString& dataset, const std::function<void(int n)>& visit)
{
    const int count = z.ObjectLinks.Count();
    StartProgress(TextKey::CheckingObj, TextKey::ObjDone, count, 1, false);
    for (int i = 0; i < count; ++i) {
        UpdateProgress(i + 1, i + 1);
        const QString& text = z.ObjectLinks.Strings(i);
        if (GetParamText(text, u'd') != dataset || !FindDatasetRecord(GetParamName(text)))
            continue;
        const int n = ObjectOfLink(z, i);
        if (ObjectExists(z, n))
            visit(n);
    }
    EndProgress();
    DbObject.CachedLink = -1;
}

// The changes as one undo step: the objects' copies are kept once, their saves record nothing.
struct Change {
    int Object = 0;
    std::function<void(ElementRecord&)> Apply;
};

int ApplyChanges(const std::vector<Change>& changes)
{
    DropSelection();
    if (changes.empty())
        return 0;
    for (const Change& c : changes)
        if (!IsSelected(c.Object) && GetIndex(c.Object))
            ToggleSelection(c.Object);
    BeginElementEdit(-1);
    int saved = 0;
    {
        UndoSuspend combined;
        for (const Change& c : changes) {
            if (!ReadElement(c.Object, CurElement))
                continue;
            c.Apply(CurElement);
            saved += SaveElement(c.Object) ? 1 : 0;
        }
    }
    ClearSelection();
    FlushMapFile();
    DocumentPorts().RepaintWindow();
    DocumentPorts().UpdateUndoButtons();
    return saved;
}

// Whether an object of this type (with text or not) may be drawn with the symbol: the same
// type, or a text symbol for a rectangle with text. A number the map lacks stays allowed.
bool SymbolFits(int number10, const ElementRecord& e)
{
    TZmd* z = Map();
    const int place = number10 >= 1 && number10 <= MaxSymbolNumber ? z->NumberTable[size_t(number10)] : -1;
    if (place < 0)
        return true;
    const int type = SymI16(z->Symbols[size_t(place)], SymObjectType);
    return type == e.ObjectType || (e.ObjectType == RectangleObject && e.nText > 0 && type == TextObject);
}

} // namespace

// ---- Conditions ----

Condition ParseConditionText(const QString& text)
{
    int pos = 0;
    const QString field = NextToken(text, pos);
    if (field.isEmpty())
        return Fail(TextKey::NoCondition, {});
    if (field == u"=")
        return Fail(TextKey::StringExpected, field);
    const QString op = NextToken(text, pos);
    if (op.isEmpty())
        return Fail(TextKey::ConditionNotComplete, {});
    if (op != u"=")
        return Fail(TextKey::CondOpExpected, op);
    const QString value = NextToken(text, pos);
    if (value.isEmpty())
        return Fail(TextKey::ConditionNotComplete, {});
    if (value == u"=")
        return Fail(TextKey::StringExpected, value);
    Condition c;
    c.Ok = true;
    c.Field = field;
    c.Value = value;
    return c;
}

bool ParseCondition(const QString& text)
{
    const Condition c = ParseConditionText(text);
    if (!c.Ok)
        ErrorMsg(c.Error, u'"' + c.Token + u'"');
    return c.Ok;
}

bool EvaluateCondition(const Condition& c)
{
    if (!c.Ok)
        return false;
    for (int i = 0; i < DbFieldCount(); ++i)
        if (DbFieldName(i) == c.Field && DbFieldValue(i) == c.Value)
            return true;
    return false;
}

bool RuleSymbolNumber(const AssignRule& r, int& number10)
{
    double x = 0;
    if (!TryPointStrToFloat(DecSepToPoint(FirstWord(TrimBlanks(r.SymbolText))), x) || x < 0.09 || x > 999.91)
        return false;
    number10 = std::clamp(int(std::nearbyint(x * 10)), 1, MaxSymbolNumber);
    return true;
}

// ---- Condition files ----

std::vector<AssignRule> ParseCntText(const QString& text)
{
    std::vector<AssignRule> rules;
    const TZmd* z = Map();
    for (QString line : text.split(u'\n')) {
        line.remove(u'\r');
        line = TrimBlanks(line);
        const int blank = int(line.indexOf(u' '));
        if (blank < 0)
            continue;
        const QString number = line.left(blank);
        double x = 0;
        if (!TryPointStrToFloat(number, x) || !(x > 0 && x < 1000))
            continue;
        AssignRule r;
        r.SymbolText = number;
        r.Condition = TrimBlanks(line.mid(blank));
        const int number10 = int(std::nearbyint(x * 10));
        if (z && number10 >= 1 && number10 <= MaxSymbolNumber && z->NumberTable[size_t(number10)] >= 0)
            r.SymbolText += u' ' + SymbolDescription(z->Symbols[size_t(z->NumberTable[size_t(number10)])]);
        rules.push_back(r);
    }
    return rules;
}

QString CntText(const std::vector<AssignRule>& rules)
{
    QString text;
    for (const AssignRule& r : rules)
        if (!TrimBlanks(r.SymbolText).isEmpty())
            text += DecSepToPoint(FirstWord(TrimBlanks(r.SymbolText))) + u' ' + r.Condition + QStringLiteral("\r\n");
    return text;
}

bool LoadCntFile(const QString& path, std::vector<AssignRule>& rules)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    rules = ParseCntText(DecodeCodePage(AnsiCodePage, f.readAll()));
    return true;
}

bool SaveCntFile(const QString& path, const std::vector<AssignRule>& rules)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = EncodeCodePage(AnsiCodePage, CntText(rules));
    return f.write(bytes) == bytes.size() && f.commit();
}

QStringList RuleSymbolTexts()
{
    QStringList texts;
    if (const TZmd* z = Map())
        for (const SymbolBytes& r : z->Symbols)
            texts << TenthsToStr(SymI16(r, SymNumber)) + QStringLiteral("  ") + SymbolDescription(r);
    return texts;
}

// ---- Applying ----

bool ApplySymbolRules(const QString& dataset, const std::vector<AssignRule>& rules, int* changed)
{
    TZmd* z = Map();
    if (!z)
        return false;
    std::vector<std::pair<int, Condition>> parsed;
    for (const AssignRule& r : rules) {
        if (TrimBlanks(r.SymbolText).isEmpty() && TrimBlanks(r.Condition).isEmpty())
            continue;  // the grid's empty row
        int number10 = 0;
        if (!RuleSymbolNumber(r, number10)) {
            ErrorMsg(TextKey::SymNumNotValid, FirstWord(TrimBlanks(r.SymbolText)), AssignSymHelpContext);
            return false;
        }
        if (!ParseCondition(r.Condition))
            return false;
        parsed.emplace_back(number10, ParseConditionText(r.Condition));
    }
    if (!DbDataset(dataset))
        return false;
    std::vector<std::pair<int, int>> targets;  // object, symbol
    ForEachLinkedRecord(*z, dataset, [&](int n) {
        int symbol = 0;
        for (const auto& [number10, c] : parsed)
            if (EvaluateCondition(c))
                symbol = number10;
        if (symbol == 0 || !ReadElement(n, AuxElement2) || !SymbolFits(symbol, AuxElement2)
            || AuxElement2.Symbol == symbol)
            return;
        targets.emplace_back(n, symbol);
    });
    std::vector<Change> changes;
    for (const auto& [n, symbol] : targets)
        changes.push_back({n, [symbol = symbol](ElementRecord& e) { e.Symbol = int16_t(symbol); }});
    const int saved = ApplyChanges(changes);
    if (changed)
        *changed = saved;
    return true;
}

namespace {

// The objects linked to the dataset whose record holds a value in the field: `make` turns the
// value and the object into the object's change (none: the object stays as it is).
using ChangeFn = std::function<void(ElementRecord&)>;
bool ApplyFieldValues(const QString& dataset, const QString& field, int* changed,
                      const std::function<ChangeFn(const QString& value, const ElementRecord& e)>& make)
{
    TZmd* z = Map();
    if (!z || !DbDataset(dataset))
        return false;
    std::vector<Change> changes;
    ForEachLinkedRecord(*z, dataset, [&](int n) {
        QString value;
        if (!GetDatasetField(field, value) || !ReadElement(n, AuxElement2))
            return;
        if (ChangeFn apply = make(value, AuxElement2))
            changes.push_back({n, std::move(apply)});
    });
    const int saved = ApplyChanges(changes);
    if (changed)
        *changed = saved;
    return true;
}

} // namespace

bool ApplyTexts(const QString& dataset, const QString& field, int* changed)
{
    return ApplyFieldValues(dataset, field, changed, [](const QString& value, const ElementRecord& object) -> ChangeFn {
        const int type = object.ObjectType;
        if (type != PointObject && type != TextObject && type != RectangleObject)
            return {};
        QByteArray bytes = EncodeCodePage(AnsiCodePage, value);
        bytes.truncate(MaxElementTextSlots * 8 - 1);
        return [bytes](ElementRecord& e) {
            if (e.ObjectType == PointObject) {
                // A point keeps its place as the text's anchor; its point symbol would draw a
                // text from a record of another type, so it has none until a text symbol is set.
                e.ObjectType = TextObject;
                const Cord anchor = e.Cords()[0];
                for (int i = 1; i < 5; ++i)
                    e.Cords()[i] = anchor;
                e.nItem = 5;
                e.Symbol = -1;
            }
            e.Flags = uint8_t(e.Flags & ~ElementUtf16Flag);
            e.nText = uint16_t((bytes.size() + 1 + 7) / 8);
            uint8_t* t = e.TextBytes();
            std::fill(t, t + size_t(e.nText) * 8, uint8_t(0));
            std::copy(bytes.begin(), bytes.end(), t);
            if (e.Symbol > 0)
                MeasureTextObject(e);
        };
    });
}

bool AngleTenths(const QString& text, int& tenths)
{
    double x = 0;
    if (!TryPointStrToFloat(text, x) || !(x > -3200 && x < 3200))
        return false;
    tenths = int(std::nearbyint(x * 10));
    return true;
}

bool ApplyAngles(const QString& dataset, const QString& field, int* changed)
{
    return ApplyFieldValues(dataset, field, changed, [](const QString& value, const ElementRecord& object) -> ChangeFn {
        int tenths = 0;
        if (!AngleTenths(value, tenths) || object.ObjectType == LineObject)
            return {};
        return [tenths](ElementRecord& e) { e.Angle = int16_t(tenths); };
    });
}

QStringList DatasetFieldNames(const QString& dataset, int& preselect)
{
    preselect = 0;
    if (!DbDataset(dataset))
        return {};
    const QStringList fields = DbFields(DbObject.Kind, DbObject.Source, DbObject.Table);
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].contains(QLatin1String("TEXT")))
            preselect = i;
    return fields;
}

} // namespace zemo
