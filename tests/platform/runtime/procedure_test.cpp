#include <KovrinAPI/runtime/Procedure.h>

#include <stdexcept>

#include <gtest/gtest.h>

using namespace kovrin;

namespace {

int inner(int what) {
    return passOn("modKovrin.Inner", [&](Line& line) -> int {
        line(10);
        if (what == 1) raiseError(6479, "You need to specify the location");
        line(20);
        if (what == 2) throw std::runtime_error("disk I/O error");
        line(30);
        if (what == 3) throw std::bad_alloc();
        return 7;
    });
}

int outer(int what, std::string* logged = nullptr) {
    return passOn(
        "Kovrin.Outer",
        [&](Line& line) {
            line(50);
            return inner(what);
        },
        [&](const Error& e) {
            if (logged) *logged = "Error " + std::to_string(e.number()) + " in " + e.source() + ": " + e.description();
        });
}

}  // namespace

TEST(Procedure, ErrorsGainTheCallPathAndKeepNumberAndDescription) {
    EXPECT_EQ(outer(0), 7);
    std::string logged;
    try {
        outer(1, &logged);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 6479);
        EXPECT_EQ(e.source(), "Kovrin.Outer[50]\\modKovrin.Inner[10]\\");
        EXPECT_EQ(e.description(), "You need to specify the location");
        EXPECT_EQ(logged, "Error 6479 in Kovrin.Outer[50]\\modKovrin.Inner[10]\\: You need to specify the location");
    }
}

TEST(Procedure, ForeignExceptionsArriveAsErrorsWithTheirMessage) {
    try {
        outer(2);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::AutomationError);
        EXPECT_EQ(e.description(), "disk I/O error");
        EXPECT_EQ(e.source(), "Kovrin.Outer[50]\\modKovrin.Inner[20]\\");
    }
    try {
        outer(3);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::OutOfMemory);
        EXPECT_EQ(e.source(), "Kovrin.Outer[50]\\modKovrin.Inner[30]\\");
    }
}

TEST(Procedure, FailureBeforeTheFirstLineIsLineZero) {
    try {
        passOn("modUtils.Frac", [](Line&) { raiseError(err::TypeMismatch); });
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.source(), "modUtils.Frac[0]\\");
        EXPECT_EQ(e.description(), "Type mismatch");
    }
}
