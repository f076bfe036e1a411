// The serial tests run with a Qt application object: the component's events arrive through
// the GUI thread's event processing.
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <thread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Thread counts are compared in tests; a sanitizer's helper thread starts with the first
    // thread, so start one before any test counts.
    std::thread([] {}).join();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
