// Arbitrary settings text through the toolbar layout reader: each toolbar ends in a dock, its
// dock's rows numbered from 0 without gaps, the windows of a row in order without overlapping
// and a full-size one alone in its row, or floating on a screen.
#include "platform/Settings.h"
#include "shell/toolbars/DockRows.h"
#include "shell/toolbars/DragRules.h"
#include "shell/toolbars/ToolbarStore.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

using namespace zemo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Settings store;
    store.FromText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const char* const names[] = {"StandardToolbar", "EditToolbar"};
    const QString docks[] = {QStringLiteral("Dock971"), QStringLiteral("Dock972"),
                             QStringLiteral("Dock973"), QStringLiteral("Dock974")};
    const std::vector<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};

    std::map<QString, std::vector<DockedBar>> docked;
    for (int i = 0; i < 2; ++i) {
        // As designed: both in the top dock, one row each.
        ToolWindowPlace place;
        place.dock = docks[0];
        place.dockRow = i;
        place.dockPos = i == 0 ? 0 : 24;
        place.hasFloatRightX = true;
        const QString section = QStringLiteral("Zemo8/Toolbars/%1/").arg(QLatin1String(names[i]));
        const auto read = [&](const char* value, QString& text) {
            return store.ReadString(section + QLatin1String(value), text);
        };
        const auto known = [&](const QString& d) {
            for (const QString& n : docks)
                if (n == d)
                    return true;
            return false;
        };
        const LoadedPlace how = ReadToolWindowPlace(read, known, place);
        if (how == LoadedPlace::Floating) {
            const QRect window(place.floatLeft, place.floatTop, 300, 60);
            const QRect moved = MoveOnScreen(window, screens, true);
            bool onScreen = false;
            for (const QRect& s : screens)
                onScreen = onScreen || moved.intersects(s);
            if (!onScreen)
                std::abort();
            continue;
        }
        if (!known(place.dock))
            std::abort();
        // The input's length picks a full-size window now and then.
        docked[place.dock].push_back({place.dockRow, place.dockPos, 300 + 100 * i, 22, size % 3 == unsigned(i), QRect()});
    }
    for (auto& [name, bars] : docked) {
        std::vector<DockedBar*> list;
        for (DockedBar& b : bars)
            list.push_back(&b);
        const bool oneRow = size % 5 == 0;
        const DockRowsLayout layout = ArrangeRows(list, {500, oneRow, false});
        const std::vector<int>& rows = layout.RowSizes;
        std::set<int> used;
        std::map<int, long long> end;
        std::map<int, int> inRow;
        for (const DockedBar* b : list) {
            used.insert(b->DockRow);
            ++inRow[b->DockRow];
            if (b->DockPos < end[b->DockRow])
                std::abort(); // a row keeps its order without overlapping
            end[b->DockRow] = (long long)b->DockPos + b->Length;
        }
        for (const DockedBar* b : list)
            if ((b->FullSize && inRow[b->DockRow] != 1) || (oneRow && b->DockRow != 0))
                std::abort();
        if (int(used.size()) != int(rows.size()) || (!used.empty() && *used.rbegin() != int(rows.size()) - 1))
            std::abort();
    }
    return 0;
}
