#pragma once

#include <QString>
#include <QStringList>

// The item-line splitter shared by every line-oriented reader (configuration,
// batch and setup files, ITEX headers, facility meta files, link messages).
// An item is a run of non-whitespace characters or the text between a pair of
// double quotes; there is no escape character. '#' outside quotes starts a
// comment. The functions keep no state and never fail: malformed quoting
// writes a diagnostic to the debug log and returns a best-effort result.

// Cuts the first item off line into item and returns the rest of the line.
QString takeItem(const QString& line, QString& item);
// All non-empty items of line.
QStringList splitItems(const QString& line);
// The items after the first prefix.size() characters, empty ones included.
QStringList itemsAfter(const QString& line, const QString& prefix);
// Whether line begins with prefix (case-sensitive).
bool startsWithKey(const QString& line, const QString& prefix);
// The code part of line before the first unquoted '#'; comment receives the rest.
QString stripComment(const QString& line, QString& comment);
// Whether line holds nothing but whitespace and a comment.
bool isBlankLine(const QString& line);
// When the last non-whitespace character is a backslash, cuts line before it
// and returns true.
bool hasContinuation(QString& line);
// line without its continuation backslash (and a second one right before it).
QString withoutContinuation(const QString& line);
// n blanks, at most 101.
QString spaces(int n);
// text padded with blanks to width characters (at most 101 blanks added).
QString padRight(const QString& text, int width);
