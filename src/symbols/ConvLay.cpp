#include "symbols/ConvLay.h"

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/FileReplace.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "shell/CommandFrame.h"
#include "symbols/CrtTable.h"
#include "symbols/Ports.h"

#include <QSet>

#include <cmath>

namespace zemo {

ConvLayState ConvLay;

void ResetConvLayUnit()
{
    ConvLay = {};
}

namespace {

QString LayerOf(const ElementRecord& e)
{
    const std::string name = ShortFieldText(e.LayerName);
    return DecodeCodePage(1252, name.data(), qsizetype(name.size()));
}


QString SymbolText(int number10)
{
    QString text = TenthsToStr(number10);
    SymbolBytes* rec = nullptr;
    if (GetSymbol(number10, rec)) {
        const std::string d = ShortFieldText(std::span(*rec).subspan(SymDescription, 32));
        text += u' ' + DecodeCodePage(1252, d.data(), qsizetype(d.size()));
    }
    return text;
}

struct Target {
    QString layer;
    int symbol = 0;
    int type = 0;   // of the map's symbol, 0 when the map has none
};

// The rows applied to one object in turn; true when any changed it.
bool Apply(ElementRecord& e, const std::vector<Target>& targets)
{
    const QString layer = LayerOf(e);
    bool changed = false;
    for (const Target& t : targets) {
        if (t.layer != layer)
            continue;
        const int type = e.ObjectType;
        const bool fits = t.type == 0 || t.type == type || (type == LineObject && t.type == AreaObject)
            || (type == AreaObject && t.type == LineObject)
            || (type == RectangleObject && e.nText > 0 && t.type == TextObject);
        if (!fits)
            continue;
        e.Symbol = int16_t(t.symbol);
        if (type == LineObject && t.type == AreaObject) {
            e.ObjectType = AreaObject;
        } else if (type == AreaObject && t.type == LineObject) {
            // The outer ring alone: a line has no holes.
            e.ObjectType = LineObject;
            e.nItem = uint16_t(std::max(LineItems(e), 0));
        }
        changed = true;
    }
    return changed;
}

} // namespace

std::vector<LayerRef> RowsFromCrt(const QByteArrayList& lines)
{
    std::vector<LayerRef> rows;
    for (const QByteArray& line : lines) {
        double number = 0;
        QByteArray layer;
        if (!ParseCrtLine(line, number, layer))
            continue;
        // 0.02 or 999.96 name no symbol once taken to tenths.
        const int n10 = int(std::nearbyint(number * 10));
        if (n10 < 1 || n10 > MaxSymbolNumber)
            continue;
        rows.push_back({DecodeCodePage(1252, layer), SymbolText(n10)});
    }
    if (rows.empty())
        rows.emplace_back();
    return rows;
}

QByteArray CrtFromRows(const std::vector<LayerRef>& rows)
{
    std::vector<std::pair<QString, QByteArray>> out;
    for (const LayerRef& r : rows) {
        if (r.Layer.isEmpty() && r.Symbol.isEmpty())
            continue;
        out.push_back({FirstWordPoint(r.Symbol.trimmed()), EncodeCodePage(1252, r.Layer)});
    }
    return CrtFileText(out);
}

bool LoadLayerTable()
{
    QString name = ConvLay.FileName;
    const QString filter = Text(TextKey::CrtFiles) + QStringLiteral(" (*.crt)|*.crt|") + Text(TextKey::AllFiles)
        + QStringLiteral(" (*.*)|*.*");
    if (!ExecOpenDialog(Text(TextKey::LoadCrtFile), filter, QStringLiteral("crt"), CrtLoadHelpContext, name))
        return false;
    QByteArrayList lines;
    if (!ReadCrtLines(name, lines))
        return false;
    ConvLay.Rows = RowsFromCrt(lines);
    ConvLay.FileName = name;
    return true;
}

bool SaveLayerTable(bool saveAs)
{
    QString name = ConvLay.FileName;
    if (saveAs || name.isEmpty()) {
        if (name.isEmpty()) {
            const QString map = DocumentPath(Index.ActiveZmd);
            name = (map.isEmpty() ? QString() : ExtractFileDir(map) + u'/') + QStringLiteral("*.crt");
        }
        const QString filter = Text(TextKey::CrtFiles) + QStringLiteral(" (*.crt)|*.crt|") + Text(TextKey::AllFiles)
            + QStringLiteral(" (*.*)|*.*");
        if (!ExecSaveDialog(Text(TextKey::SaveCrtFile), filter, QStringLiteral("crt"), ConvLayHelpContext, name))
            return false;
    }
    TReplacingFile f;
    if (!f.Begin(name))
        return false;
    const QByteArray text = CrtFromRows(ConvLay.Rows);
    if (!f.Append(std::span(reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size()))) || !f.Commit())
        return false;
    ConvLay.FileName = name;
    return true;
}

const QStringList& MapLayers()
{
    static const QStringList none;
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return none;
    if (!z->LayerRefsBuilt) {
        QSet<QString> names;
        StartProgress(QStringLiteral("Searching for layers"), QStringLiteral(";layers found"), z->HighestObject, 100, false);
        for (int n = 1; n <= z->HighestObject; ++n) {
            if (!GetIndex(n) || !ReadElement(n, AuxElement1))
                continue;
            const QString layer = LayerOf(AuxElement1);
            if (!layer.isEmpty())
                names.insert(layer);
            UpdateProgress(int(names.size()), n);
        }
        EndProgress();
        z->LayerRefs = QStringList(names.begin(), names.end());
        z->LayerRefs.sort();
        z->LayerRefsBuilt = true;
    }
    return z->LayerRefs;
}

QStringList SymbolChoices()
{
    QStringList out;
    if (TZmd* z = Index.ActiveZmd)
        for (const SymbolBytes& s : z->Symbols) {
            const std::string d = ShortFieldText(std::span(s).subspan(SymDescription, 32));
            out << TenthsToStr(SymI16(s, SymNumber)) + QStringLiteral("  ") + DecodeCodePage(1252, d.data(), qsizetype(d.size()));
        }
    return out;
}

int ConvertLayers(const std::vector<LayerRef>& rows)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return 0;
    std::vector<Target> targets;
    for (const LayerRef& r : rows) {
        double v = 0;
        if (!TryPointStrToFloat(FirstWord(r.Symbol.trimmed()), v) || !(v > 0.09 && v <= 999.91)) {
            ErrorMsg(TextKey::SymNumNotValid);
            return -1;
        }
        Target t{r.Layer, int(std::nearbyint(v * 10)), 0};
        SymbolBytes* rec = nullptr;
        if (GetSymbol(t.symbol, rec))
            t.type = SymI16(*rec, SymObjectType);
        targets.push_back(t);
    }
    AbortRequested = false;
    // The objects that change, kept whole first: one undo step gives them all back.
    std::vector<int> changing;
    for (int n = 1; n <= z->HighestObject; ++n)
        if (GetIndex(n) && ReadElement(n, AuxElement1) && Apply(AuxElement1, targets))
            changing.push_back(n);
    if (changing.empty())
        return 0;
    ClearSelection();
    for (int n : changing)
        ToggleSelection(n);
    SetSelectionBox();
    RecordUndo(UndoStart, 0);
    RecordUndo(UndoExchange, -1);
    ClearSelection();
    int converted = 0;
    StartProgress(TextKey::ConvertLayers, TextKey::ObjChanged, z->HighestObject, 10, true);
    {
        UndoSuspend quiet;
        for (int n : changing) {
            DispatchKeyMessages();
            if (AbortRequested)
                break;
            if (!GetIndex(n) || !ReadElement(n, CurElement) || !Apply(CurElement, targets))
                continue;
            if (!SaveElement(n))
                break;
            ++converted;
            UpdateProgress(converted, n);
        }
    }
    EndProgress();
    DocumentPorts().RepaintWindow();
    return converted;
}

void ConvertLayersToSymbols()
{
    if (!Index.ActiveZmd)
        return;
    const QString path = DocumentPath(Index.ActiveZmd);
    if (path != ConvLay.MapPath) {
        ConvLay.Rows = {LayerRef{}};
        ConvLay.MapPath = path;
    }
    if (!SymbolsPorts().RunConvLayDialog())
        return;
    std::vector<LayerRef> rows;
    for (const LayerRef& r : ConvLay.Rows)
        if (!r.Layer.isEmpty() || !r.Symbol.isEmpty())
            rows.push_back(r);
    ConvertLayers(rows);
}

void RegisterConvLayWorker()
{
    RegisterWorker(Cmd::ExtrasConvertLayers, ConvertLayersToSymbols,
                   [] { return Index.ActiveZmd != nullptr && SymbolsPorts().RunConvLayDialog.Bound(); });
}

} // namespace zemo
