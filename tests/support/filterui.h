#pragma once

#include "testui.h"

#include "filter/cfilterterms.h"
#include "filter/filterfields.h"
#include "filter/ui/frmfilter.h"

// Filling the rows of the filter dialog as a user does, for the widget tests.
namespace KvoTest {

using namespace KvoPlx800SCtl;

inline const QStringList operationWords = {"isfalse", "istrue", "=",    "<>",      "<",        ">",
                                           "<=",      ">=",     "like", "notlike", "includes", "excludes"};

// Fills the next row of the dialog as a user does: "[and |or ]Field op [value]", the field named
// as the command-line tool names it (base.X for a field of the base table); the value is typed.
inline bool fillFilterRow(KvoPlx800SCtl::frmFilter &dialog, int row, const QString &term)
{
    QStringList words = term.split(u' ');
    const QString conjunction = words.first();
    if (conjunction == QStringLiteral("and") || conjunction == QStringLiteral("or")) {
        words.removeFirst();
        QComboBox *box = dialog.cboConjunction(row);
        if (!box || !box->isEnabled())
            return false;
        box->setCurrentIndex(box->findData(conjunction == QStringLiteral("and") ? int(kvoCJ_And) : int(kvoCJ_OR)));
    }
    QString field = words.takeFirst();
    const bool base = field.startsWith(QStringLiteral("base."));
    field = base ? field.mid(5) : field;
    const int operation = int(operationWords.indexOf(words.takeFirst()));
    const QString value = words.join(u' ');

    QComboBox *fields = dialog.imgcboFields(row);
    if (!fields || !fields->isEnabled())
        return false;
    CFilterColumns *columns = dialog.termsFromRows()->FilterColumns();
    const QList<FilterField> list = filterFields(*columns);
    int item = -1;
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).isBase() == base && list.at(i).name() == field)
            item = fields->findData(i);
    }
    if (item < 0)
        return false;
    fields->setCurrentIndex(item);
    QComboBox *comparison = dialog.cboComparison(row);
    comparison->setCurrentIndex(comparison->findData(operation));
    if (comparison->currentData().toInt() != operation)
        return false;
    QLineEdit *box = dialog.txtCompareTo(row);
    if (!box->isEnabled())
        return value.isEmpty();
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, value);
    return box->text() == value;
}

// Once the filter dialog runs modally: fills its rows with `terms` (as fillFilterRow) and clicks
// `button`; a row that cannot be filled closes the dialog as Cancel does.
inline void answerFilterDialog(QObject *context, const QStringList &terms, const char *button)
{
    QTimer::singleShot(0, context, [terms, button] {
        auto *dialog = qobject_cast<KvoPlx800SCtl::frmFilter *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (int row = 0; row < terms.size(); ++row) {
            if (!fillFilterRow(*dialog, row, terms.at(row))) {
                dialog->reject();
                return;
            }
        }
        QTest::mouseClick(dialog->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
    });
}

} // namespace KvoTest
