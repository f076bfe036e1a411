#include "platform/library.h"

#include <gtest/gtest.h>

namespace {

struct LibraryFolder {
    explicit LibraryFolder(const std::string& folder) { platform::setLibraryFolder(folder); }
    ~LibraryFolder() { platform::setLibraryFolder(""); }
};

TEST(LibraryName, WindowsNamesMapToSharedObjects) {
    EXPECT_EQ(platform::libraryFileName("usb.dll"), "usb.so");
    EXPECT_EQ(platform::libraryFileName("USB.DLL"), "USB.so");
    EXPECT_EQ(platform::libraryFileName("usb.so"), "usb.so");
    EXPECT_EQ(platform::libraryFileName("dll"), "dll");
}

TEST(Library, LoadsByWindowsNameAndFindsAFunction) {
    LibraryFolder folder(TEST_LIB_DIR);
    auto lib = platform::loadLibrary("probe.dll");
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    auto fn = platform::findFunction(lib.handle, "probeAnswer");
    ASSERT_NE(fn.address, nullptr) << fn.error;
    EXPECT_EQ(reinterpret_cast<int (*)()>(fn.address)(), 42);
    EXPECT_EQ(platform::loadLibrary("probe.dll").handle, lib.handle) << "loaded once, kept";
}

TEST(Library, MissingLibraryAndFunctionAreErrorValues) {
    LibraryFolder folder(TEST_LIB_DIR);
    auto missing = platform::loadLibrary("nothere.dll");
    EXPECT_EQ(missing.handle, nullptr);
    EXPECT_NE(missing.error.find("nothere.so"), std::string::npos) << missing.error;

    auto lib = platform::loadLibrary("probe.dll");
    auto fn = platform::findFunction(lib.handle, "hidWriteData");
    EXPECT_EQ(fn.address, nullptr);
    EXPECT_NE(fn.error.find("hidWriteData"), std::string::npos) << fn.error;
    EXPECT_EQ(platform::findFunction(nullptr, "x").address, nullptr);
}

}  // namespace
