// The scan worker: one scan of one SANE device in a process of its own, so that a backend that
// hangs or dies while it ends its reader (some stop their thread by asynchronous cancellation)
// never takes the program with it. Arguments: the device, then options as "s:name=value" for
// texts and "n:name=value" for numbers. The records go to standard output; a byte on standard
// input stops the scan.
#include "external/SaneDevice.h"
#include "external/ScanRecords.h"

#include <sane/saneopts.h>

#include <poll.h>
#include <unistd.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace zemo;

namespace {

bool WriteAll(const void* data, size_t n)
{
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = write(STDOUT_FILENO, p, n);
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

bool Record(char kind, const int32_t* numbers = nullptr, int count = 0)
{
    if (!WriteAll(&kind, 1))
        return false;
    for (int i = 0; i < count; ++i) {
        const uint32_t v = uint32_t(numbers[i]);
        const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        if (!WriteAll(b, 4))
            return false;
    }
    return true;
}

// A byte (or the end) on standard input: the program wants the scan stopped.
bool CancelAsked()
{
    pollfd p{STDIN_FILENO, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

void SetOption(const SaneDevice& dev, const std::string& arg)
{
    const size_t eq = arg.find('=');
    if (arg.size() < 3 || arg[1] != ':' || eq == std::string::npos)
        return;
    const std::string name = arg.substr(2, eq - 2), value = arg.substr(eq + 1);
    if (arg[0] == 's')
        dev.SetString(name.c_str(), value.c_str());
    else if (arg[0] == 'n')
        dev.SetNumber(name.c_str(), std::atoi(value.c_str()));
}

// Sends every frame of one scan; false when the device failed or the program stopped it.
bool Scan(const SaneDevice& dev)
{
    SANE_Handle h = dev.Handle();
    const int32_t dpi = dev.GetNumber(SANE_NAME_SCAN_RESOLUTION);
    if (!Record(scanrecord::Resolution, &dpi, 1))
        return false;
    // One grey or RGB frame, or red, green and blue in three passes.
    for (int frames = 0; frames < 3; ++frames) {
        SANE_Parameters p{};
        if (sane_start(h) != SANE_STATUS_GOOD || sane_get_parameters(h, &p) != SANE_STATUS_GOOD)
            return false;
        const int32_t n[scanrecord::FrameNumbers] = {int32_t(p.format), p.last_frame ? 1 : 0, p.bytes_per_line,
                                                     p.pixels_per_line, p.lines, p.depth};
        if (!Record(scanrecord::Frame, n, scanrecord::FrameNumbers))
            return false;
        static SANE_Byte buf[32768];
        for (;;) {
            if (CancelAsked())
                return false;
            SANE_Int len = 0;
            const SANE_Status s = sane_read(h, buf, sizeof buf, &len);
            if (s == SANE_STATUS_EOF)
                break;
            if (s != SANE_STATUS_GOOD)
                return false;
            const int32_t count = len;
            if (!Record(scanrecord::Data, &count, 1) || !WriteAll(buf, size_t(len)))
                return false;
        }
        if (!Record(scanrecord::FrameEnd))
            return false;
        if (p.last_frame)
            return Record(scanrecord::Done);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    // Messages in the plain locale need no catalog lookups from a backend's reader thread.
    std::setlocale(LC_MESSAGES, "C");
    if (sane_init(nullptr, nullptr) != SANE_STATUS_GOOD) {
        Record(scanrecord::Failed);
        return 1;
    }
    bool ok = false;
    {
        SaneDevice dev(argv[1]);
        if (dev.Handle()) {
            for (int i = 2; i < argc; ++i)
                SetOption(dev, argv[i]);
            ok = Scan(dev);
            if (!ok)
                Record(scanrecord::Failed);
            sane_cancel(dev.Handle());
        } else {
            Record(scanrecord::Failed);
        }
    }
    sane_exit();
    return ok ? 0 : 1;
}
