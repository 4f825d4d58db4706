#include "frmexamine.h"

#include "ukvosearch.h"

#include "columns/cfiltercolumns.h"
#include "core/tracescope.h"

#include "hostkit/formsinterface.h"
#include "hostkit/messagebox.h"
#include "hostkit/resourcetexts.h"
#include "hostkit/serviceshelper.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScopeGuard>

namespace KvoPlx800SCtl {

using namespace HostKit;

namespace {

constexpr const char *Module = "frmExamine";

constexpr int CaptionView = 6819;
constexpr int CaptionEdit = 6816;
constexpr int UnsavedChangesQuestion = 7872;

bool closingWithoutQuestions() { return FormsGlobal::instance().ClosingMode() == 1; }

} // namespace

frmExamine::frmExamine(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmExamine"));
    setModal(true);
    setSizeGripEnabled(false);
    m_cseEdit = new UKVOSearch(this);
    m_cseEdit->setObjectName(QStringLiteral("cseEdit"));
    m_cseEdit->InitProperties();

    connect(m_cseEdit, &UKVOSearch::OkButtonClick, this, [this] {
        traced("cseEdit_OkButtonClick", Module, [&] {
            // A record that could not be saved keeps the window open with what the user typed.
            if (m_cseEdit->IsDirty() && !m_cseEdit->SaveData())
                return;
            unloadWindow(QDialog::Accepted);
        });
    });
    connect(m_cseEdit, &UKVOSearch::CancelButtonClick, this,
            [this] { traced("cseEdit_CancelButtonClick", Module, [&] { unloadWindow(QDialog::Rejected); }); });
    // The window is the host here: editing is always accepted.
    connect(
            m_cseEdit, &UKVOSearch::OnStartEditing, this, [](ISearchBaseEntry *&, bool &accepted) { accepted = true; },
            Qt::DirectConnection);
    load();
}

frmExamine::~frmExamine()
{
    // Closing the control may press its Cancel button; this window no longer listens.
    disconnect(m_cseEdit, nullptr, this, nullptr);
    m_cseEdit->CloseSearch();
}

void frmExamine::View(CFilterColumns &columns, RecordSet *rstSource, ISearchBaseEntry *oSource)
{
    traced("View", Module, [&] {
        prepare(columns, rstSource, oSource, cseModeExamine);
        exec();
    });
}

void frmExamine::Edit(CFilterColumns &columns, RecordSet *rstSource, ISearchBaseEntry *oSource)
{
    traced("Edit", Module, [&] {
        prepare(columns, rstSource, oSource, cseModeEdit);
        exec();
    });
}

void frmExamine::prepare(CFilterColumns &columns, RecordSet *rstSource, ISearchBaseEntry *oSource,
                         KVOSearchEditExamineModes mode)
{
    traced("prepare", Module, [&] {
        setResourceText(this, mode == cseModeExamine ? CaptionView : CaptionEdit);
        // A failed opening still shows the window: the control then shows its banner.
        m_cseEdit->OpenSearch(this, columns.handler(), columns.baseTable(), columns.catalog(), columns.profile(), 0,
                              columns.baseStructure());
        m_cseEdit->Display(rstSource, oSource, mode);
        m_centreIn = columns.ownerRect();
        KvoPlx800SCtl::centreInOwner(this, *m_centreIn);
        m_cseEdit->setFocus();
    });
}

// Loading: unless windows close without questions, the window takes 80 % of the screen.
void frmExamine::load()
{
    traced("Form_Load", Module, [&] {
        if (closingWithoutQuestions())
            return;
        const QRect screen = screenRect();
        resize(int(screen.width() * 0.8), int(screen.height() * 0.8));
    });
}

// The window's frame is known once it is shown: the minimum size and the centring take it in.
void frmExamine::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    SizeMin();
    if (m_centreIn) {
        KvoPlx800SCtl::centreInOwner(this, *m_centreIn);
        m_centreIn.reset();
    }
}

// --- IContainer -----------------------------------------------------------------------------

float frmExamine::Height() const { return toTwips(frameGeometry().height()); }

float frmExamine::Left() const { return toTwips(frameGeometry().left()); }

float frmExamine::ScaleWidth() const { return toTwips(width()); }

float frmExamine::TextWidth(QString &strText) const { return toTwips(fontMetrics().horizontalAdvance(strText)); }

float frmExamine::Top() const { return toTwips(frameGeometry().top()); }

float frmExamine::Width() const { return toTwips(frameGeometry().width()); }

// The smallest window that still shows the whole control: the control's minimum size where it
// sits, plus the window's borders.
void frmExamine::SizeMin()
{
    traced("IContainer_SizeMin", Module, [&] {
        const QSize frame = frameGeometry().size() - size();
        m_minWidth = toTwips(m_cseEdit->x()) + m_cseEdit->WidthMin() + toTwips(frame.width());
        m_minHeight = toTwips(m_cseEdit->y()) + m_cseEdit->HeightMin() + toTwips(frame.height());
        setMinimumSize(qMax(0, toPixels(m_minWidth) - frame.width()), qMax(0, toPixels(m_minHeight) - frame.height()));
    });
}

// --- Events ---------------------------------------------------------------------------------

void frmExamine::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_resizing || (windowState() & Qt::WindowMinimized))
        return;
    traced("Form_Resize", Module, [&] {
        m_resizing = true;
        const auto resized = qScopeGuard([this] { m_resizing = false; });
        if (windowState() == Qt::WindowNoState)
            keepInBounds();
        m_cseEdit->setGeometry(rect());
    });
}

// Not smaller than the minimum, and the right and bottom edges on the screen.
void frmExamine::keepInBounds()
{
    const QSize frame = frameGeometry().size() - size();
    QSize inner = size();
    if (toTwips(inner.width() + frame.width()) < m_minWidth)
        inner.setWidth(toPixels(m_minWidth) - frame.width());
    if (toTwips(inner.height() + frame.height()) < m_minHeight)
        inner.setHeight(toPixels(m_minHeight) - frame.height());
    const QRect screen = screenRect();
    QPoint position = frameGeometry().topLeft();
    const QSize outer = inner + frame;
    if (position.x() + outer.width() > screen.right() + 1)
        position.setX(qMax(screen.left(), screen.right() + 1 - outer.width()));
    if (position.y() + outer.height() > screen.bottom() + 1)
        position.setY(qMax(screen.top(), screen.bottom() + 1 - outer.height()));
    if (inner != size())
        resize(inner);
    if (position != frameGeometry().topLeft())
        move(position);
}

// The caption follows a language change (the control then makes its computed texts anew).
void frmExamine::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslateTexts(this);
}

// The close box (and closing by code): a visible window is only hidden, its caller unloads it.
// Unsaved changes are asked about first, unless windows close without questions.
void frmExamine::closeEvent(QCloseEvent *event)
{
    if (m_unloading || !isVisible()) {
        event->accept();
        return;
    }
    event->ignore();
    traced("Form_QueryUnload", Module, [&] {
        if (!closingWithoutQuestions() && m_cseEdit->IsDirty()) {
            const int answer = ServicesHelper::instance().ShowMessage(
                    ResourceTexts::instance().Text(UnsavedChangesQuestion), MsgBox::vbYesNoCancel | MsgBox::vbQuestion,
                    windowTitle(), &m_owner);
            if (answer == MsgBox::vbCancel)
                return;
            if (answer == MsgBox::vbYes && !m_cseEdit->SaveData())
                return;
        }
        unloadWindow(QDialog::Rejected);
    });
}

void frmExamine::reject()
{
    if (m_unloading)
        QDialog::reject();
    else
        close();
}

// Esc belongs to the control: it presses the control's cancel button when it has one. An Esc
// that reaches the window past the control closes the window as the close box does.
void frmExamine::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (m_forwardingKey)
        return;
    QWidget *focus = focusWidget();
    if (!focus || (focus != m_cseEdit && !m_cseEdit->isAncestorOf(focus))) {
        m_forwardingKey = true;
        event->ignore();
        QCoreApplication::sendEvent(m_cseEdit, event);
        m_forwardingKey = false;
        if (event->isAccepted())
            return;
    }
    event->accept();
    close();
}

void frmExamine::unloadWindow(int result)
{
    m_unloading = true;
    done(result);
    m_unloading = false;
}

} // namespace KvoPlx800SCtl
