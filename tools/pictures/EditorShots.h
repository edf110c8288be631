// Screenshots of the symbol editors on the open map: each dialog and each page, the map
// window while a symbol's graphics are edited, and the Extras dialogs that work on symbols.
#pragma once

#include <QImage>
#include <QString>

#include <functional>

namespace zemo {

class TMainFm;

struct ShotSink {
    std::function<bool(const QImage&, const QString& name)> save;  // into the screenshots folder
    std::function<void(const QString&)> fail;
    std::function<QImage()> grabFrame;                             // the main frame on screen
    std::function<void(int ms)> settle;
};

// The current map must be open in the frame: its first symbol of each type is edited
// (nothing is stored). `tag` goes into the file names.
void SymbolEditorShots(TMainFm& frame, const ShotSink& sink, const QString& tag);

} // namespace zemo
