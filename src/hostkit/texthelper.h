#pragma once

#include <QString>

namespace KvoPlx800SCtl::HostKit {

// The text helper: text comparison and the current user.
class TextHelper
{
public:
    static TextHelper &instance();

    // Compare mode 0 is binary, 1 ignores case.
    static bool TextEqual(const QString &a, const QString &b, int compareMode = 1);

    int CurrentUserNumber() const { return m_userNumber; }
    QString CurrentUserName() const { return m_userName; }
    void setCurrentUser(int number, const QString &name);

private:
    TextHelper() = default;
    int m_userNumber = 1;
    QString m_userName = QStringLiteral("user");
};

} // namespace KvoPlx800SCtl::HostKit
