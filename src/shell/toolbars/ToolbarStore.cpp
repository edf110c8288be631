#include "shell/toolbars/ToolbarStore.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace zemo {

namespace {

// A decimal number with an optional sign and nothing else.
bool ParseInt(const QString& text, int& value)
{
    const std::string s = text.trimmed().toStdString();
    if (s.empty())
        return false;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (*first == '+')
        ++first;
    int v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last)
        return false;
    value = v;
    return true;
}

int ReadInt(const ReadLayoutText& read, const char* name, int fallback)
{
    QString text;
    int v = fallback;
    if (read(name, text) && ParseInt(text, v))
        return v;
    return fallback;
}

} // namespace

LoadedPlace ReadToolWindowPlace(const ReadLayoutText& read,
                                const std::function<bool(const QString&)>& knownDock,
                                ToolWindowPlace& place)
{
    if (ReadInt(read, "Rev", 0) != ToolbarLayoutRev)
        return LoadedPlace::Ignored;
    place.visible = ReadInt(read, "Visible", place.visible ? 1 : 0) != 0;
    QString dock;
    read("DockedTo", dock);
    const bool floating = dock == QStringLiteral("+");
    if (dock.isEmpty() || (!floating && !knownDock(dock)))
        return LoadedPlace::VisibleOnly;
    place.dockRow = ReadInt(read, "DockRow", place.dockRow);
    place.dockPos = ReadInt(read, "DockPos", place.dockPos);
    place.floatLeft = std::clamp(ReadInt(read, "FloatLeft", 0), -FarthestFloatPosition,
                                 FarthestFloatPosition);
    place.floatTop = std::clamp(ReadInt(read, "FloatTop", 0), -FarthestFloatPosition,
                                FarthestFloatPosition);
    if (place.hasFloatRightX)
        place.floatRightX = ReadInt(read, "FloatRightX", 0);
    place.floating = floating;
    if (!floating)
        place.dock = dock;
    return floating ? LoadedPlace::Floating : LoadedPlace::Docked;
}

void WriteToolWindowPlace(const WriteLayoutText& write, const ToolWindowPlace& place)
{
    write("Rev", QString::number(ToolbarLayoutRev));
    write("Visible", place.visible ? QStringLiteral("1") : QStringLiteral("0"));
    write("DockedTo", place.floating ? QStringLiteral("+") : place.dock);
    write("DockRow", QString::number(place.dockRow));
    write("DockPos", QString::number(place.dockPos));
    write("FloatLeft", QString::number(place.floatLeft));
    write("FloatTop", QString::number(place.floatTop));
    if (place.hasFloatRightX)
        write("FloatRightX", QString::number(place.floatRightX));
}

} // namespace zemo
