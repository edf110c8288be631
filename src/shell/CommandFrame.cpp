#include "shell/CommandFrame.h"

#include "core/EventGuard.h"
#include "core/Messages.h"
#include "edit/EditSys.h"
#include "edit/Work.h"

#include <exception>
#include <map>
#include <utility>

namespace zemo {

bool CommandBusy = false;
bool PaintBusy = false;

namespace {

struct WorkerEntry {
    Worker worker;
    std::function<bool()> available;
};

struct FrameState {
    std::map<int, std::function<void()>> listeners;
    int nextListener = 1;
    std::map<Cmd, WorkerEntry> workers;
    std::map<Cmd, Worker> textWorkers;
};

FrameState& State()
{
    static FrameState s;
    return s;
}

// No exception leaves a command: the silent abort ends it quietly, anything else is an
// internal error named after the command.
void RunGuarded(const std::function<void()>& work, const char* label)
{
    GuardEvent("Main", label, work, GuardReason::Shown);
}

} // namespace

bool TextEditActive()
{
    return EditSys.TypingActive;
}

bool IsBusy()
{
    return CommandBusy || PaintBusy;
}

void EndTool()
{
    EndCurrentTool();
}

void StartTool()
{
    StartCurrentTool();
    NotifyStateChanged();
}

void BeginCommand()
{
    EndTool();
    CommandBusy = true;
}

void EndCommand()
{
    CommandBusy = false;
    RepaintAllPending();
    StartTool();
}

int AddStateListener(std::function<void()> listener)
{
    const int id = State().nextListener++;
    State().listeners.emplace(id, std::move(listener));
    return id;
}

void RemoveStateListener(int id)
{
    State().listeners.erase(id);
}

void NotifyStateChanged()
{
    // A copy: a listener may add or remove listeners.
    const auto listeners = State().listeners;
    for (const auto& [id, listener] : listeners)
        listener();
}

void RegisterWorker(Cmd handler, Worker worker, std::function<bool()> available)
{
    State().workers[handler] = WorkerEntry{std::move(worker), std::move(available)};
}

void RegisterTextWorker(Cmd handler, Worker worker)
{
    State().textWorkers[handler] = std::move(worker);
}

void UnregisterWorker(Cmd handler)
{
    State().workers.erase(handler);
    State().textWorkers.erase(handler);
}

bool HasWorker(Cmd handler)
{
    const auto it = State().workers.find(handler);
    if (it == State().workers.end() || !it->second.worker)
        return false;
    return !it->second.available || it->second.available();
}

bool HasTextWorker(Cmd handler)
{
    const auto it = State().textWorkers.find(handler);
    return it != State().textWorkers.end() && it->second;
}

bool RunInFrame(const std::function<void()>& work, const char* label)
{
    if (IsBusy())
        return false;
    BeginCommand();
    RunGuarded(work, label);
    EndCommand();
    return true;
}

bool RunCommand(Cmd handler)
{
    const Route route = RouteOf(handler);
    if (route == Route::None || IsBusy())
        return false;
    const char* label = CmdName(handler);

    if (route == Route::GuardThenFrame && TextEditActive()) {
        const auto text = State().textWorkers.find(handler);
        if (text == State().textWorkers.end())
            return false;
        const Worker work = text->second;
        RunGuarded(work, label);
        RepaintAllPending();
        return true;
    }
    if (!HasWorker(handler))
        return false;
    // A copy: the worker may replace the registry entry while it runs.
    const Worker work = State().workers[handler].worker;

    switch (route) {
    case Route::Frame:
    case Route::GuardThenFrame:
        return RunInFrame(work, label);
    case Route::Tool:
        EndTool();
        RunGuarded(work, label);
        RepaintAllPending();
        StartTool();
        return true;
    case Route::Guard:
        RunGuarded(work, label);
        // Without the frame too: paints held back while the worker asked a question (a
        // cancelled exit) are made up for.
        RepaintAllPending();
        return true;
    case Route::None:
        break;
    }
    return false;
}

void ResetCommandFrame()
{
    State() = FrameState{};
    CommandBusy = false;
    PaintBusy = false;
}

} // namespace zemo
