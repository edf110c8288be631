// Scan: Template > Acquire and Select source through SANE. A scan of a local device, in the
// mode and resolution of our small dialog, becomes a 1-, 8- or 24-bit image, is written as a
// BMP file where the user chooses and added as a template.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

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

// What our scan dialog asks: the device's mode and resolution (0: the device's own), and the
// sample depth where the device offers one (0: its own).
struct ScanSettings {
    QStringList Modes;     // offered
    QString Mode;
    int Resolution = 0;
    int Depth = 0;
};

// Local devices, asked for once per run.
bool ScannerAvailable();
QStringList ScanDevices();
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
// The BMP file of the image, written under a temporary name and renamed into place.
bool WriteScanBmp(const ScanImage& image, const QString& fileName);
// Template > Acquire.
void AcquireTemplate();

// Back to the start of a run: the devices asked for again.
void ResetScanUnit();

} // namespace zemo
