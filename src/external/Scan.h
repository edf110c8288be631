// Scan: Template > Acquire and Select source through SANE. A scan of a local device, in the
// mode and resolution of our small dialog, becomes a 1-, 8- or 24-bit image, is written as a
// BMP file where the user chooses and added as a template.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace zemo {

inline constexpr int ScanHelpContext = 58;

// A scanned image, rows top down, each RowBytes() long.
struct ScanImage {
    int Width = 0;
    int Height = 0;
    int Bits = 0;          // 1 (0 white, 1 black), 8 (grey) or 24 (blue, green, red)
    int Resolution = 0;    // dots per inch
    QByteArray Data;
    int RowBytes() const { return Bits == 24 ? Width * 3 : Bits == 8 ? Width : (Width + 7) / 8; }
};

// What our scan dialog asks: the device's mode and resolution (0: the device's own), the
// sample depth where the device offers one (0: its own), and the area of the bed to scan.
struct ScanSettings {
    QStringList Modes;     // offered
    QString Mode;
    int Resolution = 0;
    std::vector<int> Depths; // offered
    int Depth = 0;
    // The bed in whole millimetres (0: the device names no area), and the area to scan on it
    // from its top-left corner (a width or height of 0: the device's own area).
    int BedWidth = 0;
    int BedHeight = 0;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Local devices, asked for once per run.
bool ScannerAvailable();
QStringList ScanDevices();
// The devices as a user knows them: "vendor model (name)", in the order of ScanDevices.
QStringList ScanDeviceLabels();
// Whether devices were found, without asking SANE: false until ScanDevices has run. Loading
// every backend costs from tens of milliseconds to seconds, so only the Template menu asks.
bool ScannerKnownAvailable();
// How often SANE was started in this run.
int SaneStartCount();
// The device of Select source (kept in the settings), or the first.
QString CurrentScanDevice();
// Template > Select source.
void SelectScanSource();
// Scans with the device into image; false when nothing was scanned (failed or stopped by Esc).
bool ScanWithDevice(const QString& device, const ScanSettings& settings, ScanImage& image);
// The modes the device offers.
QStringList ScanModes(const QString& device);
// The modes, depths and bed the device offers, with its present depth and area.
void ScanOffers(const QString& device, ScanSettings& settings);
// The BMP file of the image, written under a temporary name and renamed into place.
bool WriteScanBmp(const ScanImage& image, const QString& fileName);
// Template > Acquire. Its dialog offers what was chosen at the last Acquire of this run: the
// mode and depth where the device offers them, the resolution, and the area on the same bed.
void AcquireTemplate();

// Back to the start of a run: the devices asked for again, the last choices forgotten.
void ResetScanUnit();

} // namespace zemo
