#pragma once

#include "benchsupport.h"

// The measured cases of bench_kvo, each run on one engine's bench database.
namespace KvoBench {

// Cases 1 (filters against hand-written SQL and an entity-attribute-value layout), 3 (population
// check) and 4 (adding a column), on one data set of `options.scale` base records.
void runScaleCases(BenchDatabase &db, const Options &options, const Recorder &recorder);

// Case 2: GetData and SaveDataFromClientUpdates against the same statements through Qt SQL.
// With `indexed`, the search-data fields have indexes (the price of them).
void runRoundTripCase(BenchDatabase &db, const Options &options, const Recorder &recorder, bool indexed);

// The NC program files of case 5, written once for every engine.
class ImportFiles
{
public:
    // Writes `count` files of 10 KB to 1 MB (sizes spread evenly on a log scale, the first file the
    // largest) into a new folder under `workDir`.
    ImportFiles(const QString &workDir, int count);
    ~ImportFiles();

    int count() const { return int(m_paths.size()); }
    const QString &path(int index) const { return m_paths[size_t(index)]; }
    qint64 totalBytes() const { return m_totalBytes; }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::vector<QString> m_paths;
    qint64 m_totalBytes = 0;
};

// Case 5: AnalyzeDataBlock of every file against reading the files and writing the same values
// with plain statements; the peak memory of the import after a tenth of the files and after all.
void runImportCase(BenchDatabase &db, const Options &options, const Recorder &recorder, const ImportFiles &files,
                   bool indexed);

} // namespace KvoBench
