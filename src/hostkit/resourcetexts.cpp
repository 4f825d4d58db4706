#include "resourcetexts.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

// The pictures are resources of a static library: a program gets them only when they are asked for
// by name (outside any namespace, as Q_INIT_RESOURCE needs).
static void loadPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace KvoPlx800SCtl::HostKit {

namespace {

// The built-in texts are translated in this context, with their English text as the source.
constexpr const char *TranslationContext = "ResourceTexts";

struct TextEntry
{
    int number;
    const char *text;
};

// The English texts, which are also the source texts of the translations (context
// "ResourceTexts"). Texts that take arguments say what %1, %2 ... stand for in the comment of their
// group; a translation keeps every placeholder of its text.
// clang-format off
constexpr TextEntry builtInTexts[] = {
    // Menu items and window captions (6816 + menu item)
    {6816, QT_TRANSLATE_NOOP("ResourceTexts", "Edit Search Data")},
    {6817, QT_TRANSLATE_NOOP("ResourceTexts", "Filter")},
    {6818, QT_TRANSLATE_NOOP("ResourceTexts", "Clear Filter")},
    {6819, QT_TRANSLATE_NOOP("ResourceTexts", "View Search Data")},
    {6820, QT_TRANSLATE_NOOP("ResourceTexts", "Include Search Data")},
    {6821, QT_TRANSLATE_NOOP("ResourceTexts", "Show Search Data Window")},
    {6822, QT_TRANSLATE_NOOP("ResourceTexts", "Switch to Search Columns")},
    {6823, QT_TRANSLATE_NOOP("ResourceTexts", "Edit Picklists")},
    // Status-line prompts by column type (%1 = text length where given)
    {6912, QT_TRANSLATE_NOOP("ResourceTexts", "Check the box for Yes, clear it for No.")},
    {6913, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a date, optionally followed by a time.")},
    {6914, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a number.")},
    {6915, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a whole number from -32768 to 32767.")},
    {6916, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a keyword of up to %1 characters and add it to the list.")},
    {6917, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a whole number from -2147483648 to 2147483647.")},
    {6918, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a number (single precision).")},
    {6919, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a text of up to %1 characters.")},
    {6920, QT_TRANSLATE_NOOP("ResourceTexts", "Enter a note; it may have several lines.")},
    // Display names of the column types
    {7008, QT_TRANSLATE_NOOP("ResourceTexts", "Yes/No")},
    {7009, QT_TRANSLATE_NOOP("ResourceTexts", "Date/Time")},
    {7010, QT_TRANSLATE_NOOP("ResourceTexts", "Number (double)")},
    {7011, QT_TRANSLATE_NOOP("ResourceTexts", "Integer (16-bit)")},
    {7012, QT_TRANSLATE_NOOP("ResourceTexts", "Keyword")},
    {7013, QT_TRANSLATE_NOOP("ResourceTexts", "Integer (32-bit)")},
    {7014, QT_TRANSLATE_NOOP("ResourceTexts", "Number (single)")},
    {7015, QT_TRANSLATE_NOOP("ResourceTexts", "Text")},
    {7016, QT_TRANSLATE_NOOP("ResourceTexts", "Undefined")},
    {7017, QT_TRANSLATE_NOOP("ResourceTexts", "Note")},
    // Configuration dialog
    {7104, QT_TRANSLATE_NOOP("ResourceTexts", "Configure Search Columns")},
    {7106, QT_TRANSLATE_NOOP("ResourceTexts", "Search columns of the table \"%1\":")},
    {7107, QT_TRANSLATE_NOOP("ResourceTexts", "Name")},
    {7108, QT_TRANSLATE_NOOP("ResourceTexts", "Type")},
    {7109, QT_TRANSLATE_NOOP("ResourceTexts", "Length")},
    {7111, QT_TRANSLATE_NOOP("ResourceTexts", "Database:")},
    {7112, QT_TRANSLATE_NOOP("ResourceTexts", "Table:")},
    {7113, QT_TRANSLATE_NOOP("ResourceTexts", "Key field:")},
    {7115, QT_TRANSLATE_NOOP("ResourceTexts", "Saving these changes deletes search data of the table \"%1\" for good. Save the changes now?")},
    {7116, QT_TRANSLATE_NOOP("ResourceTexts", "Save Search Columns")},
    {7117, QT_TRANSLATE_NOOP("ResourceTexts", "The search column \"%1\" and all the data stored in it will be deleted when the changes are saved. Delete the column?")},
    {7118, QT_TRANSLATE_NOOP("ResourceTexts", "Delete Search Column")},
    {7119, QT_TRANSLATE_NOOP("ResourceTexts", "The search columns have been changed. Do you want to save the changes?")},
    {7120, QT_TRANSLATE_NOOP("ResourceTexts", "Picklist")},
    {7121, QT_TRANSLATE_NOOP("ResourceTexts", "Blanks Allowed")},
    {7122, QT_TRANSLATE_NOOP("ResourceTexts", "Default")},
    {7124, QT_TRANSLATE_NOOP("ResourceTexts", "Yes")},
    {7125, QT_TRANSLATE_NOOP("ResourceTexts", "No")},
    {7126, QT_TRANSLATE_NOOP("ResourceTexts", "Yes")},
    {7127, QT_TRANSLATE_NOOP("ResourceTexts", "No")},
    // Changing a column's type (%1 = column name, %2 / %3 = type names, counts as numbers)
    {7128, QT_TRANSLATE_NOOP("ResourceTexts", "Change Column Type")},
    {7129, QT_TRANSLATE_NOOP("ResourceTexts", "New type of the column \"%1\" (now %2):")},
    {7130, QT_TRANSLATE_NOOP("ResourceTexts", "All %1 stored values of the column \"%2\" can be converted to %3. Change the type now?")},
    {7131, QT_TRANSLATE_NOOP("ResourceTexts", "%1 stored values of the column \"%2\" can be converted to %3, but %4 cannot and will be emptied, for example:")},
    {7132, QT_TRANSLATE_NOOP("ResourceTexts", "Change the type and empty those values?")},
    {7133, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist of the column \"%1\" will be deleted: a %2 column has no picklist.")},
    {7134, QT_TRANSLATE_NOOP("ResourceTexts", "The type of the column \"%1\" could not be changed; the column is as it was.")},
    // Column editor
    {7296, QT_TRANSLATE_NOOP("ResourceTexts", "Edit Search Column")},
    {7297, QT_TRANSLATE_NOOP("ResourceTexts", "New Search Column")},
    {7298, QT_TRANSLATE_NOOP("ResourceTexts", "Caption:")},
    {7299, QT_TRANSLATE_NOOP("ResourceTexts", "Name:")},
    {7300, QT_TRANSLATE_NOOP("ResourceTexts", "Description:")},
    {7301, QT_TRANSLATE_NOOP("ResourceTexts", "Length:")},
    {7302, QT_TRANSLATE_NOOP("ResourceTexts", "Type:")},
    {7303, QT_TRANSLATE_NOOP("ResourceTexts", "Picklist")},
    {7304, QT_TRANSLATE_NOOP("ResourceTexts", "Allow blank entries")},
    {7305, QT_TRANSLATE_NOOP("ResourceTexts", "Default:")},
    {7306, QT_TRANSLATE_NOOP("ResourceTexts", "Do not allow the date and time to be changed")},
    {7307, QT_TRANSLATE_NOOP("ResourceTexts", "The date and time are filled in when a record gets its search data and cannot be changed afterwards.")},
    {7308, QT_TRANSLATE_NOOP("ResourceTexts", "Fixed date:")},
    {7309, QT_TRANSLATE_NOOP("ResourceTexts", "Date and time the record gets its search data")},
    // Data-entry control
    {7392, QT_TRANSLATE_NOOP("ResourceTexts", "Record of %1:")},
    // Comparisons (7488 + operation)
    {7488, QT_TRANSLATE_NOOP("ResourceTexts", "is false")},
    {7489, QT_TRANSLATE_NOOP("ResourceTexts", "is true")},
    {7490, QT_TRANSLATE_NOOP("ResourceTexts", "equals")},
    {7491, QT_TRANSLATE_NOOP("ResourceTexts", "does not equal")},
    {7492, QT_TRANSLATE_NOOP("ResourceTexts", "is less than")},
    {7493, QT_TRANSLATE_NOOP("ResourceTexts", "is greater than")},
    {7494, QT_TRANSLATE_NOOP("ResourceTexts", "is less than or equal to")},
    {7495, QT_TRANSLATE_NOOP("ResourceTexts", "is greater than or equal to")},
    {7496, QT_TRANSLATE_NOOP("ResourceTexts", "is like")},
    {7497, QT_TRANSLATE_NOOP("ResourceTexts", "is not like")},
    {7498, QT_TRANSLATE_NOOP("ResourceTexts", "includes")},
    {7499, QT_TRANSLATE_NOOP("ResourceTexts", "excludes")},
    // Filter dialog and filter help
    {7584, QT_TRANSLATE_NOOP("ResourceTexts", "Field")},
    {7585, QT_TRANSLATE_NOOP("ResourceTexts", "Comparison")},
    {7586, QT_TRANSLATE_NOOP("ResourceTexts", "Value")},
    {7587, QT_TRANSLATE_NOOP("ResourceTexts", "<none>")},
    {7588, QT_TRANSLATE_NOOP("ResourceTexts", "And")},
    {7589, QT_TRANSLATE_NOOP("ResourceTexts", "Or")},
    {7590, QT_TRANSLATE_NOOP("ResourceTexts", "Help")},
    {7591, QT_TRANSLATE_NOOP("ResourceTexts", "Filter Help")},
    {7592, QT_TRANSLATE_NOOP("ResourceTexts", "A filter is made of up to ten rows. In each row choose a field, a comparison and, where the comparison needs one, the value to compare with. Rows after the first are joined to the rows before them with And or Or.")},
    {7593, QT_TRANSLATE_NOOP("ResourceTexts", "Texts are compared as they are typed. With \"is like\" and \"is not like\", % stands for any number of characters and _ for exactly one character; write \\% or \\_ to match the character itself.")},
    {7594, QT_TRANSLATE_NOOP("ResourceTexts", "Keywords are tested with \"includes\" and \"excludes\": a record matches when its keyword list holds (or does not hold) the keyword typed. Yes/No fields are tested with \"is true\" and \"is false\" and need no value.")},
    {7595, QT_TRANSLATE_NOOP("ResourceTexts", "Numbers are written in the format of your regional settings, for example %1.")},
    {7596, QT_TRANSLATE_NOOP("ResourceTexts", "Dates and times are written in the format of your regional settings, for example %2 or %1, or as year-month-day with a 24-hour time, for example %3.")},
    {7597, QT_TRANSLATE_NOOP("ResourceTexts", "Choose OK to apply the filter, Clear to remove all rows, or Cancel to keep the filter as it was.")},
    {7598, QT_TRANSLATE_NOOP("ResourceTexts", "Fields You Can Filter On")},
    {7599, QT_TRANSLATE_NOOP("ResourceTexts", "How to Write Filter Values")},
    {7600, QT_TRANSLATE_NOOP("ResourceTexts", "Yes/No")},
    {7601, QT_TRANSLATE_NOOP("ResourceTexts", "Date/Time")},
    {7602, QT_TRANSLATE_NOOP("ResourceTexts", "Keyword, up to %1 characters")},
    {7603, QT_TRANSLATE_NOOP("ResourceTexts", "Number")},
    {7604, QT_TRANSLATE_NOOP("ResourceTexts", "Text, up to %1 characters")},
    // Filter dialog: the number of matching records (%1 the number) and the report of the terms of
    // the last filter that could not be restored (%1 the field, %2 the value typed)
    {7640, QT_TRANSLATE_NOOP("ResourceTexts", "%1 records match.")},
    {7641, QT_TRANSLATE_NOOP("ResourceTexts", "1 record matches.")},
    {7642, QT_TRANSLATE_NOOP("ResourceTexts", "No record matches.")},
    {7643, QT_TRANSLATE_NOOP("ResourceTexts", "More than %1 records match.")},
    {7644, QT_TRANSLATE_NOOP("ResourceTexts", "Counting the matching records...")},
    {7645, QT_TRANSLATE_NOOP("ResourceTexts", "The matching records cannot be counted.")},
    {7646, QT_TRANSLATE_NOOP("ResourceTexts", "These conditions of your last filter could not be restored:")},
    {7647, QT_TRANSLATE_NOOP("ResourceTexts", "the search column \"%1\" no longer exists")},
    {7648, QT_TRANSLATE_NOOP("ResourceTexts", "the field \"%1\" no longer exists or cannot be filtered")},
    {7649, QT_TRANSLATE_NOOP("ResourceTexts", "\"%2\" is not a number (%1)")},
    {7650, QT_TRANSLATE_NOOP("ResourceTexts", "\"%2\" is not a date (%1)")},
    {7651, QT_TRANSLATE_NOOP("ResourceTexts", "the comparison no longer applies to %1")},
    {7652, QT_TRANSLATE_NOOP("ResourceTexts", "only the first %1 of its %2 conditions fit into the dialog")},
    // Filter help: the class name of a text field without a length of its own
    {7653, QT_TRANSLATE_NOOP("ResourceTexts", "Text")},
    // Status texts and banners of the data-entry control
    {7680, QT_TRANSLATE_NOOP("ResourceTexts", "No search columns are available.")},
    {7681, QT_TRANSLATE_NOOP("ResourceTexts", "No search columns are defined for the table \"%1\".")},
    {7682, QT_TRANSLATE_NOOP("ResourceTexts", "The value of this field is not valid.")},
    {7683, QT_TRANSLATE_NOOP("ResourceTexts", "The value of another field is not valid.")},
    {7684, QT_TRANSLATE_NOOP("ResourceTexts", "The values of this field and of one other field are not valid.")},
    {7685, QT_TRANSLATE_NOOP("ResourceTexts", "The values of this field and of %1 other fields are not valid.")},
    {7686, QT_TRANSLATE_NOOP("ResourceTexts", "The values of %1 fields are not valid.")},
    // Examine window
    {7872, QT_TRANSLATE_NOOP("ResourceTexts", "The search data has been changed. Do you want to save the changes?")},
    // Button captions
    {8064, QT_TRANSLATE_NOOP("ResourceTexts", "Reset")},
    {8065, QT_TRANSLATE_NOOP("ResourceTexts", "Close")},
    {8066, QT_TRANSLATE_NOOP("ResourceTexts", "OK")},
    {8067, QT_TRANSLATE_NOOP("ResourceTexts", "Apply")},
    {8068, QT_TRANSLATE_NOOP("ResourceTexts", "New")},
    {8069, QT_TRANSLATE_NOOP("ResourceTexts", "Delete")},
    {8070, QT_TRANSLATE_NOOP("ResourceTexts", "Edit")},
    {8071, QT_TRANSLATE_NOOP("ResourceTexts", "Up")},
    {8072, QT_TRANSLATE_NOOP("ResourceTexts", "Down")},
    {8073, QT_TRANSLATE_NOOP("ResourceTexts", "Cancel")},
    {8074, QT_TRANSLATE_NOOP("ResourceTexts", "Add")},
    {8075, QT_TRANSLATE_NOOP("ResourceTexts", "Remove")},
    {8076, QT_TRANSLATE_NOOP("ResourceTexts", "Clear")},
    {8077, QT_TRANSLATE_NOOP("ResourceTexts", "Picklist")},
    {8078, QT_TRANSLATE_NOOP("ResourceTexts", "Hide")},
    {8079, QT_TRANSLATE_NOOP("ResourceTexts", "Show")},
    {8080, QT_TRANSLATE_NOOP("ResourceTexts", "Save")},
    {8081, QT_TRANSLATE_NOOP("ResourceTexts", "Copy Template")},
    {8082, QT_TRANSLATE_NOOP("ResourceTexts", "Paste Template")},
    {8083, QT_TRANSLATE_NOOP("ResourceTexts", "Now")},
    {8084, QT_TRANSLATE_NOOP("ResourceTexts", "Change Type...")},
    {8085, QT_TRANSLATE_NOOP("ResourceTexts", "Help")},
    {8086, QT_TRANSLATE_NOOP("ResourceTexts", "Find:")},
    // Column editor: picklist switch (%1 = column name) and name warnings (%1 = the clashing text)
    {8160, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist of the column \"%1\" will be deleted with all its entries; the values stored in the records are kept. Do you want to go on?")},
    {8161, QT_TRANSLATE_NOOP("ResourceTexts", "A picklist will be made for the column \"%1\" from the values already stored in the records.")},
    {8162, QT_TRANSLATE_NOOP("ResourceTexts", "\"%1\" is the name of a field of the base table.")},
    {8163, QT_TRANSLATE_NOOP("ResourceTexts", "The caption \"%1\" is the name of a field of the base table.")},
    {8164, QT_TRANSLATE_NOOP("ResourceTexts", "Another search column is already named \"%1\".")},
    {8165, QT_TRANSLATE_NOOP("ResourceTexts", "The caption \"%1\" is the name of another search column.")},
    {8166, QT_TRANSLATE_NOOP("ResourceTexts", "The name \"%1\" is the caption of another search column.")},
    {8167, QT_TRANSLATE_NOOP("ResourceTexts", "Another search column already has the caption \"%1\".")},
    {8168, QT_TRANSLATE_NOOP("ResourceTexts", "The name \"%1\" is too long for the table \"%2\": a column name may have at most %3 bytes.")},
    // Picklist editor (%1 = column name, %2 = default entry)
    {8352, QT_TRANSLATE_NOOP("ResourceTexts", "Picklist of %1")},
    {8353, QT_TRANSLATE_NOOP("ResourceTexts", "Choose the column whose picklist you want to edit:")},
    {8354, QT_TRANSLATE_NOOP("ResourceTexts", "New Entries")},
    {8355, QT_TRANSLATE_NOOP("ResourceTexts", "The entries of the picklist of the column \"%1\". Type new entries on the first page; check entries to hide, show or remove them.")},
    {8356, QT_TRANSLATE_NOOP("ResourceTexts", "Entries")},
    {8357, QT_TRANSLATE_NOOP("ResourceTexts", "The entries of the picklist of the column \"%1\". Type new entries on the first page; check entries to hide, show or remove them. The default entry \"%2\" cannot be checked.")},
    // Locked-record messages of the picklists: a message and its second line
    {8358, QT_TRANSLATE_NOOP("ResourceTexts", "The blank entry of the picklist could not be changed.")},
    {8359, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the blank entry could not be added.")},
    {8360, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the blank entry could not be removed.")},
    {8361, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist default could not be written into the search data.")},
    {8362, QT_TRANSLATE_NOOP("ResourceTexts", "A record is locked by another user, so its search data could not be saved.")},
    {8363, QT_TRANSLATE_NOOP("ResourceTexts", "The default entry could not be added to the picklist.")},
    {8364, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the entry could not be saved.")},
    {8365, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist entries could not be hidden.")},
    {8366, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the entries could not be saved as hidden.")},
    {8367, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist entries could not be shown again.")},
    {8368, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the entries could not be saved as shown.")},
    {8369, QT_TRANSLATE_NOOP("ResourceTexts", "The hidden picklist entries could not be removed.")},
    {8370, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the hidden entries could not be removed.")},
    {8371, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist entries could not be removed.")},
    {8372, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the entries could not be removed.")},
    {8373, QT_TRANSLATE_NOOP("ResourceTexts", "The new picklist entries could not be saved.")},
    {8374, QT_TRANSLATE_NOOP("ResourceTexts", "The picklist is locked by another user, so the new entries could not be saved.")},
    // Picklist editor: the hidden entries' page and why a new entry is refused (%1 = the entry,
    // %2 = the column's type name)
    {8375, QT_TRANSLATE_NOOP("ResourceTexts", "Hidden Entries")},
    {8376, QT_TRANSLATE_NOOP("ResourceTexts", "\"%1\" is in the picklist already.")},
    {8377, QT_TRANSLATE_NOOP("ResourceTexts", "\"%1\" is no value of the type %2.")},
    // Locked-record messages of the search data: a message and its second line
    {8456, QT_TRANSLATE_NOOP("ResourceTexts", "The search column definitions could not be saved.")},
    {8457, QT_TRANSLATE_NOOP("ResourceTexts", "The definition table is locked by another user, so the definitions could not be saved.")},
    {8458, QT_TRANSLATE_NOOP("ResourceTexts", "A record is locked by another user, so the default value could not be saved in its search data.")},
    {8459, QT_TRANSLATE_NOOP("ResourceTexts", "The search data could not be copied.")},
    {8460, QT_TRANSLATE_NOOP("ResourceTexts", "The target record is locked by another user, so its search data could not be saved as a new row.")},
    {8461, QT_TRANSLATE_NOOP("ResourceTexts", "The target record is locked by another user, so its search data could not be saved.")},
    {8462, QT_TRANSLATE_NOOP("ResourceTexts", "The keywords could not be copied.")},
    {8463, QT_TRANSLATE_NOOP("ResourceTexts", "The target record is locked by another user, so its old keywords could not be removed.")},
    {8464, QT_TRANSLATE_NOOP("ResourceTexts", "The target record is locked by another user, so its keywords could not be saved.")},
    {8469, QT_TRANSLATE_NOOP("ResourceTexts", "The search column definitions could not be opened.")},
    {8470, QT_TRANSLATE_NOOP("ResourceTexts", "The definition table is locked by another user.")},
    {8471, QT_TRANSLATE_NOOP("ResourceTexts", "The search data could not be saved.")},
    {8472, QT_TRANSLATE_NOOP("ResourceTexts", "The record is locked by another user, so its search data could not be saved as a new row.")},
    {8473, QT_TRANSLATE_NOOP("ResourceTexts", "The record is locked by another user, so its search data could not be saved.")},
    {8474, QT_TRANSLATE_NOOP("ResourceTexts", "The search data could not be merged.")},
    {8476, QT_TRANSLATE_NOOP("ResourceTexts", "The target record is locked by another user, so the merged search data could not be saved.")},
    {8477, QT_TRANSLATE_NOOP("ResourceTexts", "The keywords could not be saved.")},
    {8478, QT_TRANSLATE_NOOP("ResourceTexts", "The record is locked by another user, so its old keywords could not be removed.")},
    {8479, QT_TRANSLATE_NOOP("ResourceTexts", "The record is locked by another user, so its keywords could not be saved.")},
    // Table check
    {8495, QT_TRANSLATE_NOOP("ResourceTexts", "Checking the search data of %1: %2")},
    // Kept picklist entries
    {8548, QT_TRANSLATE_NOOP("ResourceTexts", "These entries could not be removed because records still use them:")},
    {8549, QT_TRANSLATE_NOOP("ResourceTexts", "These hidden entries could not be removed because records still use them:")},
    {8550, QT_TRANSLATE_NOOP("ResourceTexts", "Hidden entries are no longer offered for new values; the records that use them keep them.")},
    {8551, QT_TRANSLATE_NOOP("ResourceTexts", "Choose %1 to hide the entries instead, or %2 to keep them as they are.")},
    {8552, QT_TRANSLATE_NOOP("ResourceTexts", "Picklist Entries Kept")},
    // Host kit
    {9000, QT_TRANSLATE_NOOP("ResourceTexts", "The table \"%1\" must be converted. Convert it now?")},
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
    // A host's own text is used as it is; a built-in one in the language of the installed
    // translators, looked up anew each time so that a language switch shows at once.
    if (auto own = m_overrides.constFind(number); own != m_overrides.constEnd())
        return substitute(own.value(), args);
    auto found = m_texts.constFind(number);
    if (found == m_texts.constEnd())
        return {};
    return substitute(QCoreApplication::translate(TranslationContext, found.value().toUtf8().constData()), args);
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
