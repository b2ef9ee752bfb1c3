#pragma once

#include <QCoro/QCoroTask>
#include <QDialog>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class AsyncButton;

// The layout every dialog sheet shares: a headline prompt over the inputs, then a row
// of "Cancel", a spacer and the action button. Escape is Cancel and Return the action
// (from a one-line field or a button; a text editor keeps Return for its line breaks).
// The action runs to its end even when the dialog is closed meanwhile.
class DialogFrame : public QDialog {
    Q_OBJECT

public:
    // Closes the dialog if it is still shown; otherwise does nothing.
    void dismiss();

    QPushButton *cancelButton() const { return m_cancelButton; }
    AsyncButton *actionButton() const { return m_actionButton; }

protected:
    enum class Padding {
        // The prompt padded on top, each input on its sides, the button row all round.
        frame,
        // One padding around the whole dialog, none inside it.
        stack,
    };

    DialogFrame(const QString &prompt, const QString &actionTitle, QWidget *parent,
                Padding padding = Padding::frame);

    // Appends an input below the prompt (and below the inputs added before it). The
    // first input takes the focus when the dialog opens.
    void addInput(QWidget *input);

    // The dialog's work. It must read what it needs before its first suspension: the
    // dialog may be gone when it resumes.
    virtual QCoro::Task<> action() = 0;

private:
    QBoxLayout *m_inputs;
    QWidget *m_lastInput = nullptr;
    QPushButton *m_cancelButton;
    AsyncButton *m_actionButton;
};

// A headline text: a prompt of the system's own.
QLabel *makeHeadline(const QString &text, QWidget *parent = nullptr);

// A one-line text input whose title shows in the empty field.
QLineEdit *makeTextField(const QString &title, QWidget *parent = nullptr);

// The dialogs' multi-line text input: never lower than 128 pixels, and it takes all
// the height the dialog gives it.
QPlainTextEdit *makeTextEditor(QWidget *parent = nullptr);

// A text editor's text exactly as it stands: its lines joined with "\n", every other
// character as it is (toPlainText would make no-break spaces blanks and line separators
// line feeds).
QString editorText(const QPlainTextEdit *editor);
// Puts a text into an editor so that editorText gives it back unchanged, and clears the
// editor's undo history. The document would end a line at "\r" and U+2029 as at "\n";
// such characters are kept in their lines instead, as marks that show what they are and
// that the user deletes as any other character.
void setEditorText(QPlainTextEdit *editor, const QString &text);
