#include "symbols/CrtTable.h"

#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "document/Index.h"

#include <charconv>
#include <cmath>

namespace zemo {

CrtTableState CrtTable;

void ResetCrtTable()
{
    CrtTable = {};
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray TrimBlanks(const QByteArray& s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && (IsBlank(s[a]) || s[a] == '\r' || s[a] == '\n'))
        ++a;
    while (b > a && (IsBlank(s[b - 1]) || s[b - 1] == '\r' || s[b - 1] == '\n'))
        --b;
    return s.mid(a, b - a);
}

} // namespace

bool ParseCrtLine(const QByteArray& line, double& number, QByteArray& layer)
{
    const QByteArray t = TrimBlanks(line);
    qsizetype blank = 1;
    while (blank < t.size() && !IsBlank(t[blank]))
        ++blank;
    if (blank >= t.size())
        return false;
    const char* first = t.constData();
    const char* last = first + blank;
    double v = 0;
    const auto r = std::from_chars(first, last, v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(v) || !(v > 0) || !(v < 1000))
        return false;
    qsizetype at = blank;
    while (at < t.size() && IsBlank(t[at]))
        ++at;
    number = v;
    // Cut to its length, a name may end in blanks or line ends that a written table loses.
    layer = TrimBlanks(t.mid(at).left(CrtLayerNameChars));
    return !layer.isEmpty();
}

std::vector<LayerEntry> ParseCrtForMap(const QByteArray& content)
{
    std::vector<LayerEntry> out;
    for (const QByteArray& raw : content.split('\n')) {
        for (const QByteArray& line : raw.split('\r')) {
            double number = 0;
            QByteArray layer;
            if (!ParseCrtLine(line, number, layer))
                continue;
            const int n10 = int(std::nearbyint(number * 10));
            SymbolBytes* rec = nullptr;
            if (n10 < 1 || n10 > MaxSymbolNumber || !GetSymbol(n10, rec))
                continue;
            out.push_back({n10, SymI16(*rec, SymObjectType), layer});
        }
    }
    return out;
}

bool ReadCrtLines(const QString& name, QByteArrayList& lines)
{
    lines.clear();
    try {
        TFileClass f;
        f.OpenRead(name);
        QByteArray s;
        while (!f.Eof() && f.ReadLn(s))
            lines.push_back(s);
        f.Close();
    } catch (const EAbort&) {
        return false;
    }
    return true;
}

bool LoadCrtFile()
{
    QString name = CrtTable.FileName;
    const QString filter = Text(TextKey::CrtFiles) + QStringLiteral(" (*.crt)|*.crt|") + Text(TextKey::AllFiles)
        + QStringLiteral(" (*.*)|*.*");
    if (!ExecOpenDialog(Text(TextKey::LoadCrtFile), filter, QStringLiteral("crt"), CrtLoadHelpContext, name))
        return false;
    QByteArrayList lines;
    if (!ReadCrtLines(name, lines))
        return false;
    CrtTable.FileName = name;
    CrtTable.Entries = ParseCrtForMap(lines.join('\n'));
    return true;
}

QByteArray CrtFileText(const std::vector<std::pair<QString, QByteArray>>& rows)
{
    QByteArray out;
    for (const auto& [number, layer] : rows) {
        out += number.toLatin1();
        out += ' ';
        out += layer;
        out += "\r\n";
    }
    return out;
}

bool MatchLayer(const std::vector<LayerEntry>& table, const QByteArray& layer, int type, LayerEntry& match)
{
    bool found = false;
    for (const LayerEntry& e : table) {
        if (e.Name != layer)
            continue;
        if (e.ObjectType == type || (type == LineObject && e.ObjectType == AreaObject)) {
            match = e;
            found = true;
        }
    }
    return found;
}

} // namespace zemo
