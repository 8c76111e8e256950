#pragma once

#include <QProcessEnvironment>
#include <QString>

// Environment values in batch lines: "${NAME}" is replaced by the value of
// the environment variable NAME before the line is split into items, so a
// value with blanks becomes several items unless the reference stands inside
// double quotes. Only the braced form is a reference; a "$" without "{"
// stays as it is. One job file can so serve many runs that differ only in
// their environment (for example the slice range of each task of a cluster
// job array).

// Expands every reference of line into out. Fails at the first reference
// whose name is not set in env, or that has no closing brace; undefinedName
// then holds that name (the rest of the line for an unclosed brace) and out
// is left as it was. A variable that is set but empty expands to nothing.
bool expandVariables(const QString& line, const QProcessEnvironment& env, QString& out,
                     QString& undefinedName);
