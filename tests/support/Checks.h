// Small checks the tests share.
#pragma once

#include <KovrinAPI/runtime/Error.h>

#include <gtest/gtest.h>

namespace kovrin::test {

// The error that f raises; a failure of the test when it raises none.
template <class F>
Error errorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return Error(0, "");
}

}  // namespace kovrin::test
