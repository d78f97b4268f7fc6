#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The helper program faults_child, built beside the tests.
QString ChildProgram();

// Another program that holds a port: it prints "held" once it has the port, and lets go when
// this object ends its input.
class PortHolder {
 public:
  PortHolder(const QString& program, const QStringList& arguments);
  ~PortHolder();
  PortHolder(const PortHolder&) = delete;
  PortHolder& operator=(const PortHolder&) = delete;

  // True once the holder has said it holds the port and while it still runs.
  bool Holding();
  qint64 ProcessId() const { return process_.processId(); }

 private:
  QProcess process_;
  QByteArray output_;
  bool held_ = false;
};

// Runs command (program and arguments) with the given environment added, to its end; the lines
// it printed, or nothing when it did not finish within timeoutMs or exited with a failure.
QStringList OutputOf(const QStringList& command, const QStringList& environment, int timeoutMs);
