#pragma once

#include <QDateTime>
#include <QString>

#include <variant>

namespace KvoPlx800SCtl {

// A column value: Empty (no change, where a new value is handed in), Null (no value), or a typed
// value. Dates are wall-clock values without a time zone, kept as QDateTime in Qt::UTC so that no
// daylight-saving rule can shift them (make them with Convert::makeDate); the date-typed zero is
// 30 December 1899 00:00.
class Variant
{
public:
    enum class Type { Empty, Null, Text, Int16, Int32, Single, Double, Date, Boolean };

    Variant() = default;   // Empty
    static Variant null() { Variant v; v.m_type = Type::Null; return v; }
    static Variant text(const QString &value) { return Variant(Type::Text, value); }
    static Variant int16(qint16 value) { return Variant(Type::Int16, qint32(value)); }
    static Variant int32(qint32 value) { return Variant(Type::Int32, value); }
    static Variant single(float value) { return Variant(Type::Single, double(value)); }
    static Variant dbl(double value) { return Variant(Type::Double, value); }
    static Variant date(const QDateTime &value) { return Variant(Type::Date, value); }
    static Variant boolean(bool value) { return Variant(Type::Boolean, value); }

    static QDateTime dateZero();
    // True for the date-typed zero and for the number 0 (a missing date reads as the number 0).
    static bool isDateZero(const Variant &value);

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    bool isNull() const { return m_type == Type::Null; }
    bool isNumber() const;
    bool hasValue() const { return m_type != Type::Empty && m_type != Type::Null; }

    // Plain accessors: a value of another type is converted the way a typed read would (numbers
    // between each other, Booleans as 0/-1 ... see variant.cpp); Empty and Null give zero values.
    QString toText() const;          // C-locale text form: numbers shortest round trip, dates
                                     // "yyyy-mm-dd hh:nn:ss", Booleans "True"/"False"
    double toDouble() const;
    qint32 toInt32() const;
    bool toBool() const;
    QDateTime toDate() const;

    bool operator==(const Variant &other) const;
    bool operator!=(const Variant &other) const { return !(*this == other); }

private:
    using Store = std::variant<std::monostate, QString, qint32, double, QDateTime, bool>;
    template <typename T>
    Variant(Type type, T value) : m_type(type), m_value(std::move(value)) {}

    Type m_type = Type::Empty;
    Store m_value;
};

const char *variantTypeName(Variant::Type type);

} // namespace KvoPlx800SCtl
