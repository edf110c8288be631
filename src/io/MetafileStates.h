#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zemo {

// The drawing states a metafile saves and restores. A file may save without end: past
// `Max` saves only their count is kept, and restoring into those gives nothing back.
template <class State, size_t Max = 1024>
class MetafileStates {
public:
    void Save(const State& s)
    {
        if (Saved.size() < Max)
            Saved.push_back(s);
        else
            ++Uncounted;
    }

    // Back to a saved state: `level` saves back when negative, else the state saved at that
    // depth (the first save is 1). Returns false, leaving `s`, where a level was never saved
    // or only uncounted saves were dropped.
    bool Restore(int64_t level, State& s)
    {
        const int64_t depth = int64_t(Saved.size() + Uncounted);
        const int64_t keep = level < 0 ? depth + level : level - 1;
        if (level == 0 || keep < 0 || keep >= depth)
            return false;
        // The saves beyond those kept are the deepest; they go first.
        int64_t drop = depth - keep;
        const int64_t uncounted = std::min<int64_t>(drop, int64_t(Uncounted));
        Uncounted -= size_t(uncounted);
        drop -= uncounted;
        if (drop == 0)
            return false;
        s = Saved[Saved.size() - size_t(drop)];
        Saved.resize(Saved.size() - size_t(drop));
        return true;
    }

private:
    std::vector<State> Saved;
    size_t Uncounted = 0;
};

}  // namespace zemo
