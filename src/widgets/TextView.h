#pragma once

#include <QPlainTextEdit>

// A scrolling, read-only, selectable view of a text in the monospaced 14-point font,
// always shown as plain text. Only the vertical scroller is on: long lines wrap.
class TextView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextView(QWidget *parent = nullptr);

    // Replaces the whole text, even when it has not changed.
    void setContents(const QString &contents);
};
