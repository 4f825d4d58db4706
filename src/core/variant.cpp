#include "variant.h"

#include <charconv>
#include <cmath>

namespace KvoPlx800SCtl {

QDateTime Variant::dateZero()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return zero;
}

bool Variant::isDateZero(const Variant &value)
{
    switch (value.m_type) {
    case Type::Date:
        return value.toDate() == dateZero();
    case Type::Int16:
    case Type::Int32:
    case Type::Single:
    case Type::Double:
        return value.toDouble() == 0.0;
    default:
        return false;
    }
}

bool Variant::isNumber() const
{
    return m_type == Type::Int16 || m_type == Type::Int32 || m_type == Type::Single || m_type == Type::Double;
}

QString Variant::toText() const
{
    switch (m_type) {
    case Type::Empty:
    case Type::Null:
        return {};
    case Type::Text:
        return std::get<QString>(m_value);
    case Type::Int16:
    case Type::Int32:
        return QString::number(std::get<qint32>(m_value));
    case Type::Single:
    {
        // The shortest text that reads back as the same single-precision value.
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, float(std::get<double>(m_value))).ptr;
        return QString::fromLatin1(buffer, int(end - buffer));
    }
    case Type::Double:
        return QString::number(std::get<double>(m_value), 'g', QLocale::FloatingPointShortest);
    case Type::Date:
        return std::get<QDateTime>(m_value).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Type::Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

double Variant::toDouble() const
{
    switch (m_type) {
    case Type::Int16:
    case Type::Int32:
        return std::get<qint32>(m_value);
    case Type::Single:
    case Type::Double:
        return std::get<double>(m_value);
    case Type::Boolean:
        return std::get<bool>(m_value) ? -1.0 : 0.0;
    case Type::Date: {
        // Days since the date zero, the time as the fraction of a day.
        const QDateTime d = std::get<QDateTime>(m_value);
        const qint64 days = dateZero().date().daysTo(d.date());
        return double(days) + d.time().msecsSinceStartOfDay() / 86400000.0;
    }
    case Type::Text: {
        bool ok = false;
        const double v = std::get<QString>(m_value).trimmed().toDouble(&ok);
        return ok ? v : 0.0;
    }
    default:
        return 0.0;
    }
}

qint32 Variant::toInt32() const
{
    if (m_type == Type::Int16 || m_type == Type::Int32)
        return std::get<qint32>(m_value);
    const double v = std::nearbyint(toDouble());   // round half to even (default rounding mode)
    if (v > 2147483647.0 || v < -2147483648.0)
        return 0;
    return qint32(v);
}

bool Variant::toBool() const
{
    switch (m_type) {
    case Type::Boolean:
        return std::get<bool>(m_value);
    case Type::Text: {
        const QString t = std::get<QString>(m_value).trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        return toDouble() != 0.0;
    }
    default:
        return toDouble() != 0.0;
    }
}

QDateTime Variant::toDate() const
{
    switch (m_type) {
    case Type::Date:
        return std::get<QDateTime>(m_value);
    case Type::Int16:
    case Type::Int32:
    case Type::Single:
    case Type::Double: {
        const double v = toDouble();
        const double days = std::floor(v);
        const qint64 ms = qint64(std::llround((v - days) * 86400000.0));
        return QDateTime(dateZero().date().addDays(qint64(days)), QTime(0, 0), Qt::UTC).addMSecs(ms);
    }
    case Type::Text: {
        QDateTime d = QDateTime::fromString(std::get<QString>(m_value).trimmed(), Qt::ISODate);
        if (!d.isValid())
            return dateZero();
        d.setTimeSpec(Qt::UTC);
        return d;
    }
    default:
        return dateZero();
    }
}

bool Variant::operator==(const Variant &other) const
{
    if (m_type != other.m_type)
        return false;
    return m_value == other.m_value;
}

const char *variantTypeName(Variant::Type type)
{
    switch (type) {
    case Variant::Type::Empty: return "Empty";
    case Variant::Type::Null: return "Null";
    case Variant::Type::Text: return "Text";
    case Variant::Type::Int16: return "Int16";
    case Variant::Type::Int32: return "Int32";
    case Variant::Type::Single: return "Single";
    case Variant::Type::Double: return "Double";
    case Variant::Type::Date: return "Date";
    case Variant::Type::Boolean: return "Boolean";
    }
    return "?";
}

} // namespace KvoPlx800SCtl
