#include "core/Help.h"

#include "core/Folders.h"
#include "core/Messages.h"

#include <QFile>
#include <QFileInfo>

#include <charconv>

namespace zemo {

namespace {

struct HelpState {
    HelpService* service = nullptr;
    int mainWindowContext = 0;
};

HelpState& State()
{
    static HelpState s;
    return s;
}

// The help data must not send the viewer outside the help folder.
bool PlainPageName(const QByteArray& name)
{
    if (name.isEmpty() || name.startsWith('.'))
        return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

HelpService* CurrentHelpService() { return State().service; }

HelpService* SetHelpService(HelpService* service)
{
    HelpService* prev = State().service;
    State().service = service;
    return prev;
}

void ShowHelpContext(int context)
{
    if (MessageHelpContext() >= 1)
        context = MessageHelpContext();
    if (context >= 1 && State().service)
        State().service->ShowTopic(context);
}

int MainWindowHelpContext() { return State().mainWindowContext; }
void SetMainWindowHelpContext(int context) { State().mainWindowContext = context; }

int HelpMap::Parse(const QByteArray& data)
{
    pages_.clear();
    int bad = 0;
    for (QByteArray line : data.split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.simplified();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split(' ');
        int context = 0;
        const QByteArray& num = parts.front();
        const auto [end, ec] = std::from_chars(num.data(), num.data() + num.size(), context);
        if (parts.size() != 2 || ec != std::errc() || end != num.data() + num.size() ||
            context < 1 || !PlainPageName(parts[1])) {
            ++bad;
            continue;
        }
        pages_.insert(context, QString::fromLatin1(parts[1]));
    }
    return bad;
}

bool HelpMap::LoadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        pages_.clear();
        return false;
    }
    // The map is a few hundred lines at most; a larger file is not ours.
    Parse(f.read(1 << 20));
    return true;
}

QString HelpFolder() { return DataFolder() + QStringLiteral("help/"); }

HelpTarget FindHelpPage(int context, const QString& folder)
{
    HelpTarget t;
    HelpMap map;
    map.LoadFile(folder + QStringLiteral("contexts.txt"));
    const QString page = map.PageFor(context);
    if (!page.isEmpty() && QFileInfo(folder + page).isFile()) {
        t.path = folder + page;
        t.exact = true;
        return t;
    }
    const QString index = folder + QStringLiteral("index.html");
    if (QFileInfo(index).isFile())
        t.path = index;
    return t;
}

HelpTarget FindHelpPage(int context) { return FindHelpPage(context, HelpFolder()); }

RecordingHelp::RecordingHelp() : prev_(SetHelpService(this)) {}

RecordingHelp::~RecordingHelp()
{
    if (CurrentHelpService() == this)
        SetHelpService(prev_);
}

} // namespace zemo
