#include "frmcolumnedit.h"

#include "columns/cfiltercolumns.h"
#include "core/basglobals.h"
#include "core/columntypes.h"
#include "core/conversions.h"
#include "core/tracescope.h"

#include "hostkit/messagebox.h"
#include "hostkit/serviceshelper.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QValidator>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

constexpr const char *Module = "frmColumnEdit";

// Key-filter patterns of the services helper: names take letters, digits and "_";
// captions a space as well.
const QString NameKeys = QStringLiteral("ULDZ/_");
const QString CaptionKeys = QStringLiteral("ULDZ/_ ");
constexpr int StartSize = 20;
constexpr int TooLongWarning = 7;
constexpr int TooLongText = 8168;

// A text box whose every character passes the services helper's key filter, typed or pasted.
class KeyFilterValidator : public QValidator
{
public:
    KeyFilterValidator(const QString &pattern, QObject *parent)
        : QValidator(parent), m_pattern(pattern)
    {}
    State validate(QString &input, int &) const override
    {
        return ServicesHelper::instance().PassesKeyFilter(input, m_pattern) ? Acceptable : Invalid;
    }

private:
    QString m_pattern;
};

bool hasSize(int type) { return type == fcKeyword || type == fcText || type == fcNote; }
bool hasPicklist(int type) { return type != fcKeyword && type != fcBoolean && type != fcNote && type != fcUndefined; }

} // namespace

frmColumnEdit::frmColumnEdit(QWidget *parent) : LibraryDialog(parent, QStringLiteral("frmColumnEdit"))
{
    traced("Form_Load", Module, [&] { buildControls(); });
}

void frmColumnEdit::buildControls()
{
    const auto label = [this](const char *name, int number) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        setResourceText(l, number);
        return l;
    };
    const auto lineEdit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    m_txtName = lineEdit("txtName");
    m_txtName->setValidator(new KeyFilterValidator(NameKeys, m_txtName));
    m_txtCaption = lineEdit("txtCaption");
    m_txtCaption->setValidator(new KeyFilterValidator(CaptionKeys, m_txtCaption));
    m_txtDescription = lineEdit("txtDescription");

    m_lstType = new QListWidget(this);
    m_lstType->setObjectName(QStringLiteral("lstType"));
    for (int type = _fc_First; type <= _fc_Last; ++type) {
        auto *item = new QListWidgetItem(m_lstType);
        setTranslatedText(item, typeName(type));
        item->setData(Qt::UserRole, type);
    }
    m_lstType->setMaximumHeight(m_lstType->sizeHintForRow(0) * (_fc_Last + 1) + 2 * m_lstType->frameWidth());

    m_lblSize = label("lblSize", 7301);
    m_txtSize = lineEdit("txtSize");
    m_txtSize->setValidator(new QIntValidator(1, CFilterColumn::TextLengthInDB(), m_txtSize));
    m_txtSize->setMaximumWidth(m_txtSize->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    m_updSize = new QScrollBar(Qt::Vertical, this);
    m_updSize->setObjectName(QStringLiteral("updSize"));
    m_updSize->setRange(1, CFilterColumn::TextLengthInDB());
    m_updSize->setPageStep(1);
    // Up counts up, as on an up-down control.
    m_updSize->setInvertedAppearance(true);
    m_updSize->setInvertedControls(true);
    m_updSize->setFixedHeight(m_txtSize->sizeHint().height());
    auto *sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(0);
    sizeRow->addWidget(m_txtSize);
    sizeRow->addWidget(m_updSize);
    sizeRow->addStretch();

    m_chkIsPicklist = new QCheckBox(this);
    setResourceText(m_chkIsPicklist, 7303);
    m_chkIsPicklist->setObjectName(QStringLiteral("chkIsPicklist"));
    m_chkPicklistBlank = new QCheckBox(this);
    setResourceText(m_chkPicklistBlank, 7304);
    m_chkPicklistBlank->setObjectName(QStringLiteral("chkPicklistBlank"));

    m_lblDefault = label("lblDefault", 7305);
    m_optConfigure = new QRadioButton(this);
    setResourceText(m_optConfigure, 7308);
    m_optNow = new QRadioButton(this);
    setResourceText(m_optNow, 7309);
    for (auto [option, index] : {std::pair{m_optConfigure, 0}, std::pair{m_optNow, 1}}) {
        option->setObjectName(QStringLiteral("kvooptDateDefault"));
        option->setProperty("Index", index);
    }
    m_txtDefault = lineEdit("txtDefault");
    m_txtNoteDefault = new QPlainTextEdit(this);
    m_txtNoteDefault->setObjectName(QStringLiteral("txtNoteDefault"));
    m_txtNoteDefault->setTabChangesFocus(true);
    m_txtNoteDefault->setFixedHeight(m_txtDefault->sizeHint().height() * 3);
    m_chkDisableEditTime = new QCheckBox(this);
    setResourceText(m_chkDisableEditTime, 7306);
    m_chkDisableEditTime->setObjectName(QStringLiteral("chkDisableEditTime"));
    setTranslatedToolTip(m_chkDisableEditTime, resourceText(7307));

    m_lblWarning = new QLabel(this);
    m_lblWarning->setObjectName(QStringLiteral("lblWarning"));
    m_lblWarning->setStyleSheet(QStringLiteral("color: #b00020"));
    m_lblWarning->setWordWrap(true);
    m_lblWarning->setMinimumWidth(m_lblWarning->fontMetrics().averageCharWidth() * 30);
    m_lblWarning->hide();

    m_grid = new QGridLayout;
    int row = 0;
    m_grid->addWidget(label("lblName", 7299), row, 0);
    m_grid->addWidget(m_txtName, row++, 1);
    m_grid->addWidget(label("lblCaption", 7298), row, 0);
    m_grid->addWidget(m_txtCaption, row++, 1);
    m_grid->addWidget(label("lblDescription", 7300), row, 0);
    m_grid->addWidget(m_txtDescription, row++, 1, 1, 2);
    m_grid->addWidget(label("lblType", 7302), row, 0, Qt::AlignTop);
    m_grid->addWidget(m_lstType, row++, 1);
    m_grid->addWidget(m_lblSize, row, 0);
    m_grid->addLayout(sizeRow, row++, 1);
    m_grid->addWidget(m_chkIsPicklist, row++, 1);
    m_grid->addWidget(m_chkPicklistBlank, row++, 1);
    // The default's label, or for a date/time column the option of a fixed date, in one cell.
    m_grid->addWidget(m_lblDefault, row, 0, Qt::AlignTop);
    m_grid->addWidget(m_optConfigure, row, 0, Qt::AlignTop);
    m_grid->addWidget(m_txtDefault, row, 1);
    m_grid->addWidget(m_txtNoteDefault, row++, 1);
    m_grid->addWidget(m_optNow, row++, 0, 1, 2);
    m_grid->addWidget(m_chkDisableEditTime, row++, 0, 1, 3);
    m_grid->addWidget(m_lblWarning, 0, 2);
    m_grid->setColumnStretch(1, 1);

    m_cmdOk = makeButton("cmdOk", 8066);
    m_cmdOk->setDefault(true);
    m_cmdCancel = makeButton("cmdCancel", 8073);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_grid);
    layout->addLayout(buttonRow({m_cmdOk, m_cmdCancel}));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_cmdOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
    const auto changed = [this] { controlsUpdate(); };
    for (QLineEdit *edit : {m_txtName, m_txtCaption, m_txtDescription, m_txtDefault})
        connect(edit, &QLineEdit::textChanged, this, changed);
    connect(m_txtNoteDefault, &QPlainTextEdit::textChanged, this, changed);
    connect(m_lstType, &QListWidget::currentRowChanged, this, changed);
    for (QAbstractButton *box : std::initializer_list<QAbstractButton *>{
                 m_chkIsPicklist, m_chkPicklistBlank, m_optConfigure, m_optNow, m_chkDisableEditTime})
        connect(box, &QAbstractButton::toggled, this, changed);
    // The text box and the up-down control keep in step.
    connect(m_txtSize, &QLineEdit::textChanged, this, [this](const QString &t) {
        bool ok = false;
        const int n = t.toInt(&ok);
        if (ok && n >= m_updSize->minimum() && n <= m_updSize->maximum()) {
            const QSignalBlocker blocker(m_updSize);
            m_updSize->setValue(n);
        }
        controlsUpdate();
    });
    connect(m_updSize, &QScrollBar::valueChanged, this, [this](int n) {
        if (m_txtSize->text() != QString::number(n))
            m_txtSize->setText(QString::number(n));
    });
}

// --- Opening ------------------------------------------------------------------------------------

CFilterColumn *frmColumnEdit::MakeNew(CFilterColumns &columns)
{
    return traced("MakeNew", Module, static_cast<CFilterColumn *>(nullptr), [&](CFilterColumn *&result) {
        prepare(columns, nullptr, true);
        if (exec() == QDialog::Accepted)
            result = column();
    });
}

bool frmColumnEdit::Edit(CFilterColumn &column, CFilterColumns &columns, bool isNew)
{
    return traced("Edit", Module, false, [&](bool &result) {
        prepare(columns, &column, isNew);
        result = exec() == QDialog::Accepted;
    });
}

void frmColumnEdit::prepare(CFilterColumns &columns, CFilterColumn *column, bool isNew)
{
    m_columns = &columns;
    m_column = column;
    m_isNew = isNew || !column;
    m_done = false;
    setResourceText(this, column ? 7296 : 7297);
    if (column) {
        m_original = column->definition();
    } else {
        m_original = ColumnDefinition{};
        m_original.type = fcText;
        m_original.textLengthInUI = StartSize;
    }
    m_originalDefault = defaultTextOf(m_original);
    setDefinition(m_original, m_originalDefault);
    if (!column) {
        // A new column differs from nothing until it has a name: compare with a nameless one.
        m_original.type = fcUndefined;
    }
    m_txtName->setEnabled(m_isNew);
    m_lstType->setEnabled(m_isNew);
    controlsUpdate();
    centreIn(columns.ownerRect());
    m_txtName->setFocus();
}

// --- The round trip -----------------------------------------------------------------------------

FilterColumnTypeConstants frmColumnEdit::selectedType() const
{
    const QListWidgetItem *item = m_lstType->currentItem();
    return item ? FilterColumnTypeConstants(item->data(Qt::UserRole).toInt()) : fcUndefined;
}

ColumnDefinition frmColumnEdit::definition() const
{
    ColumnDefinition d;
    d.name = m_txtName->text().trimmed();
    d.caption = m_txtCaption->text().trimmed();
    d.description = m_txtDescription->text().trimmed();
    d.type = selectedType();
    d.textLengthInUI = 0;
    if (d.type == fcNote)
        d.textLengthInUI = qint16(CFilterColumn::TextLengthInDB());
    else if (hasSize(d.type))
        d.textLengthInUI = qint16(m_txtSize->text().toInt());
    d.isPicklist = hasPicklist(d.type) && m_chkIsPicklist->isChecked();
    d.picklistAllowBlanks = d.isPicklist && m_chkPicklistBlank->isChecked();
    const bool dateDefault = d.type == fcDateTime && !d.isPicklist;
    d.dateTimeDefaultMode = dateDefault && m_optNow->isChecked() ? fcDTDM_Now : fcDTDM_Configure;
    d.disableEditDateTime = dateDefault && d.dateTimeDefaultMode == fcDTDM_Now && m_chkDisableEditTime->isChecked();
    d.picklistDefault = d.type == fcNote ? m_txtNoteDefault->toPlainText() : m_txtDefault->text().trimmed();
    if (dateDefault) {
        const auto date =
                d.dateTimeDefaultMode == fcDTDM_Configure ? Convert::parseDate(d.picklistDefault) : std::nullopt;
        d.dateTimeDefaultValue = date ? Variant::date(*date) : Variant::null();
    } else {
        d.dateTimeDefaultValue = Variant::null();
    }
    d.mergeName = m_original.mergeName;
    return d;
}

void frmColumnEdit::setDefinition(const ColumnDefinition &definition, const QString &defaultText)
{
    const QScopedValueRollback<bool> updating(m_updating, true);
    m_txtName->setText(definition.name);
    m_txtCaption->setText(definition.caption);
    m_txtDescription->setText(definition.description);
    m_lstType->setCurrentRow(ColumnTypes::isValid(definition.type) ? int(definition.type) - _fc_First : -1);
    const int size = hasSize(definition.type) && definition.textLengthInUI > 0 ? definition.textLengthInUI : StartSize;
    m_txtSize->setText(QString::number(size));
    m_chkIsPicklist->setChecked(definition.isPicklist);
    m_chkPicklistBlank->setChecked(definition.picklistAllowBlanks);
    (definition.dateTimeDefaultMode == fcDTDM_Now ? m_optNow : m_optConfigure)->setChecked(true);
    m_chkDisableEditTime->setChecked(definition.disableEditDateTime);
    if (definition.type == fcNote) {
        m_txtNoteDefault->setPlainText(defaultText);
        m_txtDefault->clear();
    } else {
        m_txtDefault->setText(defaultText);
        m_txtNoteDefault->clear();
    }
}

QString frmColumnEdit::defaultTextOf(const ColumnDefinition &d)
{
    if (d.type == fcDateTime && !d.isPicklist)
        return d.dateTimeDefaultValue.hasValue() ? Convert::displayDate(d.dateTimeDefaultValue.toDate()) : QString();
    if (d.isPicklist && (ColumnTypes::isNumber(d.type) || d.type == fcDateTime)) {
        // Stored in the C locale, shown in the user's.
        const auto value = Convert::readValue(d.picklistDefault, d.type);
        if (value && value->hasValue())
            return Convert::displayText(*value);
    }
    return d.picklistDefault;
}

TranslatedText frmColumnEdit::typeName(int type)
{
    return [type] { return basGlobals::ColumnTypeDisplayName(type); };
}

// --- Checks -------------------------------------------------------------------------------------

bool frmColumnEdit::validateName()
{
    return traced("ValidateName", Module, false, [&](bool &result) {
        const QString name = m_txtName->text().trimmed();
        const QString caption = m_txtCaption->text().trimmed();
        QString clashing;
        if (name.isEmpty()) {
            m_warning = -1;
        } else if (m_isNew && !m_columns->fitsNameLimit(name)) {
            m_warning = TooLongWarning;
        } else {
            m_warning = m_columns->nameClash(m_isNew ? name : QString(), caption, m_column);
            clashing = m_warning % 2 ? name : caption;
        }
        // ValidateNameWarning: beside the box that holds the clashing text.
        traced("ValidateNameWarning", Module, [&] {
            if (m_warning <= 0) {
                m_lblWarning->hide();
                return;
            }
            if (m_warning == TooLongWarning)
                setResourceText(m_lblWarning, TooLongText,
                                {name, m_columns->baseTableName(), QString::number(m_columns->maxColumnNameLength())});
            else
                setResourceText(m_lblWarning, 8161 + m_warning, {clashing});
            m_grid->removeWidget(m_lblWarning);
            m_grid->addWidget(m_lblWarning, m_warning % 2 || m_warning == TooLongWarning ? 0 : 1, 2);
            m_lblWarning->show();
        });
        result = m_warning == 0;
    });
}

bool frmColumnEdit::validatePicklistSetting()
{
    return traced("ValidatePicklistSetting", Module, false, [&](bool &result) {
        result = true;
        const bool now = definition().isPicklist;
        if (m_isNew || now == m_original.isPicklist)
            return;
        ServicesHelper &services = ServicesHelper::instance();
        if (now) {
            services.ShowMessage(text(8161, {m_original.name}), MsgBox::vbOKOnly | MsgBox::vbInformation, windowTitle(),
                                 formsInterface());
            return;
        }
        result = services.ShowMessage(text(8160, {m_original.name}), MsgBox::vbOKCancel | MsgBox::vbQuestion,
                                      windowTitle(), formsInterface())
                 == MsgBox::vbOK;
    });
}

bool frmColumnEdit::differsFromColumn() const
{
    const ColumnDefinition now = definition();
    const ColumnDefinition &was = m_original;
    const bool sizeMatters = hasSize(now.type) && now.type != fcNote;
    const bool dateMatters = now.type == fcDateTime && !now.isPicklist;
    return (m_isNew && (now.name != was.name.trimmed() || now.type != was.type)) || now.caption != was.caption.trimmed()
           || now.description != was.description.trimmed() || now.isPicklist != was.isPicklist
           || now.picklistAllowBlanks != (was.isPicklist && was.picklistAllowBlanks)
           || (sizeMatters && now.textLengthInUI != was.textLengthInUI)
           || now.picklistDefault.trimmed() != m_originalDefault.trimmed()
           || (dateMatters
               && (now.dateTimeDefaultMode != was.dateTimeDefaultMode
                   || now.disableEditDateTime != was.disableEditDateTime));
}

void frmColumnEdit::controlsUpdate()
{
    if (m_updating || !m_columns)
        return;
    traced("ControlsUpdate", Module, [&] {
        const QScopedValueRollback<bool> updating(m_updating, true);
        const FilterColumnTypeConstants type = selectedType();
        const bool size = hasSize(type);
        m_lblSize->setEnabled(size && type != fcNote);
        m_txtSize->setEnabled(size && type != fcNote);
        m_updSize->setEnabled(size && type != fcNote);
        if (type == fcNote)
            m_txtSize->setText(QString::number(CFilterColumn::TextLengthInDB()));
        m_chkIsPicklist->setEnabled(hasPicklist(type));
        m_chkPicklistBlank->setEnabled(hasPicklist(type) && m_chkIsPicklist->isChecked());
        const bool note = type == fcNote;
        m_txtDefault->setVisible(!note);
        m_txtNoteDefault->setVisible(note);
        const bool dateDefault = type == fcDateTime && !(hasPicklist(type) && m_chkIsPicklist->isChecked());
        m_lblDefault->setVisible(!dateDefault);
        m_optConfigure->setVisible(dateDefault);
        m_optNow->setVisible(dateDefault);
        m_chkDisableEditTime->setVisible(dateDefault);
        m_chkDisableEditTime->setEnabled(m_optNow->isChecked());
        m_txtDefault->setEnabled(!dateDefault || m_optConfigure->isChecked());
        const bool sizeValid = !size || m_txtSize->hasAcceptableInput();
        m_cmdOk->setEnabled(validateName() && type != fcUndefined && sizeValid && differsFromColumn());
    });
}

// --- OK -----------------------------------------------------------------------------------------

void frmColumnEdit::writeColumn(CFilterColumn &column) const
{
    const ColumnDefinition d = definition();
    if (m_isNew) {
        column.setName(d.name);
        column.setColumnType(d.type);
    }
    column.setCaption(d.caption);
    column.setDescription(d.description);
    column.setTextLengthInUI(d.textLengthInUI);
    column.setIsPicklist(d.isPicklist);
    column.setPicklistAllowBlanks(d.picklistAllowBlanks);
    if (d.isPicklist) {
        column.setPicklistDefault(column.FormatPicklistValue(d.picklistDefault));
        return;
    }
    column.setPicklistDefault(d.type == fcNote ? d.picklistDefault : QString());
    if (d.type == fcDateTime) {
        column.setDateTimeDefaultMode(d.dateTimeDefaultMode);
        column.setDateTimeDefaultValue(d.dateTimeDefaultValue);
        column.setDisableEditDateTime(d.disableEditDateTime);
    }
}

void frmColumnEdit::accept()
{
    traced("cmdOk_Click", Module, [&] {
        ServicesHelper::instance().Idle();
        if (!m_cmdOk->isEnabled() || !validateName())
            return;
        if (!m_isNew && !validatePicklistSetting())
            return;
        if (!m_column) {
            const ColumnDefinition d = definition();
            m_column = m_columns->Add(d.name, d.caption, d.description, d.type, d.textLengthInUI, d.isPicklist,
                                      d.picklistAllowBlanks, QString(), d.dateTimeDefaultMode, d.dateTimeDefaultValue,
                                      d.disableEditDateTime);
            require(m_column != nullptr, QStringLiteral("the column set refused the column %1").arg(d.name));
        }
        writeColumn(*m_column);
        m_done = true;
        QDialog::accept();
    });
}

} // namespace KvoPlx800SCtl
