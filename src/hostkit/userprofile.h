#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace KvoPlx800SCtl::HostKit {

// The user profile: sections of keyed values. Writes return whether the value was stored.
class IUserProfile
{
public:
    virtual ~IUserProfile();
    virtual int GetNumber(const QString &section, const QString &key, int defaultValue) const = 0;
    virtual QString GetText(const QString &section, const QString &key, const QString &defaultValue) const = 0;
    [[nodiscard]] virtual bool SetText(const QString &section, const QString &key, const QString &value) = 0;
    [[nodiscard]] virtual bool SetNumber(const QString &section, const QString &key, int value) = 0;
    [[nodiscard]] virtual bool SetDouble(const QString &section, const QString &key, double value) = 0;
    [[nodiscard]] virtual bool SetDate(const QString &section, const QString &key, const QDateTime &value) = 0;
    [[nodiscard]] virtual bool SetBoolean(const QString &section, const QString &key, bool value) = 0;
    // Writes the current date-time stamp value.
    [[nodiscard]] virtual bool SetStamp(const QString &section, const QString &key) = 0;
    [[nodiscard]] virtual bool DeleteSection(const QString &section) = 0;
    virtual QStringList Sections() const = 0;
    virtual QStringList Keys(const QString &section) const = 0;
};

// Reference profile, stored in an INI file (one [section] per section). Values are written as
// text: numbers in the C locale, Booleans as "True"/"False", dates as "#yyyy-mm-dd hh:nn:ss#",
// stamps as "yyyy-mm-dd hh:nn:ss.zzz". Every change is written to the file at once.
class UserProfile : public IUserProfile
{
public:
    explicit UserProfile(const QString &filePath);
    ~UserProfile() override;

    QString filePath() const;

    int GetNumber(const QString &section, const QString &key, int defaultValue) const override;
    QString GetText(const QString &section, const QString &key, const QString &defaultValue) const override;
    [[nodiscard]] bool SetText(const QString &section, const QString &key, const QString &value) override;
    [[nodiscard]] bool SetNumber(const QString &section, const QString &key, int value) override;
    [[nodiscard]] bool SetDouble(const QString &section, const QString &key, double value) override;
    [[nodiscard]] bool SetDate(const QString &section, const QString &key, const QDateTime &value) override;
    [[nodiscard]] bool SetBoolean(const QString &section, const QString &key, bool value) override;
    [[nodiscard]] bool SetStamp(const QString &section, const QString &key) override;
    [[nodiscard]] bool DeleteSection(const QString &section) override;
    QStringList Sections() const override;
    QStringList Keys(const QString &section) const override;

private:
    bool write(const QString &section, const QString &key, const QString &text);
    bool sync();

    std::unique_ptr<QSettings> m_settings;
};

} // namespace KvoPlx800SCtl::HostKit
