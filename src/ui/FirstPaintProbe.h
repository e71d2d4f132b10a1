#pragma once

class QWidget;

// For measuring start-up from outside: when ORELIA_FIRST_PAINT_PROBE is set, the window's
// first paint writes "first-paint <CLOCK_MONOTONIC ns> <resident KiB>" to standard output and
// ends the program. Without the variable nothing happens.
namespace FirstPaintProbe {

void installFromEnvironment(QWidget& window);
// The probe's line now, for a caller that decides itself when the window is ready.
void report();

} // namespace FirstPaintProbe
