#include "frmfilter.h"

#include "frmfilterhelp.h"

#include "columns/basvalidate.h"
#include "columns/cfiltercolumns.h"
#include "control/widgetcontrols.h"
#include "core/interfaces.h"
#include "core/tracescope.h"
#include "filter/cfilterterms.h"
#include "filter/recordcount.h"

#include "hostkit/resourcetexts.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace KvoPlx800SCtl {

using HostKit::ResourceTexts;

namespace {

constexpr const char *Module = "frmFilter";

// Resource texts.
constexpr int Caption = 6817;
constexpr int FieldsLabel = 7584;
constexpr int ComparisonLabel = 7585;
constexpr int CompareToLabel = 7586;
constexpr int NoneItem = 7587;
constexpr int AndItem = 7588;
constexpr int OrItem = 7589;
constexpr int HelpMenu = 7590;
constexpr int HelpDisplayMenu = 7591;
constexpr int FirstComparison = 7488; // + operation
constexpr int CancelButton = 8073;
constexpr int ClearButton = 8076;
constexpr int OkButton = 8066;
constexpr int HelpButton = 8085;
constexpr int RecordsMatch = 7640;
constexpr int OneRecordMatches = 7641;
constexpr int NoRecordMatches = 7642;
constexpr int MoreRecordsMatch = 7643;
constexpr int Counting = 7644;
constexpr int CannotCount = 7645;
constexpr int NotRestored = 7646;
constexpr int BeyondTheRows = 7652;

// Item data of the none item of a field list; other items carry their field's index.
constexpr int NoneData = -1;

const QString Valid = QStringLiteral("True");
const QString Invalid = QStringLiteral("False");

QString text(int number, const QStringList &args = {}) { return ResourceTexts::instance().Text(number, args); }

bool takesValue(FilterComparisonClasses cls) { return cls != kvoCC_Boolean && cls != kvoCC_Unknown; }

// The rule of a compare-to value, by the class of its row's field.
bool acceptable(FilterComparisonClasses cls, const QString &value)
{
    switch (cls) {
    case kvoCC_Keyword:
    case kvoCC_Text:
        return !value.trimmed().isEmpty();
    case kvoCC_Numeric:
        return basValidate::IsNumberText(value, true);
    case kvoCC_Date:
        return basValidate::IsDateText(value, true);
    default:
        return true;
    }
}

void emptyAndDisable(QComboBox *box)
{
    if (!box)
        return;
    const QSignalBlocker blocker(box);
    box->clear();
    box->setEnabled(false);
}

void selectData(QComboBox *box, int data)
{
    const int index = box->findData(data);
    if (index >= 0)
        box->setCurrentIndex(index);
}

} // namespace

frmFilter::frmFilter(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFilter"));
    setModal(true);
    initializeControls();
}

// The counter waits for a count that still runs (see RecordCounter).
frmFilter::~frmFilter() = default;

void frmFilter::initializeControls()
{
    traced("InitializeControls", Module, [&] {
        setResourceText(this, Caption);
        auto *layout = new QVBoxLayout(this);

        auto *menuBar = new QMenuBar(this);
        m_mnuHelp = menuBar->addMenu(QString());
        setResourceText(m_mnuHelp, HelpMenu);
        m_mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
        m_mnuHelpDisplay = m_mnuHelp->addAction(QString());
        setResourceText(m_mnuHelpDisplay, HelpDisplayMenu);
        m_mnuHelpDisplay->setObjectName(QStringLiteral("mnuHelpDisplay"));
        m_mnuHelpDisplay->setShortcut(QKeySequence::HelpContents);
        connect(m_mnuHelpDisplay, &QAction::triggered, this, [this] { showHelp(); });
        layout->setMenuBar(menuBar);

        auto *grid = new QGridLayout;
        const auto header = [&](QLabel *&label, const char *name, int number, int column) {
            label = new QLabel(this);
            label->setObjectName(QLatin1String(name));
            setResourceText(label, number);
            grid->addWidget(label, 0, column);
        };
        header(m_lblFields, "lblFields", FieldsLabel, 1);
        header(m_lblComparison, "lblComparison", ComparisonLabel, 2);
        header(m_lblCompareTo, "lblCompareTo", CompareToLabel, 3);

        const QIcon placeholder;
        for (int i = 0; i < Rows; ++i) {
            Row &row = m_rows[size_t(i)];
            if (i > 0) {
                row.conjunction = new QComboBox(this);
                row.conjunction->setObjectName(QStringLiteral("cboConjunction"));
                row.conjunction->setSizeAdjustPolicy(QComboBox::AdjustToContents);
                connect(row.conjunction, &QComboBox::currentIndexChanged, this, [this] { scheduleCount(); });
                grid->addWidget(row.conjunction, i + 1, 0);
            }
            row.fields = new QComboBox(this);
            row.fields->setObjectName(QStringLiteral("imgcboFields"));
            row.fields->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            connect(row.fields, &QComboBox::currentIndexChanged, this, [this, i] { imgcboFields_Click(i); });
            row.comparison = new QComboBox(this);
            row.comparison->setObjectName(QStringLiteral("cboComparison"));
            row.comparison->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            connect(row.comparison, &QComboBox::currentIndexChanged, this, [this] { scheduleCount(); });
            row.compareTo = new QLineEdit(this);
            row.compareTo->setObjectName(QStringLiteral("txtCompareTo"));
            row.compareTo->setMinimumWidth(row.compareTo->fontMetrics().averageCharWidth() * 24);
            row.compareTo->setProperty("Tag", Valid);
            row.compareTo->installEventFilter(this);
            // The keystroke check reads the box through the control interface.
            row.control = new LineEditControl(row.compareTo);
            connect(row.compareTo, &QLineEdit::textChanged, this, [this, i] { txtCompareTo_Change(i); });
            for (QWidget *w : {static_cast<QWidget *>(row.fields), static_cast<QWidget *>(row.comparison),
                               static_cast<QWidget *>(row.compareTo)})
                w->setProperty("Index", i);
            if (row.conjunction)
                row.conjunction->setProperty("Index", i);
            grid->addWidget(row.fields, i + 1, 1);
            grid->addWidget(row.comparison, i + 1, 2);
            grid->addWidget(row.compareTo, i + 1, 3);
            emptyAndDisable(row.fields);
            emptyAndDisable(row.comparison);
            emptyAndDisable(row.conjunction);
            row.compareTo->setEnabled(false);
        }
        grid->setColumnStretch(3, 1);
        layout->addLayout(grid);

        m_lblProblems = new QLabel(this);
        m_lblProblems->setObjectName(QStringLiteral("lblProblems"));
        m_lblProblems->setWordWrap(true);
        m_lblProblems->setTextFormat(Qt::PlainText);
        m_lblProblems->setFrameShape(QFrame::StyledPanel);
        m_lblProblems->setMargin(6);
        m_lblProblems->hide();
        layout->addWidget(m_lblProblems);

        auto *buttons = new QHBoxLayout;
        m_lblCount = new QLabel(this);
        m_lblCount->setObjectName(QStringLiteral("lblCount"));
        buttons->addWidget(m_lblCount, 1);
        const auto button = [&](const char *name, int number) {
            auto *b = new QPushButton(this);
            b->setObjectName(QLatin1String(name));
            setResourceText(b, number);
            b->setAutoDefault(false);
            buttons->addWidget(b);
            return b;
        };
        m_cmdOk = button("cmdOk", OkButton);
        m_cmdClear = button("cmdClear", ClearButton);
        m_cmdCancel = button("cmdCancel", CancelButton);
        m_cmdHelp = button("cmdHelp", HelpButton);
        m_cmdOk->setDefault(true);
        connect(m_cmdOk, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
        connect(m_cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
        connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
        connect(m_cmdHelp, &QPushButton::clicked, this, [this] { showHelp(); });
        layout->addLayout(buttons);

        m_tmrCount = new QTimer(this);
        m_tmrCount->setObjectName(QStringLiteral("tmrCount"));
        m_tmrCount->setSingleShot(true);
        m_tmrCount->setInterval(CountDelayMs);
        connect(m_tmrCount, &QTimer::timeout, this, [this] { count(); });
        ControlsUpdate();
    });
}

QComboBox *frmFilter::imgcboFields(int row) const
{
    return row >= 0 && row < Rows ? m_rows[size_t(row)].fields : nullptr;
}

QComboBox *frmFilter::cboComparison(int row) const
{
    return row >= 0 && row < Rows ? m_rows[size_t(row)].comparison : nullptr;
}

QLineEdit *frmFilter::txtCompareTo(int row) const
{
    return row >= 0 && row < Rows ? m_rows[size_t(row)].compareTo : nullptr;
}

QComboBox *frmFilter::cboConjunction(int row) const
{
    return row >= 1 && row < Rows ? m_rows[size_t(row)].conjunction : nullptr;
}

FilterDialogResult frmFilter::Filter(CFilterColumns &columns, const CFilterTerms *terms)
{
    return traced("Filter", Module, FilterDialogResult(), [&](FilterDialogResult &result) {
        Setup(columns, terms);
        const bool applied = exec() == QDialog::Accepted && m_result;
        result.status = applied ? FilterRequestStatus::Applied : FilterRequestStatus::Cancelled;
        if (applied)
            result.terms = takeResult();
    });
}

void frmFilter::Setup(CFilterColumns &columns, const CFilterTerms *terms)
{
    traced("Setup", Module, [&] {
        m_columns = &columns;
        m_fields = filterFields(columns);
        const ISearchBaseTable *baseTable = columns.baseTable();
        const QString caption = baseTable ? baseTable->EditFilterCaption() : QString();
        setTranslatedText(this, [caption] { return caption.isEmpty() ? text(Caption) : caption; });
        m_counter = std::make_unique<RecordCounter>(columns);
        connect(m_counter.get(), &RecordCounter::counted, this, &frmFilter::showCount);
        connect(m_counter.get(), &RecordCounter::failed, this, [this](int request) {
            if (request == m_countRequest)
                setResourceText(m_lblCount, CannotCount);
        });
        loadFieldList(0);
        imgcboFields_Click(0);
        if (terms)
            prefill(*terms);
        m_centreIn = columns.ownerRect();
        adjustSize();
        centreInOwner(this, *m_centreIn);
        count();
    });
}

void frmFilter::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslateTexts(this);
}

void frmFilter::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The frame is known now.
    if (m_centreIn) {
        centreInOwner(this, *m_centreIn);
        m_centreIn.reset();
    }
}

// The none item, then every field: search columns with their picture, then base-table fields.
void frmFilter::loadFieldList(int row)
{
    traced("LoadColumns", Module, [&] {
        QComboBox *box = imgcboFields(row);
        const QSignalBlocker blocker(box);
        box->clear();
        addTranslatedItem(box, resourceText(NoneItem), NoneData);
        const QIcon searchColumn =
                iconFromPicture(ResourceTexts::instance().LoadPicture(HostKit::PictureId::SearchColumn));
        const QIcon baseField =
                iconFromPicture(ResourceTexts::instance().LoadPicture(HostKit::PictureId::BaseTableField));
        for (int i = 0; i < m_fields.size(); ++i) {
            const FilterField &field = m_fields.at(i);
            box->addItem(field.isBase() ? baseField : searchColumn, field.caption(), i);
        }
        box->setCurrentIndex(0);
        box->setEnabled(true);
    });
}

void frmFilter::loadConjunctions(int row)
{
    QComboBox *box = cboConjunction(row);
    if (!box || box->count() > 0)
        return;
    const QSignalBlocker blocker(box);
    addTranslatedItem(box, resourceText(AndItem), int(kvoCJ_And));
    addTranslatedItem(box, resourceText(OrItem), int(kvoCJ_OR));
    box->setCurrentIndex(0);
    box->setEnabled(true);
}

const FilterField *frmFilter::selectedField(int row) const
{
    const QComboBox *box = imgcboFields(row);
    if (!box || box->currentIndex() < 0)
        return nullptr;
    const int index = box->currentData().toInt();
    return index >= 0 && index < m_fields.size() ? &m_fields.at(index) : nullptr;
}

// A field offers its comparisons and, unless it is a Yes/No field, its value box; the next row
// becomes available. The none item clears this row and every row after it.
void frmFilter::imgcboFields_Click(int row)
{
    if (m_selecting)
        return;
    traced("imgcboFields_Click", Module, [&] {
        m_selecting = true;
        const auto done = qScopeGuard([this] { m_selecting = false; });
        if (const FilterField *field = selectedField(row)) {
            QComboBox *comparison = cboComparison(row);
            {
                const QSignalBlocker blocker(comparison);
                comparison->clear();
                for (const EComparisonOperations op : comparisonsOf(field->comparisonClass))
                    addTranslatedItem(comparison, resourceText(FirstComparison + op), int(op));
                comparison->setCurrentIndex(0);
                comparison->setEnabled(true);
            }
            QLineEdit *compareTo = txtCompareTo(row);
            const bool value = takesValue(field->comparisonClass);
            if (!value)
                compareTo->clear();
            compareTo->setEnabled(value);
            if (row + 1 < Rows && imgcboFields(row + 1)->count() == 0) {
                loadConjunctions(row + 1);
                loadFieldList(row + 1);
            }
        } else {
            for (int i = row; i < Rows; ++i) {
                emptyAndDisable(cboComparison(i));
                QLineEdit *compareTo = txtCompareTo(i);
                const QSignalBlocker blocker(compareTo);
                compareTo->clear();
                compareTo->setEnabled(false);
                if (i > row) {
                    emptyAndDisable(cboConjunction(i));
                    emptyAndDisable(imgcboFields(i));
                }
            }
        }
        // Clearing an empty box emits no change: the mark is set here for every row touched.
        for (int i = row; i < Rows; ++i)
            txtCompareTo_Change(i);
    });
}

void frmFilter::txtCompareTo_Change(int row)
{
    traced("txtCompareTo_Change", Module, [&] {
        QLineEdit *box = txtCompareTo(row);
        const FilterField *field = selectedField(row);
        box->setProperty("Tag", !field || acceptable(field->comparisonClass, box->text()) ? Valid : Invalid);
        ControlsUpdate();
    });
}

// OK and Clear need a selected item in row 0 (the none item counts); OK also needs every row with
// a field and an open value box to hold an acceptable value.
void frmFilter::ControlsUpdate()
{
    traced("ControlsUpdate", Module, [&] {
        const bool started = imgcboFields(0)->currentIndex() >= 0;
        bool valid = started;
        for (int i = 0; valid && i < Rows; ++i) {
            const QLineEdit *box = txtCompareTo(i);
            if (imgcboFields(i)->currentIndex() >= 0 && box->isEnabled() && box->property("Tag").toString() == Invalid)
                valid = false;
        }
        m_cmdClear->setEnabled(started);
        m_cmdOk->setEnabled(valid);
        scheduleCount();
    });
}

std::unique_ptr<CFilterTerms> frmFilter::termsFromRows() const
{
    auto terms = std::make_unique<CFilterTerms>();
    terms->setFilterColumns(m_columns);
    if (!m_columns)
        return terms;
    for (int i = 0; i < Rows; ++i) {
        const FilterField *field = selectedField(i);
        if (!field)
            break;
        if (txtCompareTo(i)->property("Tag").toString() != Valid || cboComparison(i)->currentIndex() < 0)
            continue;
        const auto operation = EComparisonOperations(cboComparison(i)->currentData().toInt());
        const auto conjunction = i > 0 ? EConjunctions(cboConjunction(i)->currentData().toInt()) : kvoCJ_None;
        terms->Add(conjunction, field->table(*m_columns), field->name(), field->comparisonClass, operation,
                   txtCompareTo(i)->text());
    }
    return terms;
}

void frmFilter::cmdOK_Click()
{
    traced("cmdOK_Click", Module, [&] {
        if (!m_cmdOk->isEnabled())
            return;
        m_result = termsFromRows();
        accept();
    });
}

void frmFilter::cmdClear_Click()
{
    traced("cmdClear_Click", Module, [&] {
        imgcboFields(0)->setCurrentIndex(0);
        imgcboFields_Click(0);
        imgcboFields(0)->setFocus();
    });
}

void frmFilter::showHelp()
{
    traced("mnuHelpDisplay_Click", Module, [&] {
        if (!m_columns)
            return;
        frmFilterHelp help(this);
        help.Display(*m_columns);
    });
}

// The terms go into the rows in order; a term whose field is gone is left out (the rows after it
// move up), and what could not be restored as it was saved is reported above the buttons.
void frmFilter::prefill(const CFilterTerms &terms)
{
    traced("Setup", Module, [&] {
        QList<TranslatedText> report;
        for (const FilterTermProblem &problem : terms.Problems())
            report.append([problem] { return problem.text(); });
        int row = 0;
        for (const CFilterTerm *term : terms.NewEnum()) {
            const FilterField *field = fieldOf(m_fields, *term);
            if (!field)
                continue;
            if (row == Rows) {
                report.append(resourceText(BeyondTheRows, {QString::number(Rows), QString::number(terms.Count())}));
                break;
            }
            if (row > 0)
                selectData(cboConjunction(row), term->Conjunction());
            imgcboFields(row)->setCurrentIndex(imgcboFields(row)->findData(int(field - m_fields.constData())));
            selectData(cboComparison(row), term->Operation());
            if (takesValue(field->comparisonClass))
                txtCompareTo(row)->setText(term->CompareTo());
            txtCompareTo_Change(row);
            ++row;
        }
        setTranslatedText(m_lblProblems, [report] {
            QString shown = text(NotRestored);
            for (const TranslatedText &line : report)
                shown += QStringLiteral("\n\u2022 ") + line();
            return shown;
        });
        m_lblProblems->setVisible(!report.isEmpty());
    });
}

bool frmFilter::eventFilter(QObject *watched, QEvent *event)
{
    // Keys typed into a value box pass the keystroke check, with no length limit.
    if (event->type() == QEvent::KeyPress) {
        const int code = keystrokeCode(static_cast<QKeyEvent *>(event));
        for (const Row &row : m_rows) {
            if (row.compareTo == watched && code >= 0 && !basValidate::IsKeyAllowed(row.control, code, 0)) {
                QApplication::beep();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmFilter::scheduleCount()
{
    if (m_tmrCount && m_counter)
        m_tmrCount->start();
}

// The records the rows select, counted in the counter's thread; only the newest answer is shown.
void frmFilter::count()
{
    traced("tmrCount_Timer", Module, [&] {
        m_tmrCount->stop();
        if (!m_counter)
            return;
        if (!m_cmdOk->isEnabled()) {
            m_countRequest = 0; // an answer still under way no longer fits the rows
            setTranslatedText(m_lblCount, {});
            return;
        }
        const std::unique_ptr<CFilterTerms> terms = termsFromRows();
        m_countRequest = m_counter->request(terms->HasTerms() ? terms->SQLString() : QString());
        setResourceText(m_lblCount, Counting);
    });
}

void frmFilter::showCount(int request, qint64 count, bool more)
{
    if (request != m_countRequest)
        return;
    const QLocale locale;
    if (more)
        setResourceText(m_lblCount, MoreRecordsMatch, {locale.toString(m_counter->bound())});
    else if (count == 0)
        setResourceText(m_lblCount, NoRecordMatches);
    else if (count == 1)
        setResourceText(m_lblCount, OneRecordMatches);
    else
        setResourceText(m_lblCount, RecordsMatch, {locale.toString(count)});
}

} // namespace KvoPlx800SCtl
