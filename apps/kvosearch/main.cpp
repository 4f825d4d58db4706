#include "cli.h"

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvosearch"));
    // Numbers are read and printed in the C locale and dates in ISO form, whatever the user's
    // locale, so that a script runs alike on every machine.
    QLocale::setDefault(QLocale::c());
    Cli cli;
    return cli.run(QCoreApplication::arguments().mid(1));
}
