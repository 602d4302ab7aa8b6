#pragma once

#include <QApplication>

// The application that widget benchmarks draw in: offscreen, so that they
// run alike with or without a display. Created first in main(), on the
// main thread; lives until the benchmarks have run.
class OffscreenApplication : public QApplication
{
public:
    OffscreenApplication(int& argc, char** argv);
};
