// The standard open, save and folder dialogs, behind an interface: the Qt dialogs in the
// program, a recorder with scripted answers in tests.
#pragma once

#include <QString>

#include <deque>
#include <vector>

namespace zemo {

struct FileDialogRequest {
    enum Kind { Open, Save, Folder } kind = Open;
    QString title;
    // "Map files|*.zmd|All files|*.*": description and pattern list ("*.a;*.b") alternate.
    QString filter;
    QString defaultExt;     // without the dot
    int helpContext = 0;
    QString initialFolder;  // without a trailing separator; may be empty
    QString fileName;       // in: the proposed name part; out: the chosen name
    // The filter entry, counted from 1: in: the one shown first; out: the one chosen.
    int filterIndex = 1;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // Runs the dialog modally; true when the user confirmed, with the choice in
    // request.fileName (a folder for Kind Folder).
    virtual bool Run(FileDialogRequest& request) = 0;
};

// For the life of a dialog that opens a command, before the command holds anything of the map
// or of the output: the map windows behind it are painted whole meanwhile.
class PaintsBehindDialog {
public:
    PaintsBehindDialog();
    ~PaintsBehindDialog();
    PaintsBehindDialog(const PaintsBehindDialog&) = delete;
    PaintsBehindDialog& operator=(const PaintsBehindDialog&) = delete;
};

// nullptr: every dialog counts as cancelled.
FileDialogService* CurrentFileDialogService();
FileDialogService* SetFileDialogService(FileDialogService* service);

// Runs the open (save) dialog on the folder and name of fileName; afterwards fileName is
// the full form of the dialog's name, also after Cancel. The main window's help context
// becomes helpContext. Returns whether the user confirmed.
bool ExecOpenDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName);
bool ExecSaveDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName);
// The same, starting on filter entry filterIndex (from 1); afterwards it is the entry chosen.
bool ExecSaveDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName, int& filterIndex);
// A folder chooser starting at folder; folder is only changed when the user confirmed.
bool ExecFolderDialog(const QString& title, int helpContext, QString& folder);

// "Map files|*.zmd;*.zm|All files|*.*" -> "Map files (*.zmd *.zm);;All files (*)".
QString DialogFilterToQt(const QString& filter);
// The full form of a dialog's name against the current folder; "" stays "".
QString ExpandDialogFileName(const QString& name);

class RecordingFileDialogs : public FileDialogService {
public:
    struct Answer {
        bool confirmed = false;
        QString fileName; // empty: the dialog's name is left as proposed
        int filterIndex = 0; // 0: the entry is left as proposed
    };

    RecordingFileDialogs();
    ~RecordingFileDialogs() override;
    RecordingFileDialogs(const RecordingFileDialogs&) = delete;
    RecordingFileDialogs& operator=(const RecordingFileDialogs&) = delete;

    bool Run(FileDialogRequest& request) override;
    // Unanswered dialogs are cancelled.
    void QueueAnswer(bool confirmed, const QString& fileName = {}, int filterIndex = 0)
    {
        answers_.push_back(Answer{confirmed, fileName, filterIndex});
    }
    const std::vector<FileDialogRequest>& Requests() const { return requests_; }

private:
    std::vector<FileDialogRequest> requests_;
    std::deque<Answer> answers_;
    FileDialogService* prev_;
};

} // namespace zemo
