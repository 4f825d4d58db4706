#include "widgetmessagebox.h"

#include "windowsupport.h"

#include "hostkit/messagebox.h"

#include <QAbstractButton>
#include <QPointer>

namespace KvoPlx800SCtl::WidgetMessageBox {

using namespace HostKit;

namespace {

struct ButtonPair
{
    int result;
    QMessageBox::StandardButton button;
};

constexpr ButtonPair pairs[] = {
        {MsgBox::vbOK, QMessageBox::Ok},         {MsgBox::vbCancel, QMessageBox::Cancel},
        {MsgBox::vbAbort, QMessageBox::Abort},   {MsgBox::vbRetry, QMessageBox::Retry},
        {MsgBox::vbIgnore, QMessageBox::Ignore}, {MsgBox::vbYes, QMessageBox::Yes},
        {MsgBox::vbNo, QMessageBox::No},
};

QMessageBox::StandardButton buttonOf(int result)
{
    for (const ButtonPair &pair : pairs) {
        if (pair.result == result)
            return pair.button;
    }
    return QMessageBox::NoButton;
}

int resultOf(QMessageBox::StandardButton button)
{
    for (const ButtonPair &pair : pairs) {
        if (pair.button == button)
            return pair.result;
    }
    return 0;
}

// The buttons of a style's button code, in the order the default-button index counts them.
QList<int> resultsOf(int buttons)
{
    switch (buttons) {
    case MsgBox::vbOKCancel:
        return {MsgBox::vbOK, MsgBox::vbCancel};
    case MsgBox::vbAbortRetryIgnore:
        return {MsgBox::vbAbort, MsgBox::vbRetry, MsgBox::vbIgnore};
    case MsgBox::vbYesNoCancel:
        return {MsgBox::vbYes, MsgBox::vbNo, MsgBox::vbCancel};
    case MsgBox::vbYesNo:
        return {MsgBox::vbYes, MsgBox::vbNo};
    case MsgBox::vbRetryCancel:
        return {MsgBox::vbRetry, MsgBox::vbCancel};
    default:
        return {MsgBox::vbOK};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (MsgBox::iconOf(style)) {
    case MsgBox::vbCritical:
        return QMessageBox::Critical;
    case MsgBox::vbQuestion:
        return QMessageBox::Question;
    case MsgBox::vbExclamation:
        return QMessageBox::Warning;
    case MsgBox::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

std::unique_ptr<QMessageBox> create(const MessageRequest &request, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.title.isEmpty() ? ServicesHelper::instance().ApplicationTitle() : request.title);
    box->setText(request.text);
    box->setIcon(iconOf(request.style));
    const QPixmap picture = pixmapFromPicture(request.picture);
    if (!picture.isNull())
        box->setIconPixmap(picture);
    const QList<int> results = resultsOf(MsgBox::buttonsOf(request.style));
    QMessageBox::StandardButtons buttons;
    for (int result : results)
        buttons |= buttonOf(result);
    box->setStandardButtons(buttons);
    box->setDefaultButton(buttonOf(MsgBox::defaultResult(request.style)));
    if (results.contains(MsgBox::vbCancel))
        box->setEscapeButton(QMessageBox::Cancel);
    else if (results.size() == 1)
        box->setEscapeButton(buttonOf(results.first()));
    return box;
}

int result(const QMessageBox &box, int style)
{
    if (QAbstractButton *clicked = box.clickedButton()) {
        const int answer = resultOf(box.standardButton(clicked));
        if (answer != 0)
            return answer;
    }
    if (resultsOf(MsgBox::buttonsOf(style)).contains(MsgBox::vbCancel))
        return MsgBox::vbCancel;
    return MsgBox::defaultResult(style);
}

int show(const MessageRequest &request)
{
    std::unique_ptr<QMessageBox> box = create(request, ownerWidget(request.owner));
    const QPointer<QMessageBox> alive(box.get());
    box->exec();
    if (!alive) {
        // The owner window went away while the box was open, and took the box with it.
        (void)box.release();
        return result(QMessageBox(), request.style);
    }
    return result(*box, request.style);
}

} // namespace KvoPlx800SCtl::WidgetMessageBox
