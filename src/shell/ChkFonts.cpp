#include "shell/ChkFonts.h"

#include "core/CodePage.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "render/GraphSys.h"
#include "shell/Ports.h"

#include <QHash>

#include <algorithm>

namespace zemo {

namespace {

constexpr int LineSymbolType = 2;
constexpr int TextSymbolType = 4;
// Font names are 8-bit text in the Windows code page.
constexpr int FontNameCodePage = 1252;

// Lookups by name without regard to case, as font names are compared.
template <class Entry>
QHash<QString, const Entry*> ByName(const std::vector<Entry>& list)
{
    QHash<QString, const Entry*> h;
    for (const Entry& e : list)
        h.insert(e.name.toCaseFolded(), &e);
    return h;
}

bool Offers(const std::vector<int>& sets, int charset)
{
    return std::find(sets.begin(), sets.end(), charset) != sets.end();
}

// A set the font lacks becomes its default; a list without any leaves the byte alone.
void KeepOfferedSet(SymbolBytes& rec, const std::vector<int>& sets)
{
    if (!sets.empty() && !Offers(sets, SymU8(rec, TsCharset)))
        SetSymU8(rec, TsCharset, uint8_t(sets.front()));
}

} // namespace

bool NamesFont(std::span<const uint8_t> rec)
{
    const auto atLeast = [&](size_t n) {
        return rec.size() >= n && SymI16(rec, SymSize) >= int(n);
    };
    const int type = SymI16(rec, SymObjectType);
    if (type == LineSymbolType)
        return SymU8(rec, SymTextFlag) == 1 && atLeast(LineTextSymbolBytes);
    return type == TextSymbolType && atLeast(TextSymbolBytes);
}

QStringList CheckSymbolFonts(std::vector<SymbolBytes>& symbols, int first, int last,
                             const InstalledFonts& fonts)
{
    QStringList missing;
    first = std::max(first, 0);
    last = std::min(last, int(symbols.size()) - 1);
    if (first > last)
        return missing;
    const auto families = ByName(fonts.families);
    const auto faces = ByName(fonts.faces);
    for (int i = first; i <= last; ++i) {
        SymbolBytes& rec = symbols[size_t(i)];
        if (!NamesFont(rec))
            continue;
        const std::string stored = ShortFieldText(std::span(rec).subspan(TsFontName, String31Bytes));
        const QString name = DecodeCodePage(FontNameCodePage, stored.data(), qsizetype(stored.size()));
        const QString key = name.toCaseFolded();
        if (const InstalledFamily* family = families.value(key)) {
            KeepOfferedSet(rec, family->charsets);
            continue;
        }
        // A face ("Arial Bold Italic") names its family, whatever words its style has; its
        // set stays when the face offers it, so that the symbol's texts keep their code page.
        const InstalledFace* face = faces.value(key);
        const InstalledFamily* family = face ? families.value(face->family.toCaseFolded()) : nullptr;
        if (face)
            KeepOfferedSet(rec, face->charsets);
        if (family) {
            SetShortFieldText(std::span(rec).subspan(TsFontName, String31Bytes),
                              EncodeCodePage(FontNameCodePage, family->name).toStdString());
            continue;
        }
        missing << TenthsToStr(SymI16(rec, SymNumber)) + QStringLiteral(": ") + name;
    }
    return missing;
}

void CheckFonts(int first, int last)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    const QStringList missing = CheckSymbolFonts(z->Symbols, first, last, MapFont.Installed);
    if (!missing.isEmpty())
        ShellPorts().ShowMissingFonts(missing);
}

} // namespace zemo
