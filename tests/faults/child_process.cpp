#include "child_process.h"

#include <QProcessEnvironment>

QString ChildProgram() { return QStringLiteral(FAULTS_CHILD); }

PortHolder::PortHolder(const QString& program, const QStringList& arguments) {
  process_.start(program, arguments);
}

PortHolder::~PortHolder() {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

bool PortHolder::Holding() {
  while (!held_ && process_.waitForReadyRead(5000)) {
    output_ += process_.readAll();
    held_ = output_.contains("held\n");
  }
  return held_ && process_.state() == QProcess::Running;
}

QStringList OutputOf(const QStringList& command, const QStringList& environment, int timeoutMs) {
  QProcess process;
  QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
  for (const QString& variable : environment) {
    variables.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
  }
  process.setProcessEnvironment(variables);
  process.start(command.first(), command.mid(1));
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(timeoutMs);
    return {};
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}
