#include "cli.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvosearch"));
    Cli cli;
    return cli.run(QCoreApplication::arguments().mid(1));
}
