#include "model/Change.h"

#include "model/Text.h"

namespace {
// The setter rule: store silently when the text is the same, otherwise notify once.
// Says whether it notified.
template<typename Signal>
bool assign(Change *change, QString &field, const QString &value, Signal signal)
{
    if (text::canonicallyEqual(field, value)) {
        field = value;
        return false;
    }
    field = value;
    emit(change->*signal)();
    return true;
}
} // namespace

Change::Change(Texts texts)
    : m_changeId(std::move(texts.changeId)), m_author(std::move(texts.author)),
      m_timestamp(std::move(texts.timestamp)), m_commitHash(std::move(texts.commitHash)),
      m_description(std::move(texts.description)), m_changedText(std::move(texts.changedText)),
      m_divergent(texts.divergent)
{}

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
    if (assign(this, m_description, v, &Change::descriptionChanged))
        emit DescriptionWrites::instance().written(this);
}
void Change::setChangedText(const QString &v)
{
    assign(this, m_changedText, v, &Change::changedTextChanged);
}

DescriptionWrites &DescriptionWrites::instance()
{
    static DescriptionWrites *writes = new DescriptionWrites;
    return *writes;
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
    return std::make_shared<Change>(textsFromJson(json));
}

Change::Texts Change::textsFromJson(const Json &json)
{
    coding::requireObject(json, "Change");
    Texts texts;
    texts.changeId = coding::requireString(json, "_changeId");
    texts.author = coding::requireString(json, "_author");
    texts.timestamp = coding::requireString(json, "_timestamp");
    texts.commitHash = coding::requireString(json, "_commitHash");
    texts.description = coding::requireString(json, "_description");
    texts.changedText = coding::requireString(json, "_changedText");
    return texts;
}

QString Change::revision() const
{
    return m_divergent && !m_commitHash.isEmpty() ? m_commitHash : m_changeId;
}
