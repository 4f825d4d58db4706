#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace KvoPlx800SCtl::HostKit {

class IProgress;

// Argument and result objects of a request that a progress object runs.
class ProgressArgs
{
public:
    virtual ~ProgressArgs();
};

class ProgressResult
{
public:
    virtual ~ProgressResult();
};

// Implemented by whoever has a long request for a progress object to run.
class IProgressHandler
{
public:
    virtual ~IProgressHandler();
    virtual std::unique_ptr<ProgressResult> IProgressHandler_ProcessRequest(IProgress &progress, int request,
                                                                            ProgressArgs *args) = 0;
};

// The host's progress object: a text, a count of steps and an end.
class IProgress
{
public:
    virtual ~IProgress();
    virtual void Start(const QString &text, int total = 0) = 0;
    virtual void SetText(const QString &text) = 0;
    virtual void Step(int done) = 0; // steps done so far, of the total given to Start
    virtual void End() = 0;
    virtual QString Text() const = 0;
    virtual bool Cancelled() const { return false; }
    // Runs a request of `handler` under this progress object and hands back its result.
    virtual std::unique_ptr<ProgressResult> RunRequest(int request, ProgressArgs *args, IProgressHandler &handler);
};

// Reference progress object: keeps its state and tells a listener (a progress bar, a log).
class Progress : public IProgress
{
public:
    using Listener = std::function<void(const QString &text, int done, int total, bool ended)>;

    Progress() = default;
    explicit Progress(Listener listener) : m_listener(std::move(listener)) {}

    void Start(const QString &text, int total = 0) override;
    void SetText(const QString &text) override;
    void Step(int done) override;
    void End() override;
    QString Text() const override { return m_text; }
    bool Cancelled() const override { return m_cancelled; }

    void cancel() { m_cancelled = true; }
    bool running() const { return m_running; }
    int done() const { return m_done; }
    int total() const { return m_total; }
    int startCount() const { return m_starts; }

protected:
    // Takes over a text without telling the listener (used when an indicator starts on a base).
    void adoptText(const QString &text) { m_text = text; }

private:
    void notify();

    Listener m_listener;
    QString m_text;
    int m_done = 0;
    int m_total = 0;
    int m_starts = 0;
    bool m_running = false;
    bool m_cancelled = false;
};

// The services helper's progress indicator: a progress object that takes over the text of a base
// progress object (the host's, or an outer indicator) and reports everything through it as well.
// Cancelling either one cancels the indicator. The base must outlive the indicator.
class LinkedProgress : public Progress
{
public:
    explicit LinkedProgress(IProgress *base, Listener listener = {});

    void Start(const QString &text, int total = 0) override;
    void SetText(const QString &text) override;
    void Step(int done) override;
    void End() override;
    bool Cancelled() const override;

    IProgress *base() const { return m_base; }

private:
    IProgress *m_base;
};

} // namespace KvoPlx800SCtl::HostKit
