#pragma once

#include "referencehost/engines.h"

#include <QFile>
#include <QString>

// Reliability figures from real runs: a test case adds a line "engine, kind, runs, values lost"
// (tab-separated) to the file that KVO_RELIABILITY_LOG names; scripts/reliability totals them.
// Nothing is written without that variable.
namespace KvoTest {

inline void reliabilityFigure(KvoPlx800SCtl::HostKit::Engine engine, const QString &kind, int runs, int lost)
{
    const QString path = qEnvironmentVariable("KVO_RELIABILITY_LOG");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write(QStringLiteral("%1\t%2\t%3\t%4\n").arg(KvoHost::shortName(engine), kind).arg(runs).arg(lost).toUtf8());
}

} // namespace KvoTest
