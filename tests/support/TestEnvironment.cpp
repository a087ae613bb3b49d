// Compiled into every test program: the environment its runs start from, in
// process or as programs the test starts (they inherit it).
#include <QByteArray>
#include <QtGlobal>

namespace {
[[maybe_unused]] const bool testEnvironment = [] {
    // Test files are written a moment before the run: no settle interval,
    // except in the tests of the interval itself, which set their own.
    if (qEnvironmentVariableIsEmpty("LIS06C_SETTLE_SECONDS")) qputenv("LIS06C_SETTLE_SECONDS", "0");
    return true;
}();
}  // namespace
