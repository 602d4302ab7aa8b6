#pragma once

#include <QString>

// Facts about the test run that several test folders need.
namespace testenv {

// True inside the private network namespace that scripts/isolate.sh makes.
// Tests that open sockets or broadcast skip themselves when this is false,
// so nothing ever reaches a real network.
bool isNetworkIsolated();

// The folder the deliverables and simulators are built into.
QString binaryDir();

// The folder where a run keeps what a person looks at afterwards
// (screenshots): the build's artifacts/ folder.
QString artifactsDir();

// The source tree, for committed fixtures.
QString sourceDir();

} // namespace testenv

// Skips the current GoogleTest test unless the run is network-isolated.
#define QUVIX_REQUIRE_NETLAB()                                                                               \
    do {                                                                                                     \
        if (!testenv::isNetworkIsolated())                                                                   \
            GTEST_SKIP() << "needs the private network namespace (scripts/isolate.sh)";                      \
    } while (0)
