// Precompiled for the test executables: the widgets set, GoogleTest and what tests add.
#pragma once

#include "Widgets.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
