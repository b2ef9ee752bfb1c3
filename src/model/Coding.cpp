#include "model/Coding.h"

namespace coding {

void requireObject(const Json &value, const char *what)
{
    if (!value.is_object())
        throw CodingError(std::string("expected a keyed record for ") + what);
}

const Json &require(const Json &object, const char *key)
{
    const auto it = object.find(key);
    if (it == object.end())
        throw CodingError(std::string("no value for the key \"") + key + "\"");
    return *it;
}

QString requireString(const Json &object, const char *key)
{
    const Json &value = require(object, key);
    if (!value.is_string())
        throw CodingError(std::string("expected text for the key \"") + key + "\"");
    return QString::fromStdString(value.get_ref<const std::string &>());
}

const Json *optional(const Json &object, const char *key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return nullptr;
    return &*it;
}

} // namespace coding
