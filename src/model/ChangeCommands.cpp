// A change's own jj commands: it fills itself from `jj show`, reads its diff and sets
// its description. Apart from the record itself, which the commands' payloads refer to.
#include "model/Change.h"

#include "model/CommandProcess.h"
#include "model/Folder.h"
#include "model/JujutsuCommand.h"
#include "model/ShowReader.h"

std::optional<QString> Change::readShowOutput(const QString &output)
{
    return showreader::apply(*this, output);
}

QCoro::Task<QString> Change::show(Folder folder)
{
    // Keeps the record alive while jj runs, whoever drops it meanwhile.
    const ChangePtr keepAlive = weak_from_this().lock();
    const CommandResult result = co_await runCommand(folder.url, JujutsuCommand::show(revision()));
    if (!result.isError)
        readShowOutput(result.text);
    co_return result.text;
}

QCoro::Task<CommandResult> Change::loadEditableDescription(Folder folder)
{
    const ChangePtr keepAlive = weak_from_this().lock();
    const CommandResult result = co_await runCommand(folder.url, JujutsuCommand::show(revision()));
    if (result.isError)
        co_return result;
    if (const std::optional<QString> description = readShowOutput(result.text))
        co_return CommandResult{*description};
    co_return CommandResult{result.text, true};
}

QCoro::Task<QString> Change::diff(Folder folder)
{
    const ChangePtr keepAlive = weak_from_this().lock();
    const CommandResult result = co_await runCommand(folder.url, JujutsuCommand::diff(revision()));
    if (!result.isError)
        setChangedText(result.text);
    co_return result.text;
}

QCoro::Task<CommandResult> Change::describe(QString text, Folder folder)
{
    const ChangePtr keepAlive = weak_from_this().lock();
    co_return co_await runCommand(folder.url, JujutsuCommand::describe(text, revision()));
}
