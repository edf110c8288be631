// An open SANE device and its options by name, shared by the program (which lists what a device
// offers) and the scan worker (which scans).
#pragma once

#include <sane/sane.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zemo {

class SaneDevice {
public:
    explicit SaneDevice(const char* name)
    {
        if (sane_open(name, &h_) != SANE_STATUS_GOOD)
            h_ = nullptr;
    }
    ~SaneDevice()
    {
        if (h_)
            sane_close(h_);
    }
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;
    SANE_Handle Handle() const { return h_; }

    // The active, settable option of this name: its number and descriptor, or -1.
    int Find(const char* name, const SANE_Option_Descriptor** desc) const
    {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(h_, i);
            if (!d)
                return -1;
            if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)
                && SANE_OPTION_IS_SETTABLE(d->cap)) {
                *desc = d;
                return i;
            }
        }
    }
    void SetString(const char* name, const char* value) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        if (i < 0 || d->type != SANE_TYPE_STRING)
            return;
        std::vector<char> v(std::max<size_t>(std::strlen(value) + 1, size_t(d->size)), '\0');
        std::memcpy(v.data(), value, std::strlen(value));
        sane_control_option(h_, i, SANE_ACTION_SET_VALUE, v.data(), nullptr);
    }
    void SetNumber(const char* name, int value) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        if (i < 0 || d->size != sizeof(SANE_Word))
            return;
        SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : value;
        sane_control_option(h_, i, SANE_ACTION_SET_VALUE, &w, nullptr);
    }
    int GetNumber(const char* name) const
    {
        const SANE_Option_Descriptor* d = nullptr;
        const int i = Find(name, &d);
        SANE_Word w = 0;
        if (i < 0 || d->size != sizeof(SANE_Word)
            || sane_control_option(h_, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD)
            return 0;
        return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
    }

private:
    SANE_Handle h_ = nullptr;
};

} // namespace zemo
