#include "symbols/store/ColourNumbers.h"

#include "core/CodePage.h"
#include "core/Messages.h"
#include "core/StringX.h"

#include <algorithm>

namespace zemo {

namespace {

const ColorRecord* Find(const SymbolHeaderBlock& b, int number)
{
    const int count = std::clamp<int>(b.ColorCount, 0, MaxColors);
    for (int i = 0; i < count; ++i)
        if (b.Colors[size_t(i)].Number == number)
            return &b.Colors[size_t(i)];
    return nullptr;
}

QString Name(const ColorRecord& c)
{
    const std::string t = ShortFieldText(c.Name);
    return DecodeCodePage(1252, t.data(), qsizetype(t.size()));
}

} // namespace

QByteArray PackColourTable(const SymbolHeaderBlock& b)
{
    const auto bytes = WriteSymbolHeaderBytes(b);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool UnpackColourTable(QByteArrayView block, SymbolHeaderBlock& b)
{
    if (block.size() != SymbolHeaderBlockBytes)
        return false;
    b = ReadSymbolHeaderBytes({reinterpret_cast<const uint8_t*>(block.data()), size_t(block.size())});
    CheckSymbolHeader(b);
    return true;
}

std::vector<ColourNameDifference> ColourNameDifferences(const SymbolHeaderBlock& source,
                                                        const SymbolHeaderBlock& here, const ColorSet& used)
{
    std::vector<ColourNameDifference> out;
    for (int n = 0; n < MaxColors; ++n) {
        if (!used.test(size_t(n)))
            continue;
        const ColorRecord* s = Find(source, n);
        if (!s)
            continue;
        const ColorRecord* h = Find(here, n);
        const QString sourceName = Name(*s).trimmed();
        const QString hereName = h ? Name(*h).trimmed() : QString();
        if (h && sourceName.compare(hereName, Qt::CaseInsensitive) == 0)
            continue;
        out.push_back({n, sourceName, hereName, !h});
    }
    return out;
}

void WarnColoursByNumber(const std::vector<ColourNameDifference>& d, const QString& source)
{
    if (d.empty())
        return;
    ShownMessage m;
    m.kind = MsgKind::Warning;
    m.key = TextKey::ColoursByNumber;
    m.params = CleanParamText(source);
    // The lines are merged here: the message's own parameter is the source alone.
    for (const ColourNameDifference& c : d) {
        const QString which = QString::number(c.Number) + u':' + u' ' + CleanParamText(c.Source).remove(u';');
        m.label += QStringLiteral("\r\n")
                   + (c.Missing ? MergeMsgParams(Text(TextKey::ColourMissing), which)
                                : MergeMsgParams(Text(TextKey::ColourDiffers),
                                                 which + u';' + CleanParamText(c.Here).remove(u';')));
    }
    ShowMsg(m);
}

} // namespace zemo
