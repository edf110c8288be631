// Serial bytes cut into random chunks, through the line and the packet splitter, each line
// read as an NMEA sentence by the GPS receiver.
#include "core/Config.h"
#include "external/Comm.h"
#include "external/Gps.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zemo;
    // Delivering already: a line writes no settings.
    ProgramConfig.GpsEnabled = true;
    ProgramConfig.GpsFilter = size % 2 == 1;
    ProgramConfig.GpsMin4Sat = size % 3 == 1;
    ProgramConfig.GpsDgpsRequired = size % 5 == 1;
    if (size < 1)
        return 0;
    // The first byte seeds the chunk sizes.
    uint32_t seed = data[0] * 2654435761u + 1;
    ++data;
    --size;
    QByteArray lines, packets;
    const CommSink line = [](const QByteArray& l) { CommLine(l); };
    const CommSink packet = [](const QByteArray& p) {
        if (p.size() > CommBufferSize || p.isEmpty() || p[0] != '\n')
            __builtin_trap();
    };
    size_t at = 0;
    while (at < size) {
        seed = seed * 1103515245u + 12345u;
        size_t n = 1 + (seed >> 16) % 300;
        n = std::min(n, size - at);
        // As a poll: no more than the buffer takes.
        for (QByteArray* b : {&lines, &packets}) {
            const size_t room = size_t(CommBufferSize - b->size());
            b->append(reinterpret_cast<const char*>(data + at), qsizetype(std::min(n, room)));
        }
        SplitCommLines(lines, line);
        SplitCommPackets(packets, packet);
        if (lines.size() >= CommBufferSize || packets.size() >= CommBufferSize)
            __builtin_trap();
        at += n;
    }
    ResetGpsUnit();
    return 0;
}
