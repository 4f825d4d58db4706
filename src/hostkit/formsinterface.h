#pragma once

#include <QString>

#include <functional>

namespace KvoPlx800SCtl::HostKit {

// A rectangle in twips (1/1440 inch; 15 twips to a pixel at 96 dpi).
struct OwnerRect
{
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
};

constexpr int TwipsPerPixel = 15;

// The host's forms-interface object of one window (`oFI`): the owner of the library's dialogs,
// messages and progress indicators.
class IFormsInterface
{
public:
    virtual ~IFormsInterface();
    virtual OwnerRect ownerRect() const = 0;
};

// A forms-interface object with a fixed rectangle.
class FixedFormsInterface : public IFormsInterface
{
public:
    explicit FixedFormsInterface(OwnerRect rect) : m_rect(rect) {}
    OwnerRect ownerRect() const override { return m_rect; }

private:
    OwnerRect m_rect;
};

// The forms-interface component's global object.
class FormsGlobal
{
public:
    static FormsGlobal &instance();

    // 1 = close windows without asking about unsaved changes.
    int ClosingMode() const { return m_closingMode; }
    void setClosingMode(int mode) { m_closingMode = mode; }

    // The diagnostic log: the table check writes its findings here when it is enabled. Lines
    // written while it is disabled are dropped.
    bool DiagnosticLogEnabled() const { return m_logEnabled; }
    void setDiagnosticLogEnabled(bool on) { m_logEnabled = on; }
    void WriteDiagnosticLine(const QString &line);
    // Receiver of the diagnostic lines (default: the trace service's "kvo.diagnostic" category).
    void setDiagnosticSink(std::function<void(const QString &)> sink) { m_sink = std::move(sink); }

private:
    FormsGlobal() = default;
    int m_closingMode = 0;
    bool m_logEnabled = false;
    std::function<void(const QString &)> m_sink;
};

} // namespace KvoPlx800SCtl::HostKit
