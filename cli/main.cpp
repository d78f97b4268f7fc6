// quillsetter-cli: what the window does to a printer, from a shell or a script.
#include <QCoreApplication>
#include <QStringList>

#include "arguments.h"
#include "commands.h"

int main(int argc, char* argv[]) {
  const QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationVersion(QStringLiteral(QUILLSETTER_VERSION));
  return cli::Run(cli::ParseArguments(QCoreApplication::arguments().mid(1)));
}
