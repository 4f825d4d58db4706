#pragma once

#include "hostkit/progress.h"

#include <QDateTime>

// The argument and result objects of the population check, which the table check hands to the
// host's progress object as request 1 and gets back from it (CFilterColumns::
// IProgressHandler_ProcessRequest).
namespace KvoPlx800SCtl {

// Request number of the population check.
constexpr int CheckPopulationRequest = 1;

class CCheckPopulationArgs : public HostKit::ProgressArgs
{
public:
    // Ask: the database handler is asked before the first row is added or removed.
    void Init(bool blnAsk, int enmConvertMode, const QDateTime &dtmNow)
    {
        m_ask = blnAsk;
        m_convertMode = enmConvertMode;
        m_now = dtmNow;
    }
    bool Ask() const { return m_ask; }
    int ConvertMode() const { return m_convertMode; }
    // The current time of the run: the value of date/time defaults that take the current time.
    QDateTime Now() const { return m_now; }

private:
    bool m_ask = false;
    int m_convertMode = 0;
    QDateTime m_now;
};

class CCheckPopulationResult : public HostKit::ProgressResult
{
public:
    explicit CCheckPopulationResult(qint32 value = 0) : m_value(value) {}
    // A check-table result code of the database handler.
    qint32 Value() const { return m_value; }
    void setValue(qint32 value) { m_value = value; }

private:
    qint32 m_value;
};

} // namespace KvoPlx800SCtl
