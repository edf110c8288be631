// Test main: one QApplication on the offscreen platform, so that fonts, images and
// widgets work without a display.
#include <QApplication>
#include <gtest/gtest.h>

// The sanitizers' settings are the test binaries' own, so that a test started by hand checks
// what it checks under ctest (the runtimes call these before main).
extern "C" __attribute__((used, visibility("default"))) const char* __asan_default_options()
{
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1";
}
extern "C" __attribute__((used, visibility("default"))) const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
// Allocations that system libraries keep for the life of the process.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libdbus\nleak:libglib\nleak:libodbcinst\nleak:libcups\nleak:libsane\n";
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
