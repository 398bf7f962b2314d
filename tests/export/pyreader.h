#pragma once
// Reads files ORVA wrote with an independent reader: Debian's Python with
// its csv module and openpyxl. The script prints JSON, returned parsed.

#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace orva::test {

// Runs /usr/bin/python3 with the script and arguments; the JSON it printed
// (an undefined value, with the test failed, when it did not run cleanly).
QJsonValue RunPythonReader(const QString& script, const QStringList& args);

// The rows of a delimited text file as Python's csv module reads them
// (`encoding` a Python codec name, `delimiter` one character).
QJsonValue ReadCsvRows(const QString& path, const QString& encoding, const QString& delimiter);

}  // namespace orva::test
