#pragma once

#include "model/Coding.h"
#include "model/CommandResult.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Folder;

// One jj change as the application shows it. Records are shared by reference between
// the change list, the selection, bookmarks and the detail view, so a field written
// later (the diff, the full description) reaches every view that shows it.
class Change : public QObject, public std::enable_shared_from_this<Change> {
    Q_OBJECT
    Q_PROPERTY(QString changeId READ changeId WRITE setChangeId NOTIFY changeIdChanged)
    Q_PROPERTY(QString author READ author WRITE setAuthor NOTIFY authorChanged)
    Q_PROPERTY(QString timestamp READ timestamp WRITE setTimestamp NOTIFY timestampChanged)
    Q_PROPERTY(QString commitHash READ commitHash WRITE setCommitHash NOTIFY commitHashChanged)
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY descriptionChanged)
    Q_PROPERTY(QString changedText READ changedText WRITE setChangedText NOTIFY changedTextChanged)

public:
    // The texts of a record, in field order, and the divergence mark.
    struct Texts {
        QString changeId;
        QString author;
        QString timestamp;
        QString commitHash;
        QString description;
        QString changedText;
        bool divergent = false;
    };

    Change() = default;
    // A record filled at once, as a reader makes it: nobody observes it yet.
    explicit Change(Texts texts);

    QString changeId() const { return m_changeId; }
    QString author() const { return m_author; }
    QString timestamp() const { return m_timestamp; }
    QString commitHash() const { return m_commitHash; }
    QString description() const { return m_description; }
    QString changedText() const { return m_changedText; }

    // Writing the text a field already holds notifies nobody.
    void setChangeId(const QString &value);
    void setAuthor(const QString &value);
    void setTimestamp(const QString &value);
    void setCommitHash(const QString &value);
    void setDescription(const QString &value);
    void setChangedText(const QString &value);

    // jj printed the change id as divergent: several visible commits share it, so the id
    // names none of them alone. Kept apart from the six texts; the log and bookmark
    // readers set it.
    bool isDivergent() const { return m_divergent; }
    void setDivergent(bool divergent) { m_divergent = divergent; }
    // What jj commands name this change by: its change id, or for a divergent change the
    // commit the user picked.
    QString revision() const;

    Json toJson() const;
    // Throws CodingError; no partly filled record is returned.
    static std::shared_ptr<Change> fromJson(const Json &json);
    // The texts of a persisted record, read on any thread; throws as fromJson does.
    static Texts textsFromJson(const Json &json);

    // Fills the record from `jj show`; returns the run's text.
    QCoro::Task<QString> show(Folder folder);
    // Fills the record from `jj show` and gives the description as the user wrote it, for
    // an editor: empty for a change without one (never jj's placeholder). A failed run
    // answers with jj's failure; output that cannot be read is a failure too, with that
    // output as its text, so that no editor starts from a description that is not there.
    QCoro::Task<CommandResult> loadEditableDescription(Folder folder);
    // Stores the `jj diff --git` text in changedText on success; returns the run's text
    // (the diff, or the failure text).
    QCoro::Task<QString> diff(Folder folder);
    // Sets the description in the repository; gives the run's outcome. The record is left
    // as it is either way.
    QCoro::Task<CommandResult> describe(QString text, Folder folder);

    // Runs the five `jj show` field readers over a whole output, in the order commit
    // id, change id, author, time stamp, description. Gives the description as the user
    // wrote it, when it could be read.
    std::optional<QString> readShowOutput(const QString &output);

signals:
    void changeIdChanged();
    void authorChanged();
    void timestampChanged();
    void commitHashChanged();
    void descriptionChanged();
    void changedTextChanged();

private:
    QString m_changeId;
    QString m_author;
    QString m_timestamp;
    QString m_commitHash;
    QString m_description;
    QString m_changedText;
    bool m_divergent = false;
};

using ChangePtr = std::shared_ptr<Change>;

// Tells of the description written into any record, so that a list of a hundred
// thousand rows listens once instead of once per record. Records are written on the
// GUI thread, where this lives.
class DescriptionWrites : public QObject {
    Q_OBJECT

public:
    static DescriptionWrites &instance();

signals:
    // After the record's own descriptionChanged.
    void written(Change *change);

private:
    DescriptionWrites() = default;
};

// A change's identity is its change id.
bool operator==(const Change &a, const Change &b);
size_t qHash(const Change &change, size_t seed = 0);

// Whether two change ids name one change. jj prints an id in full (`jj show`) or as its
// shortest unique prefix (the logs), so an id that begins the other names it too.
bool namesSameChange(const QString &a, const QString &b);
