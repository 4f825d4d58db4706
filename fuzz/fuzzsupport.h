#pragma once

// What every fuzz target shares: a Qt application object made once, trace and log output
// silenced, and a check that stops the run with a message when a property does not hold.

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace KvoFuzz {

// The application object (SQL drivers and QSettings need one) and quiet logging; call first.
void initialise();

// Stops the run (libFuzzer records the input) when `ok` is false.
inline void check(bool ok, const char *what, const QString &detail = {})
{
    if (ok)
        return;
    std::fprintf(stderr, "property failed: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

} // namespace KvoFuzz
