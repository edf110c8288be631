#include "course/Ports.h"

namespace zemo {

CoursePortSet& CoursePorts()
{
    static CoursePortSet ports;
    return ports;
}

} // namespace zemo
