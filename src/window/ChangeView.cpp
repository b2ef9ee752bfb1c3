#include "window/ChangeView.h"

#include "widgets/DiffView.h"
#include "widgets/Fonts.h"
#include "widgets/LabelView.h"

#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLabel *heading(const QString &text)
{
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(fonts::heading(label->font()));
    return label;
}

} // namespace

ChangeView::ChangeView(QWidget *parent)
    : QScrollArea(parent), m_changeId(new LabelView(tr("Change ID:"))),
      m_commitHash(new LabelView(tr("Commit Hash:"))), m_author(new LabelView(tr("Author:"))),
      m_timestamp(new LabelView(tr("Timestamp:"))),
      m_descriptionHeading(heading(tr("Change Description"))), m_description(new QLabel),
      m_diffHeading(heading(tr("What Changed"))), m_diff(new DiffView)
{
    const int padding = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);

    auto *details = new QWidget;
    auto *detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(0, padding, 0, padding);
    detailsLayout->addWidget(m_changeId);
    detailsLayout->addWidget(m_commitHash);
    detailsLayout->addWidget(m_author);
    detailsLayout->addWidget(m_timestamp);
    m_descriptionHeading->setContentsMargins(padding, padding, padding, padding);
    detailsLayout->addWidget(m_descriptionHeading);
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);
    m_description->setContentsMargins(padding, 0, padding, 0);
    detailsLayout->addWidget(m_description);

    auto *changes = new QWidget;
    auto *changesLayout = new QVBoxLayout(changes);
    changesLayout->setContentsMargins(padding, 0, padding, 0);
    m_diffHeading->setContentsMargins(0, 0, 0, padding);
    changesLayout->addWidget(m_diffHeading);
    changesLayout->addWidget(m_diff);

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(details);
    layout->addWidget(changes);
    layout->addStretch(1);

    setWidget(content);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);

    setChange(nullptr);
}

void ChangeView::setChange(ChangePtr change)
{
    if (!change)
        change = std::make_shared<Change>();
    if (change == m_change)
        return;
    if (m_change)
        disconnect(m_change.get(), nullptr, this, nullptr);
    m_change = std::move(change);
    Change *c = m_change.get();
    connect(c, &Change::changeIdChanged, this, [this, c] { m_changeId->setValue(c->changeId()); });
    connect(c, &Change::commitHashChanged, this,
            [this, c] { m_commitHash->setValue(c->commitHash()); });
    connect(c, &Change::authorChanged, this, [this, c] { m_author->setValue(c->author()); });
    connect(c, &Change::timestampChanged, this,
            [this, c] { m_timestamp->setValue(c->timestamp()); });
    connect(c, &Change::descriptionChanged, this,
            [this, c] { m_description->setText(c->description()); });
    connect(c, &Change::changedTextChanged, this, [this, c] { m_diff->setText(c->changedText()); });
    showFields();
}

void ChangeView::showFields()
{
    m_changeId->setValue(m_change->changeId());
    m_commitHash->setValue(m_change->commitHash());
    m_author->setValue(m_change->author());
    m_timestamp->setValue(m_change->timestamp());
    m_description->setText(m_change->description());
    m_diff->setText(m_change->changedText());
}
