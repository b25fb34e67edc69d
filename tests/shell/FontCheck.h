#pragma once

// Widget tests rely on fontconfig putting Liberation Mono in place of "Courier New" (and
// Liberation Sans for "Arial"). This check fails with a message naming the package when it does
// not, so a missing font shows as that and not as odd layout numbers.

#include <gtest/gtest.h>

// Success when "Courier New" resolves to a fixed-pitch font; needs a QGuiApplication.
::testing::AssertionResult CourierNewIsFixedPitch();
