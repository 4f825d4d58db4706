#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace KvoPlx800SCtl::HostKit {

// A picture of the resource-text service: image data in a format Qt reads (XPM or PNG). The core
// never paints; a window turns it into a pixmap.
struct Picture
{
    int Number = 0;
    QByteArray Data;
    QByteArray Format; // "XPM" or "PNG"
    bool isNull() const { return Data.isEmpty(); }
};

// Picture numbers. The menu pictures are those the library asks for by number; the two pictures of
// the filter dialog's field lists have numbers of the host kit's own.
namespace PictureId {
constexpr int EditDataLarge = 201; // edit and view data, 32 x 32
constexpr int FilterLarge = 202;
constexpr int ClearFilterLarge = 203;
constexpr int EditDataSmall = 301; // the same, 16 x 16
constexpr int FilterSmall = 302;
constexpr int ClearFilterSmall = 303;
constexpr int BaseTableField = 401; // field of the base table (16 x 16), key "basetablefield"
constexpr int SearchColumn = 402;   // search column (16 x 16), key "seachcolumn"
} // namespace PictureId

// Numbers of texts that the host kit itself uses.
namespace TextId {
// %1 = table name; asked by the database handler before a table is converted.
constexpr int ConvertTableQuestion = 9000;
} // namespace TextId

// Texts and pictures by number. The reference service carries English texts for every number the
// library uses; a host can replace any of them. Arguments fill %1, %2, ... in order.
class ResourceTexts
{
public:
    static ResourceTexts &instance();

    // The text of `number` with %1, %2, ... replaced by the arguments in order (a placeholder
    // without an argument stays as it is). Empty for 0 and for numbers without a text.
    QString Text(int number, const QStringList &args = {}) const;
    bool hasText(int number) const;
    // A null picture for numbers without one.
    Picture LoadPicture(int number) const;
    // The numbers that have a built-in text, in ascending order.
    QList<int> textNumbers() const;
    // Fills the placeholders of `text` (see Text()).
    static QString substitute(const QString &text, const QStringList &args);

    void setText(int number, const QString &text) { m_overrides.insert(number, text); }
    void resetTexts() { m_overrides.clear(); }

private:
    ResourceTexts();
    QHash<int, QString> m_texts;
    QHash<int, QString> m_overrides;
};

} // namespace KvoPlx800SCtl::HostKit
