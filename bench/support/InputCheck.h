// The input check the program binds for its document windows, for the benchmarks that paint
// through them; the benchmark links core_widgets.
#pragma once

namespace zemo::bench {

void BindWindowInputCheck();

} // namespace zemo::bench
