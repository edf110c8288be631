#include "core/Help.h"
#include "shell/MenuModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace zemo;

namespace {

// The context F1 finds for an item: its own, else the nearest menu above it that has one.
int ContextOf(Cmd c)
{
    for (; c != Cmd::None; c = ParentItem(c)) {
        const MenuItemDef* d = FindMenuItem(c);
        if (d && d->helpContext > 0)
            return d->helpContext;
    }
    return 0;
}

std::string PageName(int context)
{
    return QFileInfo(FindHelpPage(context).path).fileName().toStdString();
}

} // namespace

TEST(HelpCoverage, EveryMenuItemOpensAPageOfItsOwnOrItsMenus)
{
    for (const MenuItemDef& d : MenuItems()) {
        const int context = ContextOf(d.id);
        if (context == 0) // nothing above it either: F1 falls through to the main window
            continue;
        const HelpTarget t = FindHelpPage(context);
        EXPECT_TRUE(t.exact) << CmdName(d.id) << " context " << context;
        EXPECT_NE(PageName(context), "index.html") << CmdName(d.id);
    }
}

TEST(HelpCoverage, EachMenuOfTheBarHasItsOwnPage)
{
    std::map<std::string, Cmd> owner;
    for (const MenuItemDef& d : MenuItems()) {
        if (d.tree != MenuTree::Main || d.level != 0)
            continue;
        ASSERT_GT(d.helpContext, 0) << CmdName(d.id);
        const std::string page = PageName(d.helpContext);
        const auto [it, fresh] = owner.emplace(page, d.id);
        EXPECT_TRUE(fresh) << CmdName(d.id) << " shares " << page << " with "
                           << CmdName(it->second);
    }
    EXPECT_EQ(owner.size(), 11u);
}

TEST(HelpCoverage, DialogsAndToolsOpenTheirOwnPages)
{
    // New map, File information, Move view to, the curve tool, the map window.
    const std::map<int, std::string> own = {{112, "new-map.html"}, {11, "file-information.html"},
                                        {330, "move-view-to.html"}, {226, "curve-tool.html"},
                                        {101, "map-window.html"}, {176, "move-map.html"},
                                        {177, "stretch-map.html"}, {178, "rotate-map.html"},
                                        {179, "change-symbols.html"}, {180, "change-symbols.html"},
                                        {15, "change-scale.html"}, {99, "grid-lines.html"},
                                        {224, "edit-tool.html"}, {225, "edit-tool.html"},
                                        {215, "point-tools.html"}, {132, "point-tools.html"},
                                        {222, "rotate-tool.html"},
                                        {174, "optimize.html"}, {181, "export-symbols.html"},
                                        {159, "new-symbol.html"}, {74, "point-symbol.html"},
                                        {75, "line-symbol.html"}, {119, "line-symbol.html"},
                                        {161, "icon-editor.html"}};
    for (const auto& [context, page] : own)
        EXPECT_EQ(PageName(context), page) << context;
    // A dialog page is not its menu's page.
    EXPECT_NE(PageName(112), PageName(FindMenuItem(Cmd::FileMnu)->helpContext));
}

TEST(HelpCoverage, TheIndexLinksEveryPageAndEveryLinkLeadsToAPage)
{
    const QString folder = HelpFolder();
    const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    std::set<QString> linkedFromIndex;
    const QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_FALSE(pages.isEmpty()) << folder.toStdString();
    for (const QString& page : pages) {
        QFile f(folder + page);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString html = QString::fromLatin1(f.readAll());
        EXPECT_TRUE(html.contains(QLatin1String("<title>"))) << page.toStdString();
        for (auto m = href.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(QFileInfo(folder + target).isFile())
                << page.toStdString() << " -> " << target.toStdString();
            if (page == QLatin1String("index.html"))
                linkedFromIndex.insert(target);
        }
    }
    for (const QString& page : pages)
        if (page != QLatin1String("index.html")) {
            EXPECT_TRUE(linkedFromIndex.count(page)) << page.toStdString();
        }
}
