// The main() of the window tests: a TApplication on the offscreen platform
// (chosen here when none is set, so that test discovery at build time works
// on a machine without a display), in a scratch working directory.
#include "Application.h"
#include "Services.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    // Score files are kept in the current directory: each run gets its own.
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
