#pragma once

#include "formsinterface.h"
#include "progress.h"
#include "resourcetexts.h"

#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>

namespace KvoPlx800SCtl::HostKit {

struct MessageRequest
{
    QString text;
    int style = 0; // MsgBox::Style codes added together
    QString title;
    IFormsInterface *owner = nullptr;
    Picture picture;
};

// The services component's global helper. Quoting lives with each connection's dialect; the rest
// is here. Message boxes go through a replaceable handler: the widgets library installs one that
// shows a real box, tests and headless hosts script the answer. Without a handler the message is
// written to the trace service and the box's default button is the answer.
class ServicesHelper
{
public:
    static ServicesHelper &instance();

    using MessageHandler = std::function<int(const MessageRequest &)>;
    // Installs a handler and returns the one it replaces.
    MessageHandler setMessageHandler(MessageHandler handler);
    int ShowMessage(const QString &text, int style, const QString &title = {}, IFormsInterface *owner = nullptr,
                    const Picture &picture = {});

    // A progress indicator for a window; with `base` it takes over the base's text and reports
    // through it as well.
    using ProgressFactory = std::function<std::unique_ptr<IProgress>(IFormsInterface *owner, IProgress *base)>;
    void setProgressFactory(ProgressFactory factory) { m_progressFactory = std::move(factory); }
    std::unique_ptr<IProgress> ProgressIndicator(IFormsInterface *owner, IProgress *base = nullptr);

    // Error report of the table checks: written to the trace service and kept for the host.
    void ReportError(const QString &operation, const QString &message);
    QStringList reportedErrors() const { return m_errors; }
    void clearReportedErrors() { m_errors.clear(); }

    // The parameterless idle call made by button handlers (lets pending events run).
    void setIdleHandler(std::function<void()> handler) { m_idle = std::move(handler); }
    void Idle();
    // The further parameterless call made when the host asks the search filter to edit data.
    void setEditHandler(std::function<void()> handler) { m_edit = std::move(handler); }
    void EditCall();
    int editCallCount() const { return m_editCalls; }

    // The key filter of text boxes: `key` (a character code) when the pattern admits it, else
    // 0 (the key is dropped). The pattern is a list of class letters, optionally followed by
    // "/" and characters admitted as they are: U letters that are not lower-case (upper-case and
    // letters without case), L lower-case letters, D digits and other numerals, Z control keys
    // (Backspace, Tab, Enter, ...). Characters in `refused` are dropped whatever the classes say.
    // So "ULDZ/_" admits what a column name may hold (letters, digits and "_"), "ULDZ/_ " also a
    // space.
    int KeyFilter(int key, const QString &pattern, const QString &refused = {}) const;
    // Whether every character of `text` passes KeyFilter (text pasted or set at once).
    bool PassesKeyFilter(const QString &text, const QString &pattern, const QString &refused = {}) const;

    // Whether the table check runs the population check.
    bool PopulationCheckWanted() const { return m_population; }
    void setPopulationCheckWanted(bool on) { m_population = on; }

    // Size of the screen in twips (without a window system: 1024 x 768 pixels).
    QSizeF ScreenSizeTwips() const;
    void setScreenSizeProvider(std::function<QSizeF()> provider) { m_screen = std::move(provider); }

    // The application's title, used in traces and message titles.
    QString ApplicationTitle() const { return m_title; }
    void setApplicationTitle(const QString &title) { m_title = title; }

private:
    ServicesHelper() = default;

    MessageHandler m_handler;
    ProgressFactory m_progressFactory;
    QStringList m_errors;
    std::function<void()> m_idle;
    std::function<void()> m_edit;
    std::function<QSizeF()> m_screen;
    int m_editCalls = 0;
    bool m_population = true;
    QString m_title = QStringLiteral("KVO Search Columns");
};

} // namespace KvoPlx800SCtl::HostKit
