#pragma once
// The version check at start: asks the maker's server (setting Para /
// ServerHost, "host" or "host:port", port 8080 by default) for the current
// version of the product and compares it with the program's own.

#include <QString>

// The server's version page for a product, or "" when no host is set.
QString VersionPageUrl(qint32 productNumber);
// The version number at the start of a text: optional leading blanks, then
// digits with at most one decimal point, read up to the first other
// character; no sign, no exponent. 0 when there are no digits.
double VersionNumber(QStringView text);
// The version named in a version page: the version number after the first
// "(" of the text behind the first "<title>"; 0 when none.
double VersionFromPage(const QString &page);

// Checks for a newer version. With no server set, or no number on either
// side, does nothing and returns "". When the server offers a newer version
// and the updater lies beside the program, tells the user, starts it and sets
// *endProgram; without an updater the user is told and the program goes on.
// Otherwise returns the server's version as text.
QString CheckNewVersion(qint32 productNumber, const QString &ownVersion,
                        bool *endProgram = nullptr);
