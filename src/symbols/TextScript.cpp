#include "symbols/TextScript.h"

#include "core/FieldChecks.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "symbols/Ports.h"
#include "symbols/SymbolBoxModel.h"
#include "symbols/SymbolMenu.h"
#include "symbols/TextSym.h"

#include <QFile>

#include <algorithm>

namespace zemo {

namespace {

TZmd* Map()
{
    return Index.MapOpen ? Index.ActiveZmd : nullptr;
}

bool IsTextSymbol(std::span<const uint8_t> rec)
{
    const int type = SymI16(rec, SymObjectType);
    const bool text = type == TextObject || (type == LineObject && SymU8(rec, SymTextFlag) == 1);
    // The script byte must lie inside the record.
    return text && rec.size() > TsCharset;
}

// The character sets of an installed family, else of an installed face; null for neither.
const std::vector<int>* InstalledCharsets(const QString& font)
{
    const InstalledFonts& fonts = MapFont.Installed;
    for (const InstalledFamily& f : fonts.families)
        if (f.name.compare(font, Qt::CaseInsensitive) == 0)
            return &f.charsets;
    for (const InstalledFace& f : fonts.faces)
        if (f.name.compare(font, Qt::CaseInsensitive) == 0)
            return &f.charsets;
    return nullptr;
}

} // namespace

std::vector<TextScript> ParseTextScripts(const QString& text)
{
    std::vector<TextScript> scripts;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.section(u'#', 0, 0).trimmed();
        const qsizetype blank = line.indexOf(u' ');
        if (blank <= 0)
            continue;
        bool ok = false;
        const int charset = line.left(blank).toInt(&ok);
        const QString name = line.mid(blank + 1).trimmed();
        if (ok && charset >= 0 && charset <= 255 && !name.isEmpty())
            scripts.push_back({charset, name});
    }
    return scripts;
}

const std::vector<TextScript>& TextScripts()
{
    static const std::vector<TextScript> scripts = [] {
        QFile f(DataFolder() + QStringLiteral("scripts.txt"));
        return f.open(QIODevice::ReadOnly) ? ParseTextScripts(QString::fromUtf8(f.readAll()))
                                           : std::vector<TextScript>{};
    }();
    return scripts;
}

bool FontInstalled(const QString& font)
{
    return InstalledCharsets(font) != nullptr;
}

bool FontOffersCharset(const QString& font, int charset)
{
    const std::vector<int>* sets = InstalledCharsets(font);
    return sets && std::find(sets->begin(), sets->end(), charset) != sets->end();
}

bool ApplyTextScript(const TextScript& script)
{
    TZmd* z = Map();
    if (!z)
        return false;
    SelectCurrentSymbolAlone();
    bool anyText = false;
    bool written = false;
    for (int k = 0; k < z->SymbolCount(); ++k) {
        SymbolBytes& rec = z->Symbols[size_t(k)];
        if (!SymU8(rec, SymSelected) || !IsTextSymbol(rec))
            continue;
        anyText = true;
        const QString font = SymbolFontName(rec);
        if (!FontInstalled(font)) {
            if (OkCancelMsg(TextKey::FontNotFound, font, FontNotFoundHelpContext) != IdOk)
                break;
            continue;
        }
        if (FontOffersCharset(font, script.charset)) {
            SetSymU8(rec, TsCharset, uint8_t(script.charset));
            z->WriteSymbol(k);
            written = true;
        } else if (OkCancelMsg(TextKey::ScriptNotSupported, font + u';' + script.name, TextScriptHelpContext)
                   != IdOk) {
            break;
        }
    }
    if (!anyText)
        ErrorMsg(TextKey::TextSymRequired, {}, TextScriptHelpContext);
    return written;
}

void ChangeTextScript()
{
    const std::vector<TextScript>& scripts = TextScripts();
    if (!Map() || scripts.empty())
        return;
    QStringList names;
    for (const TextScript& s : scripts)
        names << s.name;
    const int chosen = SymbolsPorts().RunTextScriptDialog(names);
    if (chosen < 0 || size_t(chosen) >= scripts.size())
        return;
    ApplyTextScript(scripts[size_t(chosen)]);
    RedrawMapWindows();
}

} // namespace zemo
