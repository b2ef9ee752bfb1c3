#pragma once

#include "model/Bookmark.h"
#include "model/ChangeSet.h"

#include <QStringList>
#include <QUrl>

// Every jj command line the application runs. A command is built, turned into its
// argument list once, and dropped. No case adds a template, a configuration override
// or a colour option: the runner names the one configuration file that pins jj's default
// output for every command alike.
class JujutsuCommand {
public:
    enum class Case {
        createRepo,
        logBookmark,
        show,
        describe,
        diff,
        commit,
        abandon,
        merge,
        rebase,
        addBookmark,
        setBookmark,
        trackBookmark,
        addRemote,
        push,
        clone,
        log,
        logAllChanges,
        logWorkingCopy,
        logWorkingCopyParent,
        logMyChanges,
        addChange,
        listBookmarks,
        listRemotes,
        pull,
    };

    static JujutsuCommand createRepo(QUrl folder);
    static JujutsuCommand logBookmark(Bookmark bookmark);
    static JujutsuCommand show(QString changeId);
    static JujutsuCommand describe(QString message, QString changeId);
    static JujutsuCommand diff(QString changeId);
    static JujutsuCommand commit(QString message);
    static JujutsuCommand abandon(ChangeSet changes);
    static JujutsuCommand merge(ChangeSet changes);
    static JujutsuCommand rebase(ChangeSet changes, ChangePtr target);
    static JujutsuCommand addBookmark(QString name);
    static JujutsuCommand setBookmark(QString name, QString revision);
    static JujutsuCommand trackBookmark(QString name, QString remote);
    static JujutsuCommand addRemote(QString name, QString url);
    static JujutsuCommand push(QString remote, QString bookmark);
    static JujutsuCommand clone(QString source, QString destinationPath);
    static JujutsuCommand log() { return JujutsuCommand(Case::log); }
    static JujutsuCommand logAllChanges() { return JujutsuCommand(Case::logAllChanges); }
    static JujutsuCommand logWorkingCopy() { return JujutsuCommand(Case::logWorkingCopy); }
    static JujutsuCommand logWorkingCopyParent()
    {
        return JujutsuCommand(Case::logWorkingCopyParent);
    }
    static JujutsuCommand logMyChanges() { return JujutsuCommand(Case::logMyChanges); }
    static JujutsuCommand addChange() { return JujutsuCommand(Case::addChange); }
    static JujutsuCommand listBookmarks() { return JujutsuCommand(Case::listBookmarks); }
    static JujutsuCommand listRemotes() { return JujutsuCommand(Case::listRemotes); }
    static JujutsuCommand pull() { return JujutsuCommand(Case::pull); }

    Case kind() const { return m_case; }

    // Each payload text is one argument: nothing is trimmed or split, and nothing is
    // quoted but the bookmark names jj reads as revset symbols. Changes are named by
    // their revision as the records hold it now; sets are walked in their order.
    QStringList arguments() const;

private:
    explicit JujutsuCommand(Case c) : m_case(c) {}
    static JujutsuCommand withTexts(Case c, QString first, QString second = {});
    static JujutsuCommand withChanges(Case c, ChangeSet changes);

    Case m_case;
    QUrl m_url;
    QString m_first;
    QString m_second;
    Bookmark m_bookmark;
    ChangeSet m_changes;
    ChangePtr m_target;
};
