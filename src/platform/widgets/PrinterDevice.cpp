#include "platform/widgets/PrinterDevice.h"

#include <QPrinter>

namespace zemo {

PrinterDevice::PrinterDevice(QPrinter& printer, const QRect& area)
    : m_printer(printer), m_resolution(printer.resolution()), m_area(area), m_device(&printer)
{
    if (m_device.isActive() && !m_area.isEmpty())
        m_device.setDrawingArea(m_area);
}

bool PrinterDevice::newPage()
{
    if (!m_device.isActive() || !m_printer.newPage())
        return false;
    if (!m_area.isEmpty())
        m_device.setDrawingArea(m_area);
    return true;
}

bool PrinterDevice::finish()
{
    return m_device.finish();
}

bool PrinterDevice::setRasterOp(RasterOp op)
{
    // Whatever engine the printer uses, XOR never reaches paper: draw plainly instead.
    m_device.setRasterOp(RasterOp::Copy);
    return op == RasterOp::Copy;
}

} // namespace zemo
