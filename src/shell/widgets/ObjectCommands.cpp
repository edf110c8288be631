#include "shell/widgets/ObjectCommands.h"

#include "edit/Measure.h"
#include "edit/Merge.h"
#include "edit/ObjClip.h"
#include "edit/ObjFunc.h"
#include "edit/ToCurve.h"
#include "shell/CommandFrame.h"

namespace zemo {

void RegisterObjectCommands()
{
    RegisterWorker(Cmd::EditCut, CutObjects);
    RegisterWorker(Cmd::EditCopy, [] { CopyObjects(); });
    RegisterWorker(Cmd::EditPaste, PasteObjects);
    RegisterWorker(Cmd::EditDelete, DeleteObjects);
    RegisterWorker(Cmd::DuplicateBtn, DuplicateObjects);
    RegisterWorker(Cmd::ReverseBtn, ReverseObjects);
    RegisterWorker(Cmd::EditJoin, JoinObject);
    RegisterWorker(Cmd::EditMerge, MergeObjects);
    RegisterWorker(Cmd::EditMeasure, MeasureObjects);
    RegisterWorker(Cmd::FillBtn, FillObjects);
    RegisterWorker(Cmd::ChangeBtn, ChangeObjectSymbol);
    RegisterWorker(Cmd::EditToGraphics, ObjectsToGraphics);
    RegisterWorker(Cmd::EditToCurve, ObjectsToCurve);
    RegisterWorker(Cmd::ExtrasToCurveSym, SymbolObjectsToCurve);
}

} // namespace zemo
