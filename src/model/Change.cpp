#include "model/Change.h"

#include "model/Text.h"

namespace {
// The setter rule: store silently when the text is the same, otherwise notify once.
template<typename Signal>
void assign(Change *change, QString &field, const QString &value, Signal signal)
{
    if (text::canonicallyEqual(field, value)) {
        field = value;
        return;
    }
    field = value;
    emit(change->*signal)();
}
} // namespace

void Change::setChangeId(const QString &v)
{
    assign(this, m_changeId, v, &Change::changeIdChanged);
}
void Change::setAuthor(const QString &v)
{
    assign(this, m_author, v, &Change::authorChanged);
}
void Change::setTimestamp(const QString &v)
{
    assign(this, m_timestamp, v, &Change::timestampChanged);
}
void Change::setCommitHash(const QString &v)
{
    assign(this, m_commitHash, v, &Change::commitHashChanged);
}
void Change::setDescription(const QString &v)
{
    assign(this, m_description, v, &Change::descriptionChanged);
}
void Change::setChangedText(const QString &v)
{
    assign(this, m_changedText, v, &Change::changedTextChanged);
}

bool operator==(const Change &a, const Change &b)
{
    return text::canonicallyEqual(a.changeId(), b.changeId());
}

bool namesSameChange(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    return a.size() <= b.size() ? b.startsWith(a) : a.startsWith(b);
}

size_t qHash(const Change &change, size_t seed)
{
    return text::canonicalHash(change.changeId(), seed);
}

Json Change::toJson() const
{
    Json json = Json::object();
    json["_changeId"] = coding::toUtf8(m_changeId);
    json["_author"] = coding::toUtf8(m_author);
    json["_timestamp"] = coding::toUtf8(m_timestamp);
    json["_commitHash"] = coding::toUtf8(m_commitHash);
    json["_description"] = coding::toUtf8(m_description);
    json["_changedText"] = coding::toUtf8(m_changedText);
    json["_$observationRegistrar"] = coding::registrar();
    return json;
}

ChangePtr Change::fromJson(const Json &json)
{
    coding::requireObject(json, "Change");
    auto change = std::make_shared<Change>();
    change->m_changeId = coding::requireString(json, "_changeId");
    change->m_author = coding::requireString(json, "_author");
    change->m_timestamp = coding::requireString(json, "_timestamp");
    change->m_commitHash = coding::requireString(json, "_commitHash");
    change->m_description = coding::requireString(json, "_description");
    change->m_changedText = coding::requireString(json, "_changedText");
    return change;
}

QString Change::revision() const
{
    return m_divergent && !m_commitHash.isEmpty() ? m_commitHash : m_changeId;
}
