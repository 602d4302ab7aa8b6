#include "bench/support/offscreenapplication.h"

namespace {

// The platform is read when QApplication is constructed: it must be chosen
// before the base class is.
int& offscreen(int& argc)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
}

} // namespace

OffscreenApplication::OffscreenApplication(int& argc, char** argv)
    : QApplication(offscreen(argc), argv)
{
}
