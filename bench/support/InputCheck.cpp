#include "InputCheck.h"

#include "core/widgets/EscapeFilter.h"
#include "edit/Ports.h"

namespace zemo::bench {

void BindWindowInputCheck()
{
    EscapeFilter::Install();
    EditPorts().PollInput.Bind([] { return EscapeFilter::Install()->PollForInput(); });
}

} // namespace zemo::bench
