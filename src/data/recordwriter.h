#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace KvoPlx800SCtl {

class CFilterColumn;
class SearchTables;

// Writes the values of one base record: its row in the search-data table and the keyword rows of
// each keyword column. Every save of a record goes through here (from the data-entry control,
// from a host's updates, from a copy, from an import), so that all of them write alike. No
// catalog look-up is made on this path. A failure throws (core/tracescope.h) to the caller.
class RecordWriter
{
public:
    // The resource texts of a write's locked-record message: the message, and the details of its
    // two statements (INSERT and UPDATE of a row; DELETE and INSERT of keyword rows).
    struct Texts
    {
        int text;
        int first;
        int second;
    };
    // The literal a non-keyword column writes (nullopt: the column is left alone).
    using LiteralOf = std::function<std::optional<QString>(CFilterColumn *)>;
    // Writes one keyword column's rows; false when it failed (and reported why).
    using KeywordWriter = std::function<bool(CFilterColumn *)>;

    explicit RecordWriter(const SearchTables &tables) : m_tables(tables) {}

    // One statement on the search-data row with the literal of every column of `columns` that
    // is not a keyword column: an UPDATE, and an INSERT (key first) when it found no row; without
    // any literal only a missing row is made (and without such columns, no row at all). Then the
    // lists of `keywordLists` through `keywords`, in their order. All of it runs in one transaction (the caller's,
    // when one is open): when any part fails, nothing of the record is written.
    void write(qint32 id, const QList<CFilterColumn *> &columns, const LiteralOf &literalOf,
               const QList<CFilterColumn *> &keywordLists, const KeywordWriter &keywords, Texts rowTexts) const;
    // The keyword rows of one record rewritten from `keywords`: each once as the table's key
    // compares them, blanks skipped, the DELETE and the INSERTs in one transaction (the caller's,
    // when one is open).
    void writeKeywords(qint32 id, const CFilterColumn &column, const QStringList &keywords, Texts texts) const;

private:
    void writeRow(qint32 id, const QList<QPair<QString, QString>> &literals, Texts texts) const;
    // Holds other writers of the record back until the transaction ends, where the engine needs that.
    void lockRecord(qint32 id, Texts texts) const;

    const SearchTables &m_tables;
};

} // namespace KvoPlx800SCtl
