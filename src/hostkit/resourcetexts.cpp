#include "resourcetexts.h"

#include <QFile>

#include <algorithm>

// The pictures are resources of a static library: a program gets them only when they are asked for
// by name (outside any namespace, as Q_INIT_RESOURCE needs).
static void loadPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace KvoPlx800SCtl::HostKit {

namespace {

struct TextEntry
{
    int number;
    const char *text;
};

// The English texts. Texts that take arguments say what %1, %2 ... stand for in the comment of
// their group.
// clang-format off
constexpr TextEntry builtInTexts[] = {
    // Menu items and window captions (6816 + menu item)
    {6816, "Edit Search Data"},
    {6817, "Filter"},
    {6818, "Clear Filter"},
    {6819, "View Search Data"},
    {6820, "Include Search Data"},
    {6821, "Show Search Data Window"},
    {6822, "Switch to Search Columns"},
    {6823, "Edit Picklists"},
    // Status-line prompts by column type (%1 = text length where given)
    {6912, "Check the box for Yes, clear it for No."},
    {6913, "Enter a date, optionally followed by a time."},
    {6914, "Enter a number."},
    {6915, "Enter a whole number from -32768 to 32767."},
    {6916, "Enter a keyword of up to %1 characters and add it to the list."},
    {6917, "Enter a whole number from -2147483648 to 2147483647."},
    {6918, "Enter a number (single precision)."},
    {6919, "Enter a text of up to %1 characters."},
    {6920, "Enter a note; it may have several lines."},
    // Display names of the column types
    {7008, "Yes/No"},
    {7009, "Date/Time"},
    {7010, "Number (double)"},
    {7011, "Integer (16-bit)"},
    {7012, "Keyword"},
    {7013, "Integer (32-bit)"},
    {7014, "Number (single)"},
    {7015, "Text"},
    {7016, "Undefined"},
    {7017, "Note"},
    // Configuration dialog
    {7104, "Configure Search Columns"},
    {7106, "Search columns of the table \"%1\":"},
    {7107, "Name"},
    {7108, "Type"},
    {7109, "Length"},
    {7111, "Database:"},
    {7112, "Table:"},
    {7113, "Key field:"},
    {7115, "Saving these changes deletes search data of the table \"%1\" for good. Save the changes now?"},
    {7116, "Save Search Columns"},
    {7117, "The search column \"%1\" and all the data stored in it will be deleted when the changes are saved. Delete the column?"},
    {7118, "Delete Search Column"},
    {7119, "The search columns have been changed. Do you want to save the changes?"},
    {7120, "Picklist"},
    {7121, "Blanks Allowed"},
    {7122, "Default"},
    {7124, "Yes"},
    {7125, "No"},
    {7126, "Yes"},
    {7127, "No"},
    // Changing a column's type (%1 = column name, %2 / %3 = type names, counts as numbers)
    {7128, "Change Column Type"},
    {7129, "New type of the column \"%1\" (now %2):"},
    {7130, "All %1 stored values of the column \"%2\" can be converted to %3. Change the type now?"},
    {7131, "%1 stored values of the column \"%2\" can be converted to %3, but %4 cannot and will be emptied, for example:"},
    {7132, "Change the type and empty those values?"},
    {7133, "The picklist of the column \"%1\" will be deleted: a %2 column has no picklist."},
    {7134, "The type of the column \"%1\" could not be changed; the column is as it was."},
    // Column editor
    {7296, "Edit Search Column"},
    {7297, "New Search Column"},
    {7298, "Caption:"},
    {7299, "Name:"},
    {7300, "Description:"},
    {7301, "Length:"},
    {7302, "Type:"},
    {7303, "Picklist"},
    {7304, "Allow blank entries"},
    {7305, "Default:"},
    {7306, "Do not allow the date and time to be changed"},
    {7307, "The date and time are filled in when a record gets its search data and cannot be changed afterwards."},
    {7308, "Fixed date:"},
    {7309, "Date and time the record gets its search data"},
    // Data-entry control
    {7392, "Record of %1:"},
    // Comparisons (7488 + operation)
    {7488, "is false"},
    {7489, "is true"},
    {7490, "equals"},
    {7491, "does not equal"},
    {7492, "is less than"},
    {7493, "is greater than"},
    {7494, "is less than or equal to"},
    {7495, "is greater than or equal to"},
    {7496, "is like"},
    {7497, "is not like"},
    {7498, "includes"},
    {7499, "excludes"},
    // Filter dialog and filter help
    {7584, "Field"},
    {7585, "Comparison"},
    {7586, "Value"},
    {7587, "<none>"},
    {7588, "And"},
    {7589, "Or"},
    {7590, "Help"},
    {7591, "Filter Help"},
    {7592, "A filter is made of up to ten rows. In each row choose a field, a comparison and, where the comparison needs one, the value to compare with. Rows after the first are joined to the rows before them with And or Or."},
    {7593, "Texts are compared as they are typed. With \"is like\" and \"is not like\", % stands for any number of characters and _ for exactly one character; write \\% or \\_ to match the character itself."},
    {7594, "Keywords are tested with \"includes\" and \"excludes\": a record matches when its keyword list holds (or does not hold) the keyword typed. Yes/No fields are tested with \"is true\" and \"is false\" and need no value."},
    {7595, "Numbers are written in the format of your regional settings, for example %1."},
    {7596, "Dates and times are written in the format of your regional settings, for example %2 or %1, or as year-month-day with a 24-hour time, for example %3."},
    {7597, "Choose OK to apply the filter, Clear to remove all rows, or Cancel to keep the filter as it was."},
    {7598, "Fields You Can Filter On"},
    {7599, "How to Write Filter Values"},
    {7600, "Yes/No"},
    {7601, "Date/Time"},
    {7602, "Keyword, up to %1 characters"},
    {7603, "Number"},
    {7604, "Text, up to %1 characters"},
    // Filter dialog: the number of matching records (%1 the number) and the report of the terms of
    // the last filter that could not be restored (%1 the field, %2 the value typed)
    {7640, "%1 records match."},
    {7641, "1 record matches."},
    {7642, "No record matches."},
    {7643, "More than %1 records match."},
    {7644, "Counting the matching records..."},
    {7645, "The matching records cannot be counted."},
    {7646, "These conditions of your last filter could not be restored:"},
    {7647, "the search column \"%1\" no longer exists"},
    {7648, "the field \"%1\" no longer exists or cannot be filtered"},
    {7649, "\"%2\" is not a number (%1)"},
    {7650, "\"%2\" is not a date (%1)"},
    {7651, "the comparison no longer applies to %1"},
    {7652, "only the first %1 of its %2 conditions fit into the dialog"},
    // Filter help: the class name of a text field without a length of its own
    {7653, "Text"},
    // Status texts and banners of the data-entry control
    {7680, "No search columns are available."},
    {7681, "No search columns are defined for the table \"%1\"."},
    {7682, "The value of this field is not valid."},
    {7683, "The value of another field is not valid."},
    {7684, "The values of this field and of one other field are not valid."},
    {7685, "The values of this field and of %1 other fields are not valid."},
    {7686, "The values of %1 fields are not valid."},
    // Examine window
    {7872, "The search data has been changed. Do you want to save the changes?"},
    // Button captions
    {8064, "Reset"},
    {8065, "Close"},
    {8066, "OK"},
    {8067, "Apply"},
    {8068, "New"},
    {8069, "Delete"},
    {8070, "Edit"},
    {8071, "Up"},
    {8072, "Down"},
    {8073, "Cancel"},
    {8074, "Add"},
    {8075, "Remove"},
    {8076, "Clear"},
    {8077, "Picklist"},
    {8078, "Hide"},
    {8079, "Show"},
    {8080, "Save"},
    {8081, "Copy Template"},
    {8082, "Paste Template"},
    {8083, "Now"},
    {8084, "Change Type..."},
    {8085, "Help"},
    {8086, "Find:"},
    // Column editor: picklist switch (%1 = column name) and name warnings (%1 = the clashing text)
    {8160, "The picklist of the column \"%1\" will be deleted with all its entries; the values stored in the records are kept. Do you want to go on?"},
    {8161, "A picklist will be made for the column \"%1\" from the values already stored in the records."},
    {8162, "\"%1\" is the name of a field of the base table."},
    {8163, "The caption \"%1\" is the name of a field of the base table."},
    {8164, "Another search column is already named \"%1\"."},
    {8165, "The caption \"%1\" is the name of another search column."},
    {8166, "The name \"%1\" is the caption of another search column."},
    {8167, "Another search column already has the caption \"%1\"."},
    {8168, "The name \"%1\" is too long for the table \"%2\": a column name may have at most %3 bytes."},
    // Picklist editor (%1 = column name, %2 = default entry)
    {8352, "Picklist of %1"},
    {8353, "Choose the column whose picklist you want to edit:"},
    {8354, "New Entries"},
    {8355, "The entries of the picklist of the column \"%1\". Type new entries on the first page; check entries to hide, show or remove them."},
    {8356, "Entries"},
    {8357, "The entries of the picklist of the column \"%1\". Type new entries on the first page; check entries to hide, show or remove them. The default entry \"%2\" cannot be checked."},
    // Locked-record messages of the picklists: a message and its second line
    {8358, "The blank entry of the picklist could not be changed."},
    {8359, "The picklist is locked by another user, so the blank entry could not be added."},
    {8360, "The picklist is locked by another user, so the blank entry could not be removed."},
    {8361, "The picklist default could not be written into the search data."},
    {8362, "A record is locked by another user, so its search data could not be saved."},
    {8363, "The default entry could not be added to the picklist."},
    {8364, "The picklist is locked by another user, so the entry could not be saved."},
    {8365, "The picklist entries could not be hidden."},
    {8366, "The picklist is locked by another user, so the entries could not be saved as hidden."},
    {8367, "The picklist entries could not be shown again."},
    {8368, "The picklist is locked by another user, so the entries could not be saved as shown."},
    {8369, "The hidden picklist entries could not be removed."},
    {8370, "The picklist is locked by another user, so the hidden entries could not be removed."},
    {8371, "The picklist entries could not be removed."},
    {8372, "The picklist is locked by another user, so the entries could not be removed."},
    {8373, "The new picklist entries could not be saved."},
    {8374, "The picklist is locked by another user, so the new entries could not be saved."},
    // Picklist editor: the hidden entries' page and why a new entry is refused (%1 = the entry,
    // %2 = the column's type name)
    {8375, "Hidden Entries"},
    {8376, "\"%1\" is in the picklist already."},
    {8377, "\"%1\" is no value of the type %2."},
    // Locked-record messages of the search data: a message and its second line
    {8456, "The search column definitions could not be saved."},
    {8457, "The definition table is locked by another user, so the definitions could not be saved."},
    {8458, "A record is locked by another user, so the default value could not be saved in its search data."},
    {8459, "The search data could not be copied."},
    {8460, "The target record is locked by another user, so its search data could not be saved as a new row."},
    {8461, "The target record is locked by another user, so its search data could not be saved."},
    {8462, "The keywords could not be copied."},
    {8463, "The target record is locked by another user, so its old keywords could not be removed."},
    {8464, "The target record is locked by another user, so its keywords could not be saved."},
    {8469, "The search column definitions could not be opened."},
    {8470, "The definition table is locked by another user."},
    {8471, "The search data could not be saved."},
    {8472, "The record is locked by another user, so its search data could not be saved as a new row."},
    {8473, "The record is locked by another user, so its search data could not be saved."},
    {8474, "The search data could not be merged."},
    {8476, "The target record is locked by another user, so the merged search data could not be saved."},
    {8477, "The keywords could not be saved."},
    {8478, "The record is locked by another user, so its old keywords could not be removed."},
    {8479, "The record is locked by another user, so its keywords could not be saved."},
    // Table check
    {8495, "Checking the search data of %1: %2"},
    // Kept picklist entries
    {8548, "These entries could not be removed because records still use them:"},
    {8549, "These hidden entries could not be removed because records still use them:"},
    {8550, "Hidden entries are no longer offered for new values; the records that use them keep them."},
    {8551, "Choose %1 to hide the entries instead, or %2 to keep them as they are."},
    {8552, "Picklist Entries Kept"},
    // Host kit
    {9000, "The table \"%1\" must be converted. Convert it now?"},
};
// clang-format on

// The pictures are XPM images in the host kit's resources (pictures/*.xpm).
struct PictureEntry
{
    int number;
    const char *file;
};

constexpr PictureEntry builtInPictures[] = {
        {PictureId::EditDataLarge, ":/kvo/pictures/edit_data_large.xpm"},
        {PictureId::FilterLarge, ":/kvo/pictures/filter_large.xpm"},
        {PictureId::ClearFilterLarge, ":/kvo/pictures/clear_filter_large.xpm"},
        {PictureId::EditDataSmall, ":/kvo/pictures/edit_data_small.xpm"},
        {PictureId::FilterSmall, ":/kvo/pictures/filter_small.xpm"},
        {PictureId::ClearFilterSmall, ":/kvo/pictures/clear_filter_small.xpm"},
        {PictureId::BaseTableField, ":/kvo/pictures/base_table_field.xpm"},
        {PictureId::SearchColumn, ":/kvo/pictures/search_column.xpm"},
};

} // namespace

ResourceTexts::ResourceTexts()
{
    loadPictureResources();
    m_texts.reserve(int(std::size(builtInTexts)));
    for (const TextEntry &entry : builtInTexts)
        m_texts.insert(entry.number, QString::fromUtf8(entry.text));
}

ResourceTexts &ResourceTexts::instance()
{
    static ResourceTexts texts;
    return texts;
}

QString ResourceTexts::Text(int number, const QStringList &args) const
{
    if (number == 0)
        return {};
    auto found = m_overrides.constFind(number);
    if (found == m_overrides.constEnd()) {
        found = m_texts.constFind(number);
        if (found == m_texts.constEnd())
            return {};
    }
    return substitute(found.value(), args);
}

bool ResourceTexts::hasText(int number) const
{
    return number != 0 && (m_overrides.contains(number) || m_texts.contains(number));
}

QList<int> ResourceTexts::textNumbers() const
{
    QList<int> numbers = m_texts.keys();
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// One pass over the text, so an argument that itself holds "%1" is never replaced again. A
// placeholder takes one or two digits, the longest that names an argument.
QString ResourceTexts::substitute(const QString &text, const QStringList &args)
{
    if (args.isEmpty() || !text.contains(QLatin1Char('%')))
        return text;
    QString result;
    result.reserve(text.size() + 16 * args.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('%') && i + 1 < size && text.at(i + 1).isDigit()) {
            const int first = text.at(i + 1).digitValue();
            if (i + 2 < size && text.at(i + 2).isDigit()) {
                const int two = first * 10 + text.at(i + 2).digitValue();
                if (two >= 1 && two <= args.size()) {
                    result += args.at(two - 1);
                    i += 2;
                    continue;
                }
            }
            if (first >= 1 && first <= args.size()) {
                result += args.at(first - 1);
                i += 1;
                continue;
            }
        }
        result += ch;
    }
    return result;
}

Picture ResourceTexts::LoadPicture(int number) const
{
    for (const PictureEntry &entry : builtInPictures) {
        if (entry.number == number) {
            Picture picture;
            picture.Number = number;
            QFile file(QString::fromLatin1(entry.file));
            if (!file.open(QIODevice::ReadOnly))
                return {};
            picture.Data = file.readAll();
            picture.Format = QByteArrayLiteral("XPM");
            return picture;
        }
    }
    return {};
}

} // namespace KvoPlx800SCtl::HostKit
