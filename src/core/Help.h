// Help: a help context number opens the page of the shipped help for it. The mapping from
// contexts to pages is data (help/contexts.txt in the data folder); a context without a
// page opens the index, and without an index there is no help to show.
#pragma once

#include <QHash>
#include <QString>

#include <vector>

namespace zemo {

class HelpService {
public:
    virtual ~HelpService() = default;
    // Opens the help for the context (1 or more).
    virtual void ShowTopic(int context) = 0;
    // Opens a page of the help folder by its file name (the index, the home page).
    virtual void ShowPage(const QString& page) = 0;
    // The program ends: a help window it opened goes with it.
    virtual void CloseWindow() {}
};

inline constexpr const char* HelpIndexPage = "index.html";
// The program's own home page, shipped with the help.
inline constexpr const char* HelpHomePage = "home.html";

// nullptr: help requests do nothing. Returns the previous service.
HelpService* CurrentHelpService();
HelpService* SetHelpService(HelpService* service);

// Opens the help topic of context; while a message box with a help context is up, its
// context is used instead. Contexts below 1 open nothing.
void ShowHelpContext(int context);

// The main frame's own topic, which the tools set back when they end; shared by the document
// windows' engine and the frame above it.
inline constexpr int MainFrameHelpContext = 101;

// The main window's help context: the topic F1 opens when nothing more specific is focused.
// Messages, tools and the file dialogs set it.
int MainWindowHelpContext();
void SetMainWindowHelpContext(int context);

// contexts.txt: one "number page" pair per line, blanks between; "#" starts a comment.
// Pages are plain file names inside the help folder; anything else is ignored.
class HelpMap {
public:
    // Returns the number of lines that were not understood.
    int Parse(const QByteArray& data);
    bool LoadFile(const QString& path);
    QString PageFor(int context) const { return pages_.value(context); }
    int Count() const { return int(pages_.size()); }

private:
    QHash<int, QString> pages_;
};

struct HelpTarget {
    QString path;       // file to show; empty when there is no help at all
    bool exact = false; // the context's own page (else the index)
};

// The help folder of the data folder, ending in "/".
QString HelpFolder();
// Where the help for context lives under folder (a path ending in "/").
HelpTarget FindHelpPage(int context, const QString& folder);
HelpTarget FindHelpPage(int context);

// Records the contexts asked for.
class RecordingHelp : public HelpService {
public:
    RecordingHelp();
    ~RecordingHelp() override;
    RecordingHelp(const RecordingHelp&) = delete;
    RecordingHelp& operator=(const RecordingHelp&) = delete;

    void ShowTopic(int context) override { topics_.push_back(context); }
    void ShowPage(const QString& page) override { pages_.push_back(page); }
    const std::vector<int>& Topics() const { return topics_; }
    const std::vector<QString>& Pages() const { return pages_; }

private:
    std::vector<int> topics_;
    std::vector<QString> pages_;
    HelpService* prev_;
};

} // namespace zemo
