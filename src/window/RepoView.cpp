#include "window/RepoView.h"

#include "dialogs/SheetPresenter.h"
#include "model/RepoController.h"
#include "widgets/AsyncButton.h"
#include "widgets/ButtonStyles.h"
#include "widgets/Icons.h"
#include "window/ChangeList.h"
#include "window/ChangeView.h"
#include "window/FocusedValues.h"
#include "window/Sidebar.h"

#include <QAction>
#include <QShowEvent>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>

namespace {

QToolButton *toolbarButton(const QString &title, const QString &symbol,
                           const QString &accessibleName)
{
    auto *button = new QToolButton;
    button->setText(title);
    button->setIcon(icons::symbol(symbol));
    button->setAccessibleName(accessibleName);
    VerticalLabelStyle::apply(button);
    return button;
}

// Runs the controller's operation on a press, busy until it ends.
AsyncButton *asyncButton(QToolButton *button, QPointer<RepoController> controller,
                         QCoro::Task<> (RepoController::*operation)())
{
    return new AsyncButton(
        button->text(),
        [controller, operation]() -> QCoro::Task<> {
            if (controller)
                co_await (controller.data()->*operation)();
        },
        nullptr, button);
}

QWidget *spacer()
{
    auto *widget = new QWidget;
    widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return widget;
}

} // namespace

RepoView::RepoView(RepoController *controller, QWidget *parent)
    : QMainWindow(parent), m_controller(controller), m_sidebar(new Sidebar(controller)),
      m_changeList(new ChangeList(controller,
                                  platform::Binding<ChangeSet>{[this] { return m_selection; },
                                                               [this](const ChangeSet &selection) {
                                                                   setSelection(selection);
                                                               }})),
      m_changeView(new ChangeView), m_splitter(new QSplitter(Qt::Horizontal)),
      m_sheets(new SheetPresenter(this, [this] { return m_controller.data(); })),
      m_timer(new QTimer(this))
{
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_changeList);
    m_splitter->addWidget(m_changeView);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setStretchFactor(2, 2);
    m_splitter->setSizes({180, 300, 520});
    setCentralWidget(m_splitter);
    buildToolbar();
    resize(1100, 700);

    m_timer->setInterval(5000);
    m_timer->setTimerType(Qt::PreciseTimer);
    // Each tick starts a refresh of its own; ticks neither wait for nor cancel each other.
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_controller)
            m_controller->refreshSelectedChangeDiffs();
    });

    connect(m_sidebar, &Sidebar::appeared, this, [this] {
        if (m_controller)
            m_controller->selectFirstBookmarkAndRemote();
    });
    connect(m_changeList, &ChangeList::shown, this, [this] {
        m_timer->start();
        if (m_controller)
            m_controller->loadChangeLog();
    });
    connect(m_changeList, &ChangeList::hidden, m_timer, &QTimer::stop);

    publishFocusedValues();
}

RepoView::~RepoView()
{
    // The columns go while the window's own state still stands: the change list reads
    // and writes the window's selection.
    delete m_splitter;
}

RepoController *RepoView::controller() const
{
    return m_controller;
}

void RepoView::buildToolbar()
{
    auto *toolbar = new QToolBar;
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(VerticalLabelStyle::iconSize(toolbar));
    addToolBar(toolbar);

    const QPointer<RepoController> controller = m_controller;
    auto *addChange = toolbarButton(tr("Add Change"), QStringLiteral("plus"), tr("Add Change"));
    m_addChange = asyncButton(addChange, controller, &RepoController::addChange);

    auto *commit = toolbarButton(tr("Commit"), QStringLiteral("c.square"), tr("Commit Change"));
    connect(commit, &QToolButton::clicked, this, [this] { m_sheets->setSheet(Sheet::addChange); });

    auto *push =
        toolbarButton(tr("Push"), QStringLiteral("square.and.arrow.up"), tr("Push Changes"));
    connect(push, &QToolButton::clicked, this, [this] { m_sheets->setSheet(Sheet::push); });

    auto *pull =
        toolbarButton(tr("Pull"), QStringLiteral("square.and.arrow.down"), tr("Pull Changes"));
    m_pull = asyncButton(pull, controller, &RepoController::pull);

    toolbar->addWidget(spacer());
    toolbar->addWidget(m_addChange);
    toolbar->addWidget(commit);
    toolbar->addWidget(push);
    toolbar->addWidget(m_pull);
    toolbar->addWidget(spacer());
    m_buttons = {addChange, commit, push, pull};
}

QList<QToolButton *> RepoView::toolbarButtons() const
{
    return m_buttons;
}

void RepoView::setSelection(const ChangeSet &selection)
{
    m_selection = selection;
    m_changeView->setChange(m_selection.first());
}

void RepoView::publishFocusedValues()
{
    auto &values = platform::FocusedValues::instance();
    values.publishRepoController(window(), controllerBinding(m_controller));
    const QPointer<RepoView> self(this);
    values.publishSheetToShow(
        window(), platform::Binding<Sheet>{[self] {
                                               const std::optional<Sheet> shown =
                                                   self ? self->m_sheets->sheet() : std::nullopt;
                                               return shown.value_or(Sheet::addChange);
                                           },
                                           [self](const Sheet &sheet) {
                                               if (self)
                                                   self->m_sheets->setSheet(sheet);
                                           }});
}

void RepoView::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        publishFocusedValues();
}
