// Closing a document window: the question about unsaved changes, and letting go of the map.
#include "edit/Work.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "edit/Pick.h"
#include "edit/Ports.h"

namespace zemo {

namespace {

void SetCommandRunning(bool on)
{
    EditPorts().SetCommandBusy(on);
}

// Nothing else may run while the question is up (its box runs an event loop).
class CommandRunningScope {
public:
    CommandRunningScope() { SetCommandRunning(true); }
    ~CommandRunningScope() { SetCommandRunning(false); }
    CommandRunningScope(const CommandRunningScope&) = delete;
    CommandRunningScope& operator=(const CommandRunningScope&) = delete;
};

// Every change already went to the map file itself: nothing is lost by closing.
bool EditedInOwnFile(const TZmd& z)
{
    if (const OpenDocument* d = DocumentOf(&z))
        return !d->WorkingCopy;
    return z.DirectMode != 0;
}

} // namespace

bool ConfirmCloseDocument(TZmd& z)
{
    if (!z.Modified || EditedInOwnFile(z))
        return true;
    const QString path = DocumentPath(&z);
    const QString name = path.isEmpty() ? Text(TextKey::Untitled) : path;
    int answer = IdCancel;
    {
        CommandRunningScope busy;
        // Saving a map that lost parts on loading would overwrite its file with the remains.
        answer = YesNoCancelMsg(TextKey::FileModified, name + QStringLiteral("\r\n"),
                                FileModifiedHelpContext, z.Skipped.Any() ? IdNo : 0);
    }
    switch (answer) {
    case IdYes:
        // A save that fails or is cancelled keeps the map open.
        return SaveMap(false);
    case IdNo:
        return true;
    default:
        return false;
    }
}

bool FormCloseQuery(MapView& v)
{
    if (!v.MapShown || !v.Document)
        return true;
    ActivateMapWindow(v);
    Index.MapOpen = true;
    if (WorkBusy())
        return false;
    EndCurrentTool();
    ResetDbLinks();
    DropSelection();
    if (v.SymbolGraphicsMode)
        EditPorts().EndSymbolGraphicsEdit();
    bool preview = false;
    bool canClose = false;
    try {
        // What the course panel holds is asked about with the rest; a map edited in its own
        // file must not keep the preview's objects.
        StoreCsObjectProps();
        preview = EndCoursePreview();
        canClose = ConfirmCloseDocument(*v.Document);
    } catch (...) {
        StartCurrentTool();
        throw;
    }
    if (canClose) {
        AddRecentFile(DocumentPath(v.Document));
    } else {
        if (preview)
            RefreshCoursePreview();
        StartCurrentTool();
    }
    return canClose;
}

void FormClose(MapView& v)
{
    TZmd* doc = v.Document;
    if (v.MapShown && doc) {
        ActivateMapWindow(v);
        if (Work.ActiveView == &v)
            EndCurrentTool();
        UnloadTemplate();
        ResetDbLinks();
        // The first map closed at shut-down is the one opened at the next start.
        if (ProgramConfig.File.isEmpty())
            ProgramConfig.File = DocumentPath(doc);
        v.Document = nullptr;
        v.MapShown = false;
        Index.MapOpen = false;
        UnregisterMapView(&v);
        if (DocumentOf(doc))
            CloseDocument(doc);
    }
    v.MapShown = false;
    if (Work.ActiveView == &v)
        Index.MapOpen = false;
    UnregisterMapView(&v);
}

} // namespace zemo
