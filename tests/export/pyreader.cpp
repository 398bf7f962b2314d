#include "pyreader.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace orva::test {

QJsonValue RunPythonReader(const QString& script, const QStringList& args) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
  if (!python.waitForFinished(60000) || python.exitCode() != 0) {
    ADD_FAILURE() << "python reader failed: " << python.readAllStandardError().toStdString();
    return {};
  }
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
  if (error.error != QJsonParseError::NoError) {
    ADD_FAILURE() << "python reader printed no JSON: " << error.errorString().toStdString();
    return {};
  }
  return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

QJsonValue ReadCsvRows(const QString& path, const QString& encoding, const QString& delimiter) {
  static const QString script = QStringLiteral(
      "import csv, json, sys\n"
      "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
      "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[3]))))\n");
  return RunPythonReader(script, {path, encoding, delimiter});
}

}  // namespace orva::test
