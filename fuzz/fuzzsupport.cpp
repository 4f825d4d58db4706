#include "fuzzsupport.h"

#include <QLocale>
#include <QLoggingCategory>

namespace KvoFuzz {

void initialise()
{
    static int argc = 1;
    static char name[] = "kvofuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = nullptr;
    if (app)
        return;
    app = new QCoreApplication(argc, argv);
    // Every failure a library procedure traps is traced; here that is noise, not a finding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    QLocale::setDefault(QLocale::c());
}

} // namespace KvoFuzz
