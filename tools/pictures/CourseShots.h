// A screenshot of the course panel's Courses tab on the open course-setting map: the test
// event's relay drawn as its diagram and previewed on the map with its description sheet (its
// objects and records are added and taken away again).
#pragma once

#include "EditorShots.h"

namespace zemo {

void CourseTabShots(TMainFm& frame, const ShotSink& sink);

} // namespace zemo
