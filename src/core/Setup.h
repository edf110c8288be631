// A map's setup: scale and real-world reference, the last view and its history, print and
// partial-export ranges, print options, GPS adjustment points, display switches and the map's
// own path. Stored in the map file as one 1348-byte block, read and written field by field.
#pragma once

#include "core/Cord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zemo {

inline constexpr size_t SetupRecordBytes = 1348;

struct GpsAdjustPoint {
    int32_t X = 0;           // map coordinates
    int32_t Y = 0;
    double Latitude = 0;     // degrees
    double Longitude = 0;    // degrees
    std::string Name;        // string[15], 8-bit text as stored
};

struct ViewHistoryEntry {
    double Zoom = 0;
    int32_t CenterX = 0;
    int32_t CenterY = 0;
};

// Short strings hold their bytes as stored (8-bit text); on writing they are cut to their
// field. Booleans are stored as 0 or 0xFFFF and read as "not 0".
struct SetupRecord {
    int32_t ViewCenterX = 0;                    // 0
    int32_t ViewCenterY = 0;                    // 4
    double PaperGridDistance = 0;               // 8, mm
    bool LinksActive = false;                   // 16
    std::array<uint8_t, 2> Reserved18{};        // 18
    uint16_t Word20 = 0;                        // 20, kept as found (11 in a new map)
    int16_t CurrentSymbolIndex = 0;             // 22, -1 = none
    double MapScale = 0;                        // 24
    double RealWorldOffsetX = 0;                // 32, m
    double RealWorldOffsetY = 0;                // 40, m
    double RealWorldAngle = 0;                  // 48, degrees counter-clockwise
    double RealWorldGridDistance = 0;           // 56, m
    double GpsAngle = 0;                        // 64, degrees
    std::array<GpsAdjustPoint, 12> GpsAdjustPoints{};  // 72, 40 bytes each
    int32_t GpsAdjustPointCount = 0;            // 552
    double TemplateScaleX = 0;                  // 556
    double TemplateScaleY = 0;                  // 564
    int32_t TemplateX = 0;                      // 572
    int32_t TemplateY = 0;                      // 576
    std::string TemplateFile;                   // 580, string[255]
    int16_t TemplateMode = 0;                   // 836
    int16_t TemplateResolution = 0;             // 838, dpi
    double TemplateAngle = 0;                   // 840, radians
    std::array<uint8_t, 8> Reserved848{};       // 848
    double TemplateAngle2 = 0;                  // 856, radians
    CordRect PrintRange;                        // 864
    bool PrintGrid = false;                     // 880
    int16_t PrintGridColor = 0;                 // 882
    int16_t PrintOverlapX = 0;                  // 884, 0.01 mm
    int16_t PrintOverlapY = 0;                  // 886, 0.01 mm
    double PrintScale = 0;                      // 888
    int16_t PrintIntensity = 0;                 // 896, percent
    int16_t PrintLineWidth = 0;                 // 898, percent
    std::array<uint8_t, 8> Reserved900{};       // 900
    CordRect PartialRange;                      // 908
    double Zoom = 0;                            // 924
    std::array<ViewHistoryEntry, 8> ViewHistory{};  // 932, newest first
    std::array<uint8_t, 16> Reserved1060{};     // 1060
    int32_t ViewHistoryCount = 0;               // 1076
    uint16_t RealWorldCoords = 0;               // 1080, 1 real-world, 0 paper
    std::string MapPath;                        // 1082, string[255]; empty = untitled
    bool HatchView = false;                     // 1338
    bool TemplatesDimmed = false;               // 1340
    bool TemplatesHidden = false;               // 1342
    int16_t Word1344 = 0;                       // 1344, kept as found
    std::array<uint8_t, 2> Reserved1346{};      // 1346
};

// The record of a new, empty map.
void DefaultSetup(SetupRecord& s);
SetupRecord DefaultSetupRecord();

// Resets every field that is out of range (silently). A value that is not a number at all
// (NaN, infinity) in a checked field means the record is garbage: the whole record, map path
// included, becomes the default record.
void CheckSetup(SetupRecord& s);

// A real-world angle brought into -360 .. 360 degrees by whole turns, so that CheckSetup
// keeps it instead of resetting it to 0: 400 gives 40, -400 gives -40, 360 stays.
double WrapSetupAngle(double degrees);

// An i32 coordinate outside -51200000 .. 51200000 becomes 0.
void CheckCordRange(int32_t& v);

// A record as it stands in a map file: the defaults first, then at most 1348 bytes of `bytes`
// over them (a shorter block keeps the defaults of the rest). No range checks.
SetupRecord ReadSetupBytes(std::span<const uint8_t> bytes);
// The 1348 bytes of the record. No range checks.
std::array<uint8_t, SetupRecordBytes> WriteSetupBytes(const SetupRecord& s);

} // namespace zemo
