// What the shared library exports: the public classes and functions carry KOVRIN_API, everything
// else is built hidden and stays inside the library.
#pragma once

#define KOVRIN_API __attribute__((visibility("default")))
