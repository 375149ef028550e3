// SPDX-License-Identifier: MIT
// The binding against a recording stand-in for the OS loader.
#include "portio/PortIoLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> loaderCalls;
bool libraryFound = true;
char moduleToken;

void PORTIO_CALL anyEntry() {}

}  // namespace

LibraryHandle openLibrary(const char* baseName) {
    loaderCalls.push_back(std::string("open ") + baseName);
    return libraryFound ? &moduleToken : nullptr;
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    loaderCalls.push_back(std::string("find ") + name);
    EXPECT_EQ(library, &moduleToken);
    return anyEntry;
}

void closeLibrary(LibraryHandle library) {
    loaderCalls.push_back(library == nullptr ? "close null" : "close");
}

namespace {

class PortIoLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loaderCalls.clear();
        libraryFound = true;
        portIoLibrary = PortIoLibrary{};
    }
};

TEST_F(PortIoLibraryTest, MissingLibraryLooksUpNothingAndKeepsTheTable) {
    libraryFound = false;
    EXPECT_EQ(loadPortIoLibrary(), 1);
    EXPECT_EQ(loaderCalls, std::vector<std::string>{"open io"});
    EXPECT_EQ(portIoLibrary.module, nullptr);
    EXPECT_EQ(portIoLibrary.PortOut, nullptr);
}

}  // namespace
