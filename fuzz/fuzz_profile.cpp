// The user profile reader: any file content reads without harm, every section and key it reports
// can be asked for, and a text written under any section and key names reads back unchanged from
// the file.

#include "fuzzsupport.h"

#include "hostkit/userprofile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace KvoPlx800SCtl::HostKit;
using KvoFuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvoFuzz::initialise();
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("profile.ini"));
    FuzzedDataProvider in(data, size);
    const std::string content = in.ConsumeRandomLengthString(4096);
    const QString section = QString::fromUtf8(in.ConsumeRandomLengthString(40));
    const QString key = QString::fromUtf8(in.ConsumeRandomLengthString(40));
    const QString value = QString::fromUtf8(in.ConsumeRemainingBytesAsString());
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the profile file is written");
        file.write(content.data(), qint64(content.size()));
    }

    bool written = false;
    {
        UserProfile profile(path);
        for (const QString &s : profile.Sections()) {
            for (const QString &k : profile.Keys(s)) {
                static_cast<void>(profile.GetText(s, k, QString()));
                static_cast<void>(profile.GetNumber(s, k, 0));
            }
        }
        written = profile.SetText(section, key, value);
    }
    if (!written)
        return 0;
    const UserProfile again(path);
    const QString none = QStringLiteral("\x01none");
    check(again.GetText(section, key, none) == value, "a written text reads back", section + u'/' + key + u'=' + value);
    check(again.Sections().contains(section) && again.Keys(section).contains(key),
          "a written section and key are listed", section + u'/' + key);
    return 0;
}
