#pragma once

#include "model/Change.h"

#include <QScrollArea>

class DiffView;
class LabelView;
class QLabel;

// The detail column: one change's ids, author, time stamp and description, and below
// them its diff. It runs nothing: it shows what the change holds and follows every
// later write of its fields.
class ChangeView : public QScrollArea {
    Q_OBJECT

public:
    explicit ChangeView(QWidget *parent = nullptr);

    ChangePtr change() const { return m_change; }
    // Shows the change; null shows a fresh empty one.
    void setChange(ChangePtr change);

    LabelView *changeIdView() const { return m_changeId; }
    LabelView *commitHashView() const { return m_commitHash; }
    LabelView *authorView() const { return m_author; }
    LabelView *timestampView() const { return m_timestamp; }
    QLabel *descriptionHeading() const { return m_descriptionHeading; }
    QLabel *descriptionLabel() const { return m_description; }
    QLabel *diffHeading() const { return m_diffHeading; }
    DiffView *diffView() const { return m_diff; }

private:
    void showFields();

    ChangePtr m_change;
    LabelView *m_changeId;
    LabelView *m_commitHash;
    LabelView *m_author;
    LabelView *m_timestamp;
    QLabel *m_descriptionHeading;
    QLabel *m_description;
    QLabel *m_diffHeading;
    DiffView *m_diff;
};
