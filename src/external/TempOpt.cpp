#include "external/TempOpt.h"

#include "core/CodePage.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/ServiceHooks.h"
#include "external/Template.h"

#include <algorithm>

namespace zemo {

namespace {

// Separation names are 8-bit text of the Western code page.
constexpr int NameCodePage = 1252;

} // namespace

TempOptValues ReadTempOptions(const QString& text, const QStringList& separations)
{
    TempOptValues v;
    v.name = ExtractFileName(TemplateFileName(text));
    v.mapTemplate = IsMapTemplateName(text);
    v.separations = separations;
    const int dim = GetParamInt(text, u'd', 0);
    v.dim = dim >= 0 && dim <= 100 ? dim : 0;
    v.transparent = GetParamBool(text, u't', false);
    if (v.AssignEnabled()) {
        const int p = GetParamInt(text, u'p', -1);
        v.assign = p >= 0 && p < separations.size();
        v.spot = v.assign ? p : 0;
    }
    v.render = v.RenderEnabled() && GetParamBool(text, u'o', false);
    return v;
}

void WriteTempOptions(QString& text, const TempOptValues& v)
{
    SetParam(text, u'd', QString::number(std::clamp(v.dim, 0, 100)));
    SetParam(text, u't', v.transparent ? QStringLiteral("1") : QStringLiteral("0"));
    const bool assigned = v.assign && v.AssignEnabled() && v.spot >= 0 && v.spot < v.separations.size();
    SetParam(text, u'p', QString::number(assigned ? v.spot : -1));
    SetParam(text, u'o', v.render && v.RenderEnabled() ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TempOptCaption(const QString& name)
{
    return Text(TextKey::TempOpt) + QStringLiteral(" [") + name + u']';
}

QStringList MapSeparationNames()
{
    QStringList names;
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return names;
    const int n = std::clamp<int>(z->ColorBlock.SeparationCount, 0, MaxSeparations);
    for (int i = 0; i < n; ++i)
        names << DecodeCodePage(NameCodePage,
                                QByteArray::fromStdString(ShortFieldText(z->ColorBlock.Separations[size_t(i)].Name)));
    return names;
}

} // namespace zemo
