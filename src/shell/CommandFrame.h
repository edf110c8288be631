// The frame every command runs in: the busy guard, BeginCommand and EndCommand, the four
// routes from a click to its worker, and the registry of the workers that exist.
#pragma once

#include "shell/MenuModel.h"

#include <functional>

namespace zemo {

// Set while a command runs and while a map window paints.
extern bool CommandBusy;
extern bool PaintBusy;
bool IsBusy();

// The current tool of the document windows ended and started again; StartTool also brings
// the menus and buttons up to date.
void EndTool();
void StartTool();

// Ends the current tool and marks a command as running.
void BeginCommand();
// Clears the mark, repaints what is pending, starts the tool again and tells every
// listener that the state may have changed.
void EndCommand();

// Listeners run after every command and whenever the selection, the clipboard or the active
// map changes: the menus and toolbar bring their enabled states up to date.
int AddStateListener(std::function<void()> listener);
void RemoveStateListener(int id);
void NotifyStateChanged();

// Workers by command. A command without a worker is shown but disabled. A worker may also
// name a test of its own availability (help needs the help system, for instance).
using Worker = std::function<void()>;
void RegisterWorker(Cmd handler, Worker worker, std::function<bool()> available = {});
// The character workers that Cut, Copy, Paste and Delete run while text is being typed.
void RegisterTextWorker(Cmd handler, Worker worker);
void UnregisterWorker(Cmd handler);
bool HasWorker(Cmd handler);
bool HasTextWorker(Cmd handler);

// Text is being typed into a text object.
bool TextEditActive();

// Runs a command by its route. False when it was dropped: busy, no worker, or a route that
// runs nothing. Whatever the route, the paints that waited for it are made up for after it.
bool RunCommand(Cmd handler);
// The frame route around any work (the start-up opening and the hand-off use it).
bool RunInFrame(const std::function<void()>& work, const char* label);

// Drops every worker and listener and clears the busy flags.
void ResetCommandFrame();

} // namespace zemo
