#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

// Every procedure of the library tells the trace service when it is entered and left, traps every
// failure, reports it with the procedure's and module's names, and returns the result it had
// reached. `traced` is that convention in one place:
//
//     bool CFilterColumns::ColumnsSave(IProgress *progress)
//     {
//         return traced("ColumnsSave", "CFilterColumns", false, [&](bool &result) {
//             ...              // a failing step calls fail(...) or require(...)
//             result = true;
//         });
//     }
namespace KvoPlx800SCtl {

// A failed step inside a library procedure; caught by `traced` at the procedure's edge.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString &description, int number = 0)
        : std::runtime_error(description.toStdString()), m_number(number)
    {
    }
    int number() const { return m_number; }

private:
    int m_number;
};

// A failure of one attempt of a unit of work that runs again (a conflict with another session, a
// lost connection): procedures on the way log it instead of reporting it as an error.
class RetriedFailure : public Failure
{
public:
    using Failure::Failure;
};

[[noreturn]] inline void fail(const QString &description, int number = 0)
{
    throw Failure(description, number);
}

inline void require(bool ok, const QString &description)
{
    if (!ok)
        fail(description);
}

class TraceScope
{
public:
    TraceScope(const char *procedure, const char *module);
    ~TraceScope();
    TraceScope(const TraceScope &) = delete;
    TraceScope &operator=(const TraceScope &) = delete;

    // Reports the exception now being handled (call from a catch block).
    void reportCurrentException() const;

private:
    const char *m_procedure;
    const char *m_module;
    bool m_tracing;
};

template <typename R, typename Body>
R traced(const char *procedure, const char *module, R neutral, Body &&body)
{
    TraceScope scope(procedure, module);
    R result = std::move(neutral);
    try {
        body(result);
    } catch (...) {
        scope.reportCurrentException();
    }
    return result;
}

template <typename Body>
void traced(const char *procedure, const char *module, Body &&body)
{
    TraceScope scope(procedure, module);
    try {
        body();
    } catch (...) {
        scope.reportCurrentException();
    }
}

// Reports that an operation whose work belongs to a part of the library that is not available
// (a window without the widgets library, a feature not built yet) did nothing.
void reportNotAvailable(const char *procedure, const char *module, const QString &what);

} // namespace KvoPlx800SCtl
