#include "program_dir.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace std::chrono_literals;

TEST(Startup, WithoutTheResourceLibraryTheProgramReportsItAndEnds) {
    e2e::ProgramDir dir({.resources = false});
    e2e::RunningProgram program(dir);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(*status, 0);
    std::string errors = program.Errors();
    EXPECT_NE(errors.find("Pelmora Initialize Error"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Couldn't load 'PelmoraResources.dll'."), std::string::npos) << errors;
    // The system's reason follows on the next line.
    EXPECT_NE(errors.find("The module could not be found."), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir.settings()));
}

} // namespace
