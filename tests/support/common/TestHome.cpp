#include "TestHome.h"

#include <cstdlib>

TestHome::TestHome() : previous_(qgetenv("HOME")), hadPrevious_(qEnvironmentVariableIsSet("HOME")) {
    qputenv("HOME", dir_.path().toLocal8Bit());
}

TestHome::~TestHome() {
    if (hadPrevious_)
        qputenv("HOME", previous_);
    else
        qunsetenv("HOME");
}

bool inHeadlessSession() { return qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION"); }
