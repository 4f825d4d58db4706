#include "userprofile.h"

#include "trace.h"

#include <QLocale>
#include <QSettings>

#include <cmath>
#include <limits>

namespace KvoPlx800SCtl::HostKit {

IUserProfile::~IUserProfile() = default;

namespace {

// QSettings reads "/" as a group separator (and drops leading, trailing and doubled ones), so
// section and key names are escaped before they reach it: "%" becomes "%25" and "/" "%2F". The
// empty name, which QSettings refuses, becomes a lone "%", which no escaped name can be.
QString encodeName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("%");
    QString result;
    result.reserve(name.size());
    for (QChar ch : name) {
        if (ch == QLatin1Char('%'))
            result += QLatin1String("%25");
        else if (ch == QLatin1Char('/'))
            result += QLatin1String("%2F");
        else
            result += ch;
    }
    return result;
}

QString decodeName(const QString &stored)
{
    if (stored == QLatin1String("%"))
        return {};
    QString result;
    result.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored.at(i) == QLatin1Char('%') && i + 2 < stored.size()) {
            const QStringView code = QStringView(stored).mid(i + 1, 2);
            if (code.compare(QLatin1String("25"), Qt::CaseInsensitive) == 0) {
                result += QLatin1Char('%');
                i += 2;
                continue;
            }
            if (code.compare(QLatin1String("2F"), Qt::CaseInsensitive) == 0) {
                result += QLatin1Char('/');
                i += 2;
                continue;
            }
        }
        result += stored.at(i);
    }
    return result;
}

QString fullKey(const QString &section, const QString &key)
{
    return encodeName(section) + QLatin1Char('/') + encodeName(key);
}

QString storedText(const QVariant &value)
{
    // A hand-edited file may hold an unquoted list ("a, b"); it is one text to the profile.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

// Stamps of the whole process, so that no two writes ever give the same stamp.
QDateTime nextStamp()
{
    static QDateTime last;
    QDateTime now = QDateTime::currentDateTime();
    if (last.isValid() && now <= last)
        now = last.addMSecs(1);
    last = now;
    return now;
}

} // namespace

UserProfile::UserProfile(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{}

UserProfile::~UserProfile() = default;

QString UserProfile::filePath() const { return m_settings->fileName(); }

int UserProfile::GetNumber(const QString &section, const QString &key, int defaultValue) const
{
    const QVariant value = m_settings->value(fullKey(section, key));
    if (!value.isValid())
        return defaultValue;
    const QString text = storedText(value).trimmed();
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok)
        return number;
    // A number written with a fraction is rounded (half to even), when it fits.
    const double real = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(real))
        return defaultValue;
    const double rounded = std::nearbyint(real);
    if (rounded < double(std::numeric_limits<int>::min()) || rounded > double(std::numeric_limits<int>::max()))
        return defaultValue;
    return int(rounded);
}

QString UserProfile::GetText(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings->value(fullKey(section, key));
    if (!value.isValid())
        return defaultValue;
    return storedText(value);
}

bool UserProfile::write(const QString &section, const QString &key, const QString &text)
{
    m_settings->setValue(fullKey(section, key), text);
    return sync();
}

bool UserProfile::sync()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    Trace::instance().ReportError(TraceError{int(m_settings->status()),
                                             QStringLiteral("The profile %1 could not be written.").arg(filePath()),
                                             QStringLiteral("UserProfile.sync")});
    return false;
}

bool UserProfile::SetText(const QString &section, const QString &key, const QString &value)
{
    return write(section, key, value);
}

bool UserProfile::SetNumber(const QString &section, const QString &key, int value)
{
    return write(section, key, QString::number(value));
}

bool UserProfile::SetDouble(const QString &section, const QString &key, double value)
{
    return write(section, key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

bool UserProfile::SetDate(const QString &section, const QString &key, const QDateTime &value)
{
    if (!value.isValid())
        return write(section, key, QString());
    return write(section, key,
                 QLatin1Char('#') + value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('#'));
}

bool UserProfile::SetBoolean(const QString &section, const QString &key, bool value)
{
    return write(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool UserProfile::SetStamp(const QString &section, const QString &key)
{
    return write(section, key, nextStamp().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
}

bool UserProfile::DeleteSection(const QString &section)
{
    m_settings->remove(encodeName(section));
    return sync();
}

QStringList UserProfile::Sections() const
{
    QStringList result;
    const QStringList groups = m_settings->childGroups();
    for (const QString &group : groups)
        result.append(decodeName(group));
    return result;
}

QStringList UserProfile::Keys(const QString &section) const
{
    m_settings->beginGroup(encodeName(section));
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    QStringList result;
    for (const QString &key : keys)
        result.append(decodeName(key));
    return result;
}

} // namespace KvoPlx800SCtl::HostKit
