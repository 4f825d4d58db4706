#include "progress.h"

namespace KvoPlx800SCtl::HostKit {

ProgressArgs::~ProgressArgs() = default;
ProgressResult::~ProgressResult() = default;
IProgressHandler::~IProgressHandler() = default;
IProgress::~IProgress() = default;

std::unique_ptr<ProgressResult> IProgress::RunRequest(int request, ProgressArgs *args, IProgressHandler &handler)
{
    return handler.IProgressHandler_ProcessRequest(*this, request, args);
}

void Progress::Start(const QString &text, int total)
{
    m_text = text;
    m_total = total < 0 ? 0 : total;
    m_done = 0;
    ++m_starts;
    m_running = true;
    notify();
}

void Progress::SetText(const QString &text)
{
    m_text = text;
    notify();
}

void Progress::Step(int done)
{
    m_done = done;
    notify();
}

void Progress::End()
{
    m_running = false;
    if (m_listener)
        m_listener(m_text, m_done, m_total, true);
}

void Progress::notify()
{
    if (m_listener)
        m_listener(m_text, m_done, m_total, false);
}

LinkedProgress::LinkedProgress(IProgress *base, Listener listener) : Progress(std::move(listener)), m_base(base)
{
    if (m_base)
        adoptText(m_base->Text());
}

void LinkedProgress::Start(const QString &text, int total)
{
    Progress::Start(text, total);
    if (m_base)
        m_base->Start(text, total);
}

void LinkedProgress::SetText(const QString &text)
{
    Progress::SetText(text);
    if (m_base)
        m_base->SetText(text);
}

void LinkedProgress::Step(int done)
{
    Progress::Step(done);
    if (m_base)
        m_base->Step(done);
}

void LinkedProgress::End()
{
    Progress::End();
    if (m_base)
        m_base->End();
}

bool LinkedProgress::Cancelled() const { return Progress::Cancelled() || (m_base && m_base->Cancelled()); }

} // namespace KvoPlx800SCtl::HostKit
