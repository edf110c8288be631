#include "core/FileDialogs.h"

#include "core/FileClass.h"
#include "core/Folders.h"
#include "core/Help.h"
#include "core/Ports.h"

#include <QDir>
#include <QStringList>

namespace zemo {

namespace {

FileDialogService*& Service()
{
    static FileDialogService* s = nullptr;
    return s;
}

bool ExecFileDialog(FileDialogRequest::Kind kind, const QString& title, const QString& filter,
                    const QString& defaultExt, int helpContext, QString& fileName,
                    int* filterIndex = nullptr)
{
    SetMainWindowHelpContext(helpContext);
    ChangeToFileFolder(fileName);
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filter = filter;
    r.defaultExt = defaultExt.startsWith(QLatin1Char('.')) ? defaultExt.mid(1) : defaultExt;
    r.helpContext = helpContext;
    bool hasFolder = false;
    for (QChar c : fileName)
        hasFolder = hasFolder || IsPathSeparator(c);
    r.initialFolder = hasFolder ? ExtractFileDir(fileName) : QString();
    r.fileName = ExtractFileName(fileName);
    if (filterIndex)
        r.filterIndex = *filterIndex;
    const PaintsBehindDialog painted;
    const bool ok = Service() ? Service()->Run(r) : false;
    fileName = ExpandDialogFileName(r.fileName);
    if (filterIndex)
        *filterIndex = r.filterIndex;
    return ok;
}

} // namespace

PaintsBehindDialog::PaintsBehindDialog()
{
    CorePorts().PaintBehindDialog(true);
}

PaintsBehindDialog::~PaintsBehindDialog()
{
    CorePorts().PaintBehindDialog(false);
}

FileDialogService* CurrentFileDialogService() { return Service(); }

FileDialogService* SetFileDialogService(FileDialogService* service)
{
    FileDialogService* prev = Service();
    Service() = service;
    return prev;
}

bool ExecOpenDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName)
{
    return ExecFileDialog(FileDialogRequest::Open, title, filter, defaultExt, helpContext,
                          fileName);
}

bool ExecSaveDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName)
{
    return ExecFileDialog(FileDialogRequest::Save, title, filter, defaultExt, helpContext,
                          fileName);
}

bool ExecSaveDialog(const QString& title, const QString& filter, const QString& defaultExt,
                    int helpContext, QString& fileName, int& filterIndex)
{
    return ExecFileDialog(FileDialogRequest::Save, title, filter, defaultExt, helpContext,
                          fileName, &filterIndex);
}

bool ExecFolderDialog(const QString& title, int helpContext, QString& folder)
{
    SetMainWindowHelpContext(helpContext);
    FileDialogRequest r;
    r.kind = FileDialogRequest::Folder;
    r.title = title;
    r.helpContext = helpContext;
    r.initialFolder = folder;
    r.fileName = folder;
    const PaintsBehindDialog painted;
    if (!Service() || !Service()->Run(r))
        return false;
    folder = r.fileName;
    return true;
}

QString DialogFilterToQt(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        // A description that already names its patterns: Qt reads the last "(...)".
        const qsizetype open = desc.lastIndexOf(QLatin1Char('('));
        if (open > 0 && desc.endsWith(QLatin1Char(')')))
            desc = desc.left(open).trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!t.isEmpty())
                patterns << (t == QLatin1String("*.*") ? QStringLiteral("*") : t);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        out << desc + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString ExpandDialogFileName(const QString& name)
{
    if (name.isEmpty())
        return name;
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(QDir::current().absoluteFilePath(n));
}

RecordingFileDialogs::RecordingFileDialogs() : prev_(SetFileDialogService(this)) {}

RecordingFileDialogs::~RecordingFileDialogs()
{
    if (CurrentFileDialogService() == this)
        SetFileDialogService(prev_);
}

bool RecordingFileDialogs::Run(FileDialogRequest& request)
{
    requests_.push_back(request);
    if (answers_.empty())
        return false;
    const Answer a = answers_.front();
    answers_.pop_front();
    if (!a.fileName.isEmpty())
        request.fileName = a.fileName;
    if (a.filterIndex > 0)
        request.filterIndex = a.filterIndex;
    return a.confirmed;
}

} // namespace zemo
