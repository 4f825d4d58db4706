#pragma once

#include <QString>

namespace KvoPlx800SCtl {

// The host window's sizing interface of the data-entry control. All sizes are in twips. This
// class answers 0 and does nothing; a host window overrides what it can answer.
class IContainer
{
public:
    virtual ~IContainer() = default;
    virtual float Height() const { return 0; }
    virtual float Left() const { return 0; }
    virtual float ScaleWidth() const { return 0; }
    // The host applies the control's WidthMin and HeightMin to its own minimum size again.
    virtual void SizeMin() {}
    virtual float TextWidth(QString &strText) const
    {
        Q_UNUSED(strText);
        return 0;
    }
    virtual float Top() const { return 0; }
    virtual float Width() const { return 0; }
};

} // namespace KvoPlx800SCtl
