// A screenshot of the course panel's Courses tab on the open course-setting map: the test
// event's relay drawn as its diagram (the records are added in memory and taken away again).
#pragma once

#include "EditorShots.h"

namespace zemo {

void CourseTabShots(TMainFm& frame, const ShotSink& sink);

} // namespace zemo
