#pragma once

#include "hostkit/serviceshelper.h"

#include <QMessageBox>

#include <memory>

// The services helper's message box on Qt Widgets: the style code (buttons + icon + default
// button) becomes a QMessageBox, the button chosen becomes the MsgBox result code.
namespace KvoPlx800SCtl::WidgetMessageBox {

// The box for a request, not shown yet. Its title is the request's, or the application's title.
std::unique_ptr<QMessageBox> create(const HostKit::MessageRequest &request, QWidget *parent);
// The MsgBox result of the button a shown box was closed with; a box closed without a button
// answers Cancel when it has one, else its default button.
int result(const QMessageBox &box, int style);
// Shows the request modally over its owner and returns the button chosen. The message handler
// that installWidgetsSupport installs.
int show(const HostKit::MessageRequest &request);

} // namespace KvoPlx800SCtl::WidgetMessageBox
