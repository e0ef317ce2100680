// The main() of GoogleTest binaries that use Qt's event loop or networking,
// which need a QCoreApplication. A wait that never ends is ended by ctest's
// time-out.

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
