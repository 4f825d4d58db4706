// Case 6: the data-entry control offscreen against a hand-built form with the same widgets, on a
// record of many search columns: the first build (a new control up to the shown record), the
// redisplay of another record, and the switch to editing. Both read the record with the same
// statements; times include the event processing that lays the widgets out and paints them.
#include "benchsupport.h"

#include "columns/cfiltercolumn.h"
#include "columns/cfiltercolumns.h"
#include "control/icontainer.h"
#include "control/ukvosearch.h"
#include "core/conversions.h"
#include "uisupport/widgetssupport.h"

#include "hostkit/adotypes.h"
#include "hostkit/recordset.h"
#include "hostkit/serviceshelper.h"
#include "hostkit/tablestructure.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>

using namespace KvoPlx800SCtl;
using namespace KvoPlx800SCtl::HostKit;
using namespace KvoBench;

namespace {

const char *const Usage =
        "usage: bench_kvo_ui [--columns N] [--reps N] [--engines sqlite,postgresql,mariadb] [--results FILE]\n"
        "                    [--workdir DIR] [--keep yes]\n"
        "  --columns N  search columns of the displayed record (default 50)\n"
        "  --reps N     timed repetitions of each measurement, the median is reported (default 3)";

const QString Base = QStringLiteral("Jobs");
const QString Key = QStringLiteral("JobId");
constexpr int Records = 20;

const FilterColumnTypeConstants TypeCycle[] = {fcText, fcInteger32, fcDouble, fcDateTime, fcBoolean,
                                               fcNote, fcInteger16, fcSingle, fcKeyword,  fcText};

QList<KvoPlx800SCtl::ColumnDefinition> columnDefs(int count)
{
    QList<KvoPlx800SCtl::ColumnDefinition> defs;
    for (int i = 0; i < count; ++i)
        defs.append(column(QStringLiteral("Field%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                           TypeCycle[size_t(i) % std::size(TypeCycle)]));
    return defs;
}

// The value of a column of a record as an SQL literal.
QString literal(const Connection &c, FilterColumnTypeConstants type, int record, int column)
{
    const quint64 h = mix(quint64(record), quint64(column));
    switch (type) {
    case fcInteger16:
    case fcInteger32:
        return QString::number(h % 30000);
    case fcSingle:
    case fcDouble:
        return QString::number(double(h % 100000) / 100.0, 'f', 2);
    case fcDateTime:
        return c.SqlDateLiteral(QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addSecs(qint64(h % 50000000)));
    case fcBoolean:
        return QString::number(h % 2);
    default:
        return c.QuoteText(QStringLiteral("Value %1 of record %2").arg(h % 1000).arg(record));
    }
}

// Base table and search values of every record, written with plain statements.
void fillData(BenchDatabase &db, Host &host, const QList<KvoPlx800SCtl::ColumnDefinition> &defs)
{
    createNamedTable(
            db, Base, Key, Records, [](qint64 r) { return QStringLiteral("Job %1").arg(r); }, 4);
    Connection &c = db.connection();
    openHost(host, db, Base);
    defineColumns(host, defs);

    CFilterColumns *set = host.columns();
    QStringList fields{Key};
    for (CFilterColumn *column : set->NewEnum()) {
        if (column->ColumnType() != fcKeyword)
            fields << column->Name();
    }
    insertRows(db, set->SearchDataTableName(), fields, 1, Records, [&](qint64 r) {
        QStringList values{QString::number(r)};
        for (CFilterColumn *column : set->NewEnum()) {
            if (column->ColumnType() != fcKeyword)
                values << literal(c, column->ColumnType(), int(r), column->Index());
        }
        return QLatin1Char('(') + values.join(QStringLiteral(", ")) + QLatin1Char(')');
    });
    for (CFilterColumn *column : set->NewEnum()) {
        if (column->ColumnType() != fcKeyword)
            continue;
        insertRows(db, set->KeywordTableName(column), {Key, column->Name()}, 1, Records, [&](qint64 r) {
            QStringList rows;
            for (int k = 0; k < 3; ++k)
                rows << QStringLiteral("(%1, %2)").arg(r).arg(c.QuoteText(QStringLiteral("keyword %1").arg(k)));
            return rows.join(QStringLiteral(", "));
        });
    }
}

void settle() { QCoreApplication::processEvents(); }

class Container : public IContainer
{
public:
    void SizeMin() override {}
};

// The library: a control the way a host window uses it.
class LibraryForm
{
public:
    LibraryForm(Host &host) : m_host(host) {}

    void build(int record)
    {
        m_control = std::make_unique<UKVOSearch>();
        m_control->InitProperties();
        m_control->resize(720, 900);
        QObject::connect(
                m_control.get(), &UKVOSearch::OnStartEditing, m_control.get(),
                [](ISearchBaseEntry *&, bool &accepted) { accepted = true; }, Qt::DirectConnection);
        if (!m_control->OpenSearch(&m_container, m_host.handler.get(), m_host.baseTable.get(), &m_host.catalog(),
                                   m_host.profile.get(), 0, m_host.structure.get()))
            die(QStringLiteral("OpenSearch failed"));
        m_control->show();
        display(record);
    }

    void display(int record)
    {
        auto entry = std::make_unique<CMergeBaseEntry>(record);
        auto records = m_host.connection().OpenQuery(
                QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
                        .arg(m_host.connection().QuoteName(Base), m_host.connection().QuoteName(Key))
                        .arg(record));
        m_control->Display(records.get(), entry.get(), cseModeEdit);
        // The control keeps both until the next Display.
        m_entry = std::move(entry);
        m_records = std::move(records);
        flush();
    }

    void click(const char *name)
    {
        auto *button = m_control->findChild<QPushButton *>(QLatin1String(name));
        if (!button || !button->isEnabled())
            die(QStringLiteral("the control has no enabled %1").arg(QLatin1String(name)));
        button->click();
        flush();
    }

    bool editing() const { return m_control->IsEditing(); }

    // Runs the deferred update at once: its work counts, its delay (the user's typing pause) not.
    void flush()
    {
        settle();
        auto *timer = m_control->findChild<QTimer *>(QStringLiteral("tmrUpdate"));
        if (!timer)
            die(QStringLiteral("the control has no update timer"));
        if (timer->isActive()) {
            timer->stop();
            QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
            settle();
        }
    }
    void close() { m_control.reset(); }

private:
    Host &m_host;
    Container m_container;
    std::unique_ptr<UKVOSearch> m_control;
    std::unique_ptr<CMergeBaseEntry> m_entry;
    std::unique_ptr<RecordSet> m_records;
};

// The baseline: the form a developer would write by hand for the same columns, with the same
// widgets (a list of the base record's fields, a label and an entry per column, Add/Remove beside
// keyword lists and Now beside dates, shown while editing), reading the record with the same
// statements.
class HandForm
{
public:
    HandForm(BenchDatabase &db, CFilterColumns &columns) : m_db(db), m_columns(columns) {}

    void build(int record)
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(720, 900);
        auto *layout = new QVBoxLayout(m_window.get());
        m_base = new QTreeWidget;
        m_base->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value")});
        layout->addWidget(m_base);
        auto *scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        auto *fields = new QWidget;
        auto *grid = new QGridLayout(fields);
        m_rows.clear();
        int line = 0;
        for (CFilterColumn *column : m_columns.NewEnum()) {
            Row row{column};
            const FilterColumnTypeConstants type = column->ColumnType();
            if (type == fcBoolean) {
                row.check = new QCheckBox(column->CaptionOrName());
                row.check->setEnabled(false);
                grid->addWidget(row.check, line, 1);
            } else {
                grid->addWidget(new QLabel(column->CaptionOrName() + QStringLiteral(": ")), line, 0);
                if (type == fcKeyword) {
                    row.combo = new QComboBox;
                    grid->addWidget(row.combo, line, 1);
                    row.add = new QPushButton(QStringLiteral("Add"));
                    row.remove = new QPushButton(QStringLiteral("Remove"));
                    grid->addWidget(row.add, line, 2);
                    grid->addWidget(row.remove, line, 3);
                } else if (type == fcNote) {
                    row.note = new QPlainTextEdit;
                    row.note->setReadOnly(true);
                    grid->addWidget(row.note, line, 1);
                } else {
                    row.edit = new QLineEdit;
                    row.edit->setReadOnly(true);
                    grid->addWidget(row.edit, line, 1);
                    if (type == fcDateTime) {
                        row.now = new QPushButton(QStringLiteral("Now"));
                        grid->addWidget(row.now, line, 2);
                    }
                }
            }
            for (QPushButton *b : {row.add, row.remove, row.now}) {
                if (b)
                    b->setVisible(false);
            }
            m_rows.push_back(row);
            ++line;
        }
        scroll->setWidget(fields);
        layout->addWidget(scroll, 1);
        m_window->show();
        display(record);
    }

    // Reads the record (the base row, the search-data row, each keyword list) into the widgets.
    void display(int record)
    {
        Connection &c = m_db.connection();
        QSqlQuery base(c.database());
        if (!base.exec(QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
                               .arg(c.QuoteName(Base), c.QuoteName(Key))
                               .arg(record))
            || !base.next())
            die(QStringLiteral("hand form: no base record %1").arg(record));
        m_base->clear();
        const QSqlRecord fields = base.record();
        for (int i = 0; i < fields.count(); ++i)
            m_base->addTopLevelItem(new QTreeWidgetItem({fields.fieldName(i), base.value(i).toString()}));

        QSqlQuery data(c.database());
        if (!data.exec(QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
                               .arg(c.QuoteName(m_columns.SearchDataTableName()), c.QuoteName(Key))
                               .arg(record)))
            die(QStringLiteral("hand form: %1").arg(data.lastError().text()));
        const bool found = data.next();
        const QLocale locale;
        for (Row &row : m_rows) {
            const QString name = row.column->Name();
            switch (row.column->ColumnType()) {
            case fcKeyword: {
                QSqlQuery keywords(c.database());
                keywords.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                      .arg(c.QuoteName(name), c.QuoteName(m_columns.KeywordTableName(row.column)),
                                           c.QuoteName(Key))
                                      .arg(record));
                row.combo->clear();
                while (keywords.next())
                    row.combo->addItem(keywords.value(0).toString());
                break;
            }
            case fcBoolean:
                row.check->setChecked(found && data.value(name).toInt() != 0);
                break;
            case fcNote:
                row.note->setPlainText(found ? data.value(name).toString() : QString());
                break;
            case fcInteger16:
            case fcInteger32:
                row.edit->setText(found ? locale.toString(data.value(name).toLongLong()) : QString());
                break;
            case fcSingle:
            case fcDouble:
                row.edit->setText(found ? locale.toString(data.value(name).toDouble()) : QString());
                break;
            case fcDateTime:
                row.edit->setText(found ? locale.toString(data.value(name).toDateTime(), QLocale::ShortFormat)
                                        : QString());
                break;
            default:
                row.edit->setText(found ? data.value(name).toString() : QString());
                break;
            }
        }
        settle();
    }

    // Editing starts from the record as it is now: it is read again and the entries open.
    void setEditing(bool editing, int record)
    {
        display(record);
        for (Row &row : m_rows) {
            if (row.edit)
                row.edit->setReadOnly(!editing);
            if (row.note)
                row.note->setReadOnly(!editing);
            if (row.check)
                row.check->setEnabled(editing);
            if (row.combo)
                row.combo->setEditable(editing);
            for (QPushButton *b : {row.add, row.remove, row.now}) {
                if (b)
                    b->setVisible(editing);
            }
        }
        settle();
    }

    void close() { m_window.reset(); }

private:
    struct Row
    {
        CFilterColumn *column = nullptr;
        QLineEdit *edit = nullptr;
        QPlainTextEdit *note = nullptr;
        QCheckBox *check = nullptr;
        QComboBox *combo = nullptr;
        QPushButton *add = nullptr;
        QPushButton *remove = nullptr;
        QPushButton *now = nullptr;
    };

    BenchDatabase &m_db;
    CFilterColumns &m_columns;
    std::unique_ptr<QWidget> m_window;
    QTreeWidget *m_base = nullptr;
    std::vector<Row> m_rows;
};

void runDisplayCase(BenchDatabase &db, const Options &options, const Recorder &recorder)
{
    Host host;
    const QList<KvoPlx800SCtl::ColumnDefinition> defs = columnDefs(options.displayColumns);
    fillData(db, host, defs);
    CFilterColumns &columns = *host.columns();

    LibraryForm library(host);
    HandForm hand(db, columns);
    const QString what = QStringLiteral("%1 columns: ").arg(options.displayColumns);
    const QString baselineName = QStringLiteral("hand-built form");

    // First build: a new form up to the shown record.
    const std::vector<double> first = alternate({[&] { library.build(1); }, [&] { hand.build(1); }}, options.reps, [&] {
        library.close();
        hand.close();
        settle();
    });
    recorder.add({6, what + QStringLiteral("first Display"), db.engineName(), first[0], baselineName, first[1], 2.0, 0,
                  QString()});

    // Redisplay: the next record on the form that exists.
    library.build(1);
    hand.build(1);
    int next = 1;
    const std::vector<double> again = alternate({[&] { library.display(next); }, [&] { hand.display(next); }},
                                                options.reps, [&] { next = next % Records + 1; });
    recorder.add({6, what + QStringLiteral("redisplay"), db.engineName(), again[0], baselineName, again[1], 2.0, 0,
                  QString()});

    // The switch from viewing to editing (Cancel, untimed, goes back between rounds).
    const std::vector<double> edit = alternate({[&] {
                                                    library.click("cmdEdit");
                                                    if (!library.editing())
                                                        die(QStringLiteral("the control did not start editing"));
                                                },
                                                [&] { hand.setEditing(true, next); }},
                                               options.reps, [&] {
                                                   if (library.editing())
                                                       library.click("cmdCancel");
                                                   hand.setEditing(false, next);
                                               });
    recorder.add({6, what + QStringLiteral("switch to editing"), db.engineName(), edit[0], baselineName, edit[1], 2.0,
                  0, QString()});
    library.close();
    hand.close();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    installWidgetsSupport();
    ServicesHelper::instance().setApplicationTitle(QStringLiteral("bench_kvo_ui"));

    Options options;
    int exitCode = 0;
    if (!options.parse(app.arguments(), QString::fromLatin1(Usage), &exitCode))
        return exitCode;
    const Recorder recorder(options.resultsFile);
    for (const Engine engine : std::as_const(options.engines)) {
        const std::unique_ptr<BenchDatabase> db = BenchDatabase::open(engine, options);
        std::printf("\n== %s (data-entry control, offscreen)\n", qPrintable(db->engineName()));
        std::fflush(stdout);
        runDisplayCase(*db, options, recorder);
    }
    return 0;
}
