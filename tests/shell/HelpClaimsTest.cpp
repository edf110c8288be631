// The help pages against the running program. A page names a command by marking it,
// <b data-cmd="EditUndo">Undo</b>; what it says is not there yet stands in an element of the
// class "not-yet". Every named command must exist, be built when the page says it works and
// not be built when the page says it is missing; each menu's page and the toolbars' page
// name all of their items, and no page says something is missing outside such an element.
#include "ShellFixture.h"

#include "core/Help.h"
#include "shell/HelpRouting.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>
#include <set>

using namespace zemo;

namespace {

struct Page {
    std::set<Cmd> working;  // named outside a not-yet element
    std::set<Cmd> missing;  // named inside one
    std::vector<std::string> unknown; // data-cmd values that name no command
    QString plainOutside;   // the text outside the not-yet elements, tags removed
};

const QRegularExpression CmdMark(QStringLiteral("data-cmd=\"([^\"]*)\""));
const QRegularExpression NotYet(QStringLiteral("<(\\w+) class=\"not-yet\">(.*?)</\\1>"),
                                QRegularExpression::DotMatchesEverythingOption);

void Collect(const QString& html, std::set<Cmd>& into, std::vector<std::string>& unknown)
{
    for (auto m = CmdMark.globalMatch(html); m.hasNext();) {
        const QString name = m.next().captured(1);
        const Cmd c = CmdFromName(name);
        if (c == Cmd::None)
            unknown.push_back(name.toStdString());
        else
            into.insert(c);
    }
}

Page ReadPage(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    QString html = QString::fromLatin1(f.readAll());
    Page p;
    for (auto m = NotYet.globalMatch(html); m.hasNext();)
        Collect(m.next().captured(2), p.missing, p.unknown);
    html.remove(NotYet);
    Collect(html, p.working, p.unknown);
    p.plainOutside = html.remove(QRegularExpression(QStringLiteral("<[^>]*>"))).simplified();
    return p;
}

QString PageOf(int context)
{
    return QFileInfo(FindHelpPage(context).path).fileName();
}

class HelpClaims : public test::ShellTest {
protected:
    void SetUp() override
    {
        test::ShellTest::SetUp();
        // The state the commands are judged in: a map open, a line symbol current.
        ASSERT_TRUE(OpenSample());
        ChooseSymbol(1);
        Settle();
        const QString folder = HelpFolder();
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files))
            pages[name] = ReadPage(folder + name);
        ASSERT_FALSE(pages.empty()) << folder.toStdString();
    }
    // A command is built when its click reaches a worker; a menu that only opens, when an
    // item beneath it does.
    static bool Built(Cmd c)
    {
        if (const ButtonDef* b = FindButton(c))
            return HasWorker(b->handler == Cmd::PrintBtn ? Cmd::FilePrint : b->handler);
        const MenuItemDef* d = FindMenuItem(c);
        if (!d)
            return false;
        if (d->handler != Cmd::None)
            return HasWorker(d->handler);
        for (const MenuItemDef& e : MenuItems())
            if (ParentItem(e.id) == c && Built(e.id))
                return true;
        return false;
    }

    std::map<QString, Page> pages;
};

TEST_F(HelpClaims, EveryCommandAPageNamesExistsAndIsBuiltExactlyWhenThePageSaysSo)
{
    int named = 0;
    for (const auto& [name, page] : pages) {
        const std::string where = name.toStdString();
        EXPECT_TRUE(page.unknown.empty()) << where << " names " << page.unknown.front();
        for (Cmd c : page.working) {
            EXPECT_TRUE(Built(c)) << where << " says " << CmdName(c) << " works: it is not built";
            ++named;
        }
        for (Cmd c : page.missing) {
            EXPECT_FALSE(Built(c)) << where << " says " << CmdName(c)
                                   << " is not available: it is built";
            EXPECT_FALSE(page.working.count(c)) << where << " says both of " << CmdName(c);
            ++named;
        }
    }
    EXPECT_GT(named, 100) << "the pages name their commands";
}

TEST_F(HelpClaims, EachMenusPageAndTheToolbarsPageNameAllTheirItems)
{
    std::map<Cmd, QString> menuPage; // the page of the menu of the bar above each item
    QString current;
    for (const MenuItemDef& d : MenuItems()) {
        if (d.tree != MenuTree::Main)
            continue;
        if (d.level == 0) {
            current = PageOf(d.helpContext);
            continue;
        }
        if (!d.hidden)
            menuPage[d.id] = current;
    }
    for (const auto& [c, name] : menuPage) {
        ASSERT_TRUE(pages.count(name)) << name.toStdString();
        const Page& p = pages[name];
        EXPECT_TRUE(p.working.count(c) || p.missing.count(c))
            << name.toStdString() << " does not name " << CmdName(c);
    }
    const QString toolbars = PageOf(ToolbarHelpContext);
    ASSERT_TRUE(pages.count(toolbars));
    for (const ButtonDef& b : ToolButtons()) {
        const Page& p = pages[toolbars];
        EXPECT_TRUE(p.working.count(b.id) || p.missing.count(b.id))
            << toolbars.toStdString() << " does not name " << CmdName(b.id);
    }
}

TEST_F(HelpClaims, NoPageSaysSomethingIsMissingWhereTheTestCannotCheckIt)
{
    const char* const claims[] = {"not available", "not yet", "still to come", "are to come",
                                  "will hold", "not built", "stay disabled"};
    for (const auto& [name, page] : pages)
        for (const char* claim : claims)
            EXPECT_FALSE(page.plainOutside.contains(QLatin1String(claim), Qt::CaseInsensitive))
                << name.toStdString() << " says \"" << claim << "\" outside a not-yet element";
}

} // namespace
