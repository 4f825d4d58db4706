// The data-block reader, bytes to lines to fields to values: any bytes split into lines without
// line ends or empty lines, and the walk over them leaves every column a value of its own type
// and every keyword trimmed, non-empty and within the stored length.

#include "fuzzsupport.h"

#include "columns/cfiltercolumns.h"
#include "data/basimport.h"
#include "hostkit/adotypes.h"
#include "hostkit/catalog.h"
#include "hostkit/dialect.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

using namespace KvoPlx800SCtl;

namespace {

struct Expected
{
    const char *name;
    FilterColumnTypeConstants type;
    Variant::Type valueType;
};

const Expected Columns[] = {
        {"Material", fcText, Variant::Type::Text},    {"Remarks", fcNote, Variant::Type::Text},
        {"Count", fcInteger16, Variant::Type::Int16}, {"Total", fcInteger32, Variant::Type::Int32},
        {"Ratio", fcSingle, Variant::Type::Single},   {"Weight", fcDouble, Variant::Type::Double},
        {"Made", fcDateTime, Variant::Type::Date},    {"Active", fcBoolean, Variant::Type::Boolean},
        {"Tags", fcKeyword, Variant::Type::Empty},
};

CFilterColumns &columns()
{
    static CFilterColumns *set = [] {
        auto *s = new CFilterColumns;
        HostKit::CatalogColumn key;
        key.Name = QStringLiteral("PartId");
        key.Type = HostKit::adInteger;
        s->SetupOffline(nullptr, QStringLiteral("Parts"), key, HostKit::Dialect::create(HostKit::Engine::SQLite));
        for (const Expected &c : Columns) {
            const CFilterColumn *added = s->Add(QString::fromLatin1(c.name), QString(), QString(), c.type, 20, false,
                                                false, QString(), fcDTDM_Configure, Variant::null(), false);
            KvoFuzz::check(added != nullptr, "an offline column can be added");
        }
        return s;
    }();
    return *set;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvoFuzz::initialise();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // Lines: what a plain split at runs of CR and LF gives, none of them empty.
    QList<QByteArray> expected = bytes.split('\n');
    QList<QByteArray> plain;
    for (const QByteArray &part : std::as_const(expected)) {
        for (const QByteArray &piece : part.split('\r')) {
            if (!piece.isEmpty())
                plain.append(piece);
        }
    }
    // A byte order mark at the very start is no part of the first line.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        plain.first().remove(0, 3);
        if (plain.first().isEmpty())
            plain.removeFirst();
    }
    basImport::DataBlockLines lines(bytes);
    KvoFuzz::check(lines.isEmpty() == plain.isEmpty(), "an empty block has no line");
    QList<QByteArray> read;
    QByteArrayView line;
    qsizetype last = -1;
    while (lines.nextBytes(&line)) {
        KvoFuzz::check(lines.position() > last, "the reader moves forward");
        last = lines.position();
        read.append(line.toByteArray());
    }
    KvoFuzz::check(read == plain, "lines are the runs between line ends",
                   QString::number(read.size()) + QLatin1Char('/') + QString::number(plain.size()));

    // The walk: values of the column's type only.
    CFilterColumns &set = columns();
    for (CFilterColumn *c : set.NewEnum()) {
        c->setSavedValue(Variant());
        c->SavedKeys().clear();
    }
    basImport::DataBlockLines walked(bytes);
    basImport::ImportErrorLog log{QString(), QDateTime()}; // no source file: nothing is written
    basImport::ImportReport report;
    basImport::WalkDataBlock(set, walked, log, report);
    KvoFuzz::check(report.errors >= 0 && report.stored.size() <= set.Count(), "the report counts");
    for (const Expected &e : Columns) {
        const CFilterColumn *c = set.Item(QString::fromLatin1(e.name));
        if (e.type == fcKeyword) {
            for (const QString &keyword : c->SavedKeys()) {
                KvoFuzz::check(!keyword.isEmpty() && keyword == keyword.trimmed()
                                       && keyword.size() <= CFilterColumn::TextLengthInDB()
                                       && !keyword.contains(QLatin1Char(',')),
                               "a keyword is trimmed, not empty, within the length and holds no comma", keyword);
            }
            continue;
        }
        const Variant v = c->SavedValue();
        KvoFuzz::check(!v.hasValue() || v.type() == e.valueType, "a value has its column's type", v.toText());
        if (v.type() == Variant::Type::Text)
            KvoFuzz::check(v.toText().size() <= CFilterColumn::TextLengthInDB(), "a text fits the stored length");
    }
    return 0;
}
