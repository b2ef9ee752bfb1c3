#include "dialogs/DialogFrame.h"

#include "widgets/AsyncButton.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextObjectInterface>
#include <QVBoxLayout>

namespace {
int defaultPadding(const QWidget *widget)
{
    return widget->style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, widget);
}

// A character that the document would take for the end of a line is kept in its line as
// an inline object of this type, the character itself a property of its format. Typed
// text never takes on an object type, so a mark stays one character.
constexpr int keptCharacterType = QTextFormat::UserObject + 1;
constexpr int keptCharacter = QTextFormat::UserProperty + 1;

bool documentEndsLineAt(QChar c)
{
    return c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

// Draws a kept character as a faint picture of it, in the line it stands in.
class KeptCharacterMarks : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument *document, int, const QTextFormat &format) override
    {
        const QFontMetricsF metrics(document->defaultFont());
        // The height is the ascent: an inline object stands on the baseline.
        return {metrics.horizontalAdvance(picture(format)), metrics.ascent()};
    }

    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int,
                    const QTextFormat &format) override
    {
        painter->save();
        QColor color = painter->pen().color();
        color.setAlphaF(0.5);
        painter->setPen(color);
        painter->setFont(document->defaultFont());
        painter->drawText(rect.bottomLeft(), picture(format));
        painter->restore();
    }

private:
    static QString picture(const QTextFormat &format)
    {
        const QString kept = format.stringProperty(keptCharacter);
        if (kept == u"\r")
            return QStringLiteral("\u21b5");
        if (kept == QChar::ParagraphSeparator)
            return QStringLiteral("\u00b6");
        return QStringLiteral("U+%1").arg(uint(kept.isEmpty() ? 0 : kept.at(0).unicode()), 4, 16,
                                          QLatin1Char('0'));
    }
};
} // namespace

QLabel *makeHeadline(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit *makeTextField(const QString &title, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setPlaceholderText(title);
    field->setAccessibleName(title);
    // Room for a typical URL or path.
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 48);
    return field;
}

QPlainTextEdit *makeTextEditor(QWidget *parent)
{
    auto *editor = new QPlainTextEdit(parent);
    editor->setMinimumHeight(128);
    editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return editor;
}

QString editorText(const QPlainTextEdit *editor)
{
    const QTextDocument *document = editor->document();
    QString text;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            text += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() != keptCharacterType) {
                text += fragment.text();
                continue;
            }
            for (const QChar c : fragment.text())
                text += c == QChar::ObjectReplacementCharacter
                            ? format.stringProperty(keptCharacter)
                            : QString(c);
        }
    }
    return text;
}

void setEditorText(QPlainTextEdit *editor, const QString &text)
{
    QTextDocument *document = editor->document();
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    if (!layout->handlerForObject(keptCharacterType))
        layout->registerHandler(keptCharacterType, new KeptCharacterMarks(document));

    // Off while the text goes in: the user's first undo must not take the text away.
    const bool undoable = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    editor->setPlainText(QString());
    QTextCursor cursor(document);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !documentEndsLineAt(text.at(i)))
            continue;
        // "\n" still makes a line of its own: that is what it is.
        cursor.insertText(text.mid(start, i - start), QTextCharFormat());
        if (i < text.size()) {
            QTextCharFormat mark;
            mark.setObjectType(keptCharacterType);
            mark.setProperty(keptCharacter, QString(text.at(i)));
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), mark);
        }
        start = i + 1;
    }
    document->setUndoRedoEnabled(undoable);
    document->setModified(false);
    editor->moveCursor(QTextCursor::Start);
}

DialogFrame::DialogFrame(const QString &prompt, const QString &actionTitle, QWidget *parent,
                         Padding padding)
    : QDialog(parent)
{
    const int pad = defaultPadding(this);
    const bool framed = padding == Padding::frame;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(framed ? QMargins() : QMargins(pad, pad, pad, pad));

    m_inputs = new QVBoxLayout;
    m_inputs->setContentsMargins(framed ? QMargins(pad, 0, pad, 0) : QMargins());
    auto *headline = makeHeadline(prompt);
    headline->setContentsMargins(framed ? QMargins(pad, pad, pad, 0) : QMargins(0, pad, 0, 0));
    layout->addWidget(headline);
    layout->addLayout(m_inputs, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(framed ? QMargins(pad, pad, pad, pad) : QMargins());
    m_cancelButton = new QPushButton(tr("Cancel"));
    // Return belongs to the action button, whichever button has the focus.
    m_cancelButton->setAutoDefault(false);
    m_actionButton = new AsyncButton(actionTitle, [this] { return action(); });
    if (auto *button = qobject_cast<QPushButton *>(m_actionButton->button())) {
        button->setAutoDefault(false);
        button->setDefault(true);
    }
    buttons->addWidget(m_cancelButton);
    buttons->addStretch(1);
    buttons->addWidget(m_actionButton);
    layout->addLayout(buttons);

    // Escape reaches QDialog::reject, which closes the dialog like "Cancel".
    connect(m_cancelButton, &QPushButton::clicked, this, &DialogFrame::dismiss);
}

void DialogFrame::addInput(QWidget *input)
{
    m_inputs->addWidget(input);
    if (!m_lastInput)
        input->setFocus();
    // The buttons were made first; the inputs come before them in the tab order.
    setTabOrder(input, m_cancelButton);
    setTabOrder(m_cancelButton, m_actionButton->button());
    m_lastInput = input;
}

void DialogFrame::dismiss()
{
    if (isVisible())
        reject();
}

#include "DialogFrame.moc"
