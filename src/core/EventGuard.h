// The one frame around every event handler and command: no exception crosses the event loop.
#pragma once

#include "core/Errors.h"
#include "core/Messages.h"

#include <QLatin1String>
#include <QString>
#include <exception>
#include <utility>

namespace zemo {

// Whether the internal error carries the exception's text as its value (commands do,
// handlers name only the routine).
enum class GuardReason { Hidden, Shown };

// For a catch (...) that cleans up first: the silent abort stays silent, anything else is an
// internal error labelled ": unit.routine". Rethrows to tell the kinds apart.
inline void ReportUnexpected(const char* unit, const char* routine,
                             GuardReason reason = GuardReason::Hidden)
{
    const QString label = QStringLiteral(": %1.%2").arg(QLatin1String(unit), QLatin1String(routine));
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (reason == GuardReason::Shown)
            ErrorMsg(label + QStringLiteral(" (;)"), QString::fromLocal8Bit(e.what()));
        else
            ErrorMsg(label);
    } catch (...) {
        ErrorMsg(label);
    }
}

// Runs f; the silent abort ends it quietly, anything else is an internal error labelled
// ": unit.routine".
template <class F>
void GuardEvent(const char* unit, const char* routine, F&& f,
                GuardReason reason = GuardReason::Hidden)
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        ReportUnexpected(unit, routine, reason);
    }
}

} // namespace zemo
