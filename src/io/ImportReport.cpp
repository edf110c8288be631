#include "io/ImportReport.h"

#include "core/Element.h"
#include "core/Messages.h"

#include <QFileInfo>

#include <algorithm>

namespace zemo {

void ImportReport::Read(int objectType, int n)
{
    if (objectType >= PointObject && objectType <= RectangleObject)
        Objects[size_t(objectType)] += n;
}

namespace {

void Count(std::vector<ImportReport::Left>& list, TextKey why, int n, const QString& kind)
{
    if (n <= 0)
        return;
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const ImportReport::Left& l) { return l.why == why && l.kind == kind; });
    // A damaged file may name thousands of kinds: past a screenful they are counted together.
    if (it == list.end() && !kind.isEmpty() && list.size() >= ImportReport::MaxNamedLines)
        return Count(list, why, n, {});
    if (it == list.end())
        list.push_back({why, kind, n});
    else
        it->n += n;
}

} // namespace

void ImportReport::Skip(TextKey why, int n, const QString& kind)
{
    Count(LeftOut, why, n, kind);
}

void ImportReport::Simplify(TextKey what, int n, const QString& kind)
{
    Count(Simplified, what, n, kind);
}

void ImportReport::CutShort(int64_t size, int64_t end)
{
    Cut = true;
    EndsAt = size;
    Reaches = std::max(Reaches, end);
}

int ImportReport::ReadCount() const
{
    int n = 0;
    for (int k : Objects)
        n += k;
    return n;
}

int ImportReport::Skipped(TextKey why) const
{
    int n = 0;
    for (const Left& l : LeftOut)
        n += l.why == why ? l.n : 0;
    return n;
}

int ImportReport::SkippedCount() const
{
    int n = 0;
    for (const Left& l : LeftOut)
        n += l.n;
    return n;
}

namespace {

ShownMessage ReportMessage(const ImportReport& r, const QString& source)
{
    ShownMessage m;
    m.kind = r.Whole() && r.Simplified.empty() && r.ReadCount() > 0 ? MsgKind::Info : MsgKind::Warning;
    m.key = TextKey::ImportReportRead;
    m.params = source;
    m.label = QStringLiteral(";");
    const auto line = [&m](TextKey k, int n, const QString& kind = {}) {
        m.label += QStringLiteral("\r\n") + Text(k) + (kind.isEmpty() ? QString() : QStringLiteral(" (") + kind + u')')
                   + QStringLiteral(": ") + QString::number(n);
    };
    static constexpr std::array<TextKey, 6> kinds{TextKey::Count,       TextKey::PointObjects, TextKey::LineObjects,
                                                  TextKey::AreaObjects, TextKey::TextObjects,  TextKey::RectangleObjects};
    for (int t = PointObject; t <= RectangleObject; ++t)
        if (r.Objects[size_t(t)] > 0)
            line(kinds[size_t(t)], r.Objects[size_t(t)]);
    if (r.ReadCount() == 0)
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportNothing);
    if (!r.Simplified.empty()) {
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportSimplified);
        for (const ImportReport::Left& l : r.Simplified)
            line(l.why, l.n, l.kind);
    }
    if (!r.LeftOut.empty()) {
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportLeftOut);
        for (const ImportReport::Left& l : r.LeftOut)
            line(l.why, l.n, l.kind);
    }
    if (r.DamagedAtLine > 0)
        m.label += QStringLiteral("\r\n")
                   + MergeMsgParams(Text(TextKey::ImportReportDamagedAt), QString::number(r.DamagedAtLine));
    else if (r.Cut && r.Reaches > r.EndsAt)
        m.label += QStringLiteral("\r\n")
                   + MergeMsgParams(Text(TextKey::ImportReportCutShort),
                                    QString::number(r.EndsAt) + u';' + QString::number(r.Reaches));
    else if (r.Cut)
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportCut);
    return m;
}

QString SourceName(const QString& source)
{
    return source.isEmpty() ? Text(TextKey::PastedPicture) : QFileInfo(source).fileName();
}

} // namespace

QString ImportReportText(const ImportReport& r, const QString& source)
{
    return MessageText(ReportMessage(r, SourceName(source)));
}

void ShowImportReport(const ImportReport& r, const QString& source)
{
    if (source.isEmpty() && r.Whole())
        return;
    ShowMsg(ReportMessage(r, SourceName(source)));
}

} // namespace zemo
