// Help > Map information and Help > About: the size of the current map and the facts of the
// machine it runs on, as the dialogs show them (shell/widgets/MapInfoDlg.h, AboutDlg.h).
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace zemo {

inline constexpr int MapInfoHelpContext = 201;
inline constexpr int AboutHelpContext = 202;
// The about box's address button: the program's own page.
inline constexpr int AddressHelpContext = 185;

struct MachineFacts {
    int depth = 0;               // bits per pixel of the screen
    QSize screen;                // in device pixels
    int64_t physicalBytes = 0;
    int64_t diskFreeMB = 0;      // of the state folder, where the working copies live
};

// Of the primary screen, the memory and the state folder's volume.
MachineFacts ReadMachineFacts();

// A depth of 1, 4, 8, 16, 24 or 32 bits in words; empty for any other.
QString ScreenColorsText(int depth);

// The values beside the captions; the first four are empty without an open map. Numbers carry
// the locale's thousands separators.
struct MapInfoTexts {
    QString objects;
    QString symbols;
    QString symbolMemory;        // bytes of all symbol records
    QString fileSize;            // bytes of the working file
    QString screenColors;
    QString screenResolution;    // "1280 x 800"
    QString physicalMemory;      // MB
    QString diskSpace;           // MB free
};
MapInfoTexts MapInfoOf(const MachineFacts& machine);

// The about box's lines under its title: the program, its version, the rights and the
// translation's credit.
QStringList AboutLines();

} // namespace zemo
