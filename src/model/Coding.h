#pragma once

#include <nlohmann/json.hpp>

#include <QString>

#include <stdexcept>

// Persisted forms are keyed records with their keys in field order.
using Json = nlohmann::ordered_json;

// The first error met while reading a persisted form; it ends the read.
class CodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace coding {

inline std::string toUtf8(const QString &s)
{
    return s.toStdString();
}

// A required text entry; a missing key or a value of another type is an error.
QString requireString(const Json &object, const char *key);
// A required entry of any type.
const Json &require(const Json &object, const char *key);
// An optional entry: absent when missing or null.
const Json *optional(const Json &object, const char *key);
// The object itself must be a keyed record.
void requireObject(const Json &value, const char *what);

// The record the observation registrar stands for: it carries nothing.
inline Json registrar()
{
    return Json::object();
}

} // namespace coding
