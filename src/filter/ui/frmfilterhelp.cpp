#include "frmfilterhelp.h"

#include "columns/cfiltercolumn.h"
#include "columns/cfiltercolumns.h"
#include "core/conversions.h"
#include "core/interfaces.h"
#include "core/tracescope.h"
#include "filter/filterfields.h"

#include "hostkit/basetablestructure.h"
#include "hostkit/resourcetexts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using HostKit::ResourceTexts;

namespace {

constexpr const char *Module = "frmFilterHelp";

constexpr int HelpCaption = 7591;
constexpr int FilterCaption = 6817;
constexpr int OkButton = 8066;
constexpr int ColumnsTitle = 7598;
constexpr int GeneralTitle = 7599;
constexpr int GeneralParagraphs[] = {7592, 7593, 7594, 7595, 7596, 7597};
constexpr int NumberExample = 7595;
constexpr int DateExamples = 7596;
constexpr int AnyLengthText = 7653;

const QString ParagraphBreak = QStringLiteral("\n\n");

QString text(int number, const QStringList &args = {}) { return ResourceTexts::instance().Text(number, args); }

} // namespace

frmFilterHelp::frmFilterHelp(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFilterHelp"));
    setModal(true);
    setSizeGripEnabled(true);
    InitializeControls();
}

void frmFilterHelp::InitializeControls()
{
    traced("InitializeControls", Module, [&] {
        auto *layout = new QVBoxLayout(this);
        m_rtfHelp = new QTextBrowser(this);
        m_rtfHelp->setObjectName(QStringLiteral("rtfHelp"));
        m_rtfHelp->setReadOnly(true);
        layout->addWidget(m_rtfHelp, 1);

        // The button strip: the two views and OK. The layouts arrange it again on every resize.
        m_picButtons = new QWidget(this);
        m_picButtons->setObjectName(QStringLiteral("picButtons"));
        auto *strip = new QHBoxLayout(m_picButtons);
        strip->setContentsMargins(0, 0, 0, 0);
        const int titles[] = {GeneralTitle, ColumnsTitle};
        for (size_t i = 0; i < m_optView.size(); ++i) {
            auto *option = new QRadioButton(m_picButtons);
            option->setObjectName(QStringLiteral("optView"));
            setResourceText(option, titles[i]);
            option->setProperty("Index", int(i) + 1);
            connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
                if (on)
                    traced("optView_Click", Module, [&] { InitializeHelp(int(i) + 1); });
            });
            strip->addWidget(option);
            m_optView[i] = option;
        }
        strip->addStretch(1);
        m_cmdOk = new QPushButton(m_picButtons);
        m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
        setResourceText(m_cmdOk, OkButton);
        m_cmdOk->setDefault(true);
        connect(m_cmdOk, &QPushButton::clicked, this, &QDialog::accept);
        strip->addWidget(m_cmdOk);
        layout->addWidget(m_picButtons);
        m_optView[0]->setChecked(true);
        resize(560, 420);
    });
}

void frmFilterHelp::Display(CFilterColumns &columns)
{
    traced("Display", Module, [&] {
        prepare(columns);
        exec();
    });
}

void frmFilterHelp::prepare(CFilterColumns &columns)
{
    traced("Display", Module, [&] {
        m_columns = &columns;
        const ISearchBaseTable *table = columns.baseTable();
        const QString help = table ? table->EditFilterHelpCaption() : QString();
        const QString filter = table ? table->EditFilterCaption() : QString();
        setTranslatedText(this, [help, filter] {
            return (help.isEmpty() ? text(HelpCaption) : help) + QStringLiteral(" - ")
                   + (filter.isEmpty() ? text(FilterCaption) : filter);
        });
        InitializeHelp(OptionView());
        m_centreIn = columns.ownerRect();
        centreInOwner(this, *m_centreIn);
    });
}

void frmFilterHelp::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslateTexts(this);
}

void frmFilterHelp::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_centreIn) {
        centreInOwner(this, *m_centreIn);
        m_centreIn.reset();
    }
}

int frmFilterHelp::OptionView() const
{
    return traced("OptionView(Get)", Module, GeneralView,
                  [&](int &result) { result = m_optView[1]->isChecked() ? ColumnsView : GeneralView; });
}

void frmFilterHelp::setOptionView(int view) { m_optView[view == GeneralView ? 0 : 1]->setChecked(true); }

void frmFilterHelp::InitializeHelp(int view)
{
    traced("InitializeHelp", Module, [&] {
        setTranslatedText(m_rtfHelp,
                          [this, view] { return view == GeneralView ? GeneralHelpText() : ColumnsHelpText(); });
    });
}

QString frmFilterHelp::GeneralHelpText() const
{
    return traced("GeneralHelpText", Module, QString(), [&](QString &result) {
        const QDateTime now = Convert::now();
        QStringList paragraphs;
        for (const int number : GeneralParagraphs) {
            if (number == NumberExample)
                paragraphs.append(text(number, {Convert::displayText(Variant::single(-123.456f))}));
            else if (number == DateExamples)
                paragraphs.append(text(number, {Convert::displayLongTime(now.time()),
                                                Convert::displayLongDate(now.date()), Convert::isoText(now)}));
            else
                paragraphs.append(text(number));
        }
        result = paragraphs.join(ParagraphBreak);
    });
}

QString frmFilterHelp::ColumnsHelpText() const
{
    return traced("ColumnsHelpText", Module, QString(), [&](QString &result) {
        if (!m_columns)
            return;
        const ISearchBaseTable *table = m_columns->baseTable();
        QStringList paragraphs;
        for (const FilterField &field : filterFields(*m_columns)) {
            if (const CFilterColumn *column = field.column) {
                QString entry = field.caption() + QStringLiteral(" (")
                                + ComparisonClassName(field.comparisonClass, column->TextLengthInUI())
                                + QLatin1Char(')');
                if (!column->Description().isEmpty())
                    entry += QLatin1Char('\n') + column->Description();
                paragraphs.append(entry);
            } else {
                paragraphs.append(field.caption() + QStringLiteral(" (")
                                  + ComparisonClassName(field.comparisonClass, field.baseField->Size)
                                  + QStringLiteral(")\n")
                                  + (table ? table->EditFilterColumnHelpText(field.name()) : QString()));
            }
        }
        result = paragraphs.join(ParagraphBreak);
    });
}

QString frmFilterHelp::ComparisonClassName(FilterComparisonClasses cls, int textLength)
{
    return traced("ComparisonClassName(Get)", Module, QString(), [&](QString &result) {
        static const QHash<int, int> names = {{kvoCC_Boolean, 7600},
                                              {kvoCC_Date, 7601},
                                              {kvoCC_Keyword, 7602},
                                              {kvoCC_Numeric, 7603},
                                              {kvoCC_Text, 7604}};
        int number = names.value(cls);
        // A text without a length of its own: a long text field of the base table.
        if (cls == kvoCC_Text && textLength <= 0)
            number = AnyLengthText;
        if (number)
            result = text(number, {QString::number(textLength)});
    });
}

} // namespace KvoPlx800SCtl
