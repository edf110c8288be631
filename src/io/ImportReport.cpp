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

void ImportReport::Skip(TextKey why, int n)
{
    if (n <= 0)
        return;
    const auto it = std::find_if(LeftOut.begin(), LeftOut.end(), [why](const auto& p) { return p.first == why; });
    if (it == LeftOut.end())
        LeftOut.emplace_back(why, n);
    else
        it->second += n;
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
    for (const auto& [key, n] : LeftOut)
        if (key == why)
            return n;
    return 0;
}

namespace {

ShownMessage ReportMessage(const ImportReport& r, const QString& source)
{
    ShownMessage m;
    m.kind = r.Whole() && r.ReadCount() > 0 ? MsgKind::Info : MsgKind::Warning;
    m.key = TextKey::ImportReportRead;
    m.params = source;
    m.label = QStringLiteral(";");
    const auto line = [&m](TextKey k, int n) { m.label += QStringLiteral("\r\n") + Text(k) + QStringLiteral(": ") + QString::number(n); };
    static constexpr std::array<TextKey, 6> kinds{TextKey::Count,       TextKey::PointObjects, TextKey::LineObjects,
                                                  TextKey::AreaObjects, TextKey::TextObjects,  TextKey::RectangleObjects};
    for (int t = PointObject; t <= RectangleObject; ++t)
        if (r.Objects[size_t(t)] > 0)
            line(kinds[size_t(t)], r.Objects[size_t(t)]);
    if (r.ReadCount() == 0)
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportNothing);
    if (!r.LeftOut.empty()) {
        m.label += QStringLiteral("\r\n") + Text(TextKey::ImportReportLeftOut);
        for (const auto& [key, n] : r.LeftOut)
            line(key, n);
    }
    if (r.Cut)
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
