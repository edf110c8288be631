#include "platform/widgets/PrinterDevice.h"

#include <QPrinter>

namespace zemo {

PrinterDevice::PrinterDevice(QPrinter& printer)
    : m_printer(printer), m_resolution(printer.resolution()), m_device(&printer)
{
}

bool PrinterDevice::newPage()
{
    return m_device.isActive() && m_printer.newPage();
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
