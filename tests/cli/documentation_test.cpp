// What the manual page, the README and the bash completion say of the program's tables and
// constants: the exit statuses, the numbers of the code pages, the pause of a send and how long a
// restart is followed.
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <utility>
#include <vector>

#include "exit_status.h"
#include "printer.h"
#include "restart_wait.h"
#include "settings_sequence.h"

namespace {

using Entries = std::vector<std::pair<int, QString>>;

QString SourceFile(const char* name) {
  QFile file(QStringLiteral(QUILLSETTER_SOURCE_DIR "/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  return QString::fromUtf8(file.readAll());
}

// The text of a documented meaning as the table words it: roff escapes, Markdown's backticks and
// a capital first letter left out, lines joined.
QString Plain(QString text) {
  text.remove(u'`').replace(QStringLiteral("\\-"), QStringLiteral("-")).replace(u'\n', u' ');
  text = text.simplified();
  if (!text.isEmpty()) text[0] = text[0].toLower();
  return text;
}

// ".B N" after each ".TP" of the section EXIT STATUS, and the text up to the next ".TP".
Entries ManualPageEntries() {
  const QString page = SourceFile("packaging/quillsetter-cli.1");
  const qsizetype start = page.indexOf(QStringLiteral(".SH EXIT STATUS"));
  EXPECT_GE(start, 0);
  const QString section =
      page.mid(start, page.indexOf(QStringLiteral("\n.SH "), start + 1) - start);
  Entries entries;
  for (const QString& entry : section.split(QStringLiteral(".TP\n")).mid(1)) {
    const qsizetype lineEnd = entry.indexOf(u'\n');
    const QString head = entry.left(lineEnd);
    if (!head.startsWith(QStringLiteral(".B "))) continue;
    QStringList lines = entry.mid(lineEnd + 1).split(u'\n');
    // ".BR word ." in the text is the word.
    for (QString& line : lines) line.remove(QRegularExpression(QStringLiteral("^\\.BR? ")));
    entries.emplace_back(head.mid(3).toInt(), Plain(lines.join(u' ')));
  }
  return entries;
}

// The rows "| N | meaning |" of the table after "Exit statuses:".
Entries ReadmeEntries() {
  const QString readme = SourceFile("README.md");
  const qsizetype start = readme.indexOf(QStringLiteral("Exit statuses:"));
  EXPECT_GE(start, 0);
  static const QRegularExpression kRow(QStringLiteral("^\\| (\\d+) \\| (.*) \\|$"));
  Entries entries;
  bool inTable = false;
  for (const QString& line : readme.mid(start).split(u'\n').mid(1)) {
    const QRegularExpressionMatch row = kRow.match(line);
    if (row.hasMatch()) entries.emplace_back(row.captured(1).toInt(), Plain(row.captured(2)));
    if (inTable && !line.startsWith(u'|')) break;
    inTable = inTable || line.startsWith(u'|');
  }
  return entries;
}

void ExpectTheTable(const Entries& entries, const char* where) {
  ASSERT_EQ(entries.size(), cli::kExitStatuses.size()) << where;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const cli::ExitStatusRow& row = cli::kExitStatuses[i];
    EXPECT_EQ(entries[i].first, row.status) << where;
    EXPECT_TRUE(entries[i].second.startsWith(QLatin1String(row.meaning)))
        << where << ", status " << row.status << ": " << entries[i].second.toStdString();
  }
  // A batch whose only port will not open is a batch whose printers failed.
  for (const auto& [status, meaning] : entries) {
    if (status != cli::kSomeFailed) continue;
    EXPECT_TRUE(meaning.contains(QStringLiteral("a port that will not open")) &&
                meaning.contains(QStringLiteral("only")))
        << where << ": " << meaning.toStdString();
  }
}

TEST(ExitStatus, TheManualPageAndTheReadmeGiveTheStatusesOfTheTable) {
  ExpectTheTable(ManualPageEntries(), "quillsetter-cli.1");
  ExpectTheTable(ReadmeEntries(), "README.md");
}

// The number pattern captures in a source file; -1 where it does not match.
int NumberIn(const char* name, const QString& pattern) {
  const QRegularExpressionMatch match = QRegularExpression(pattern).match(SourceFile(name));
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST(CodePages, TheManualPageAndTheCompletionGiveTheNumbersOfTheTable) {
  const int last = static_cast<int>(std::tuple_size_v<decltype(printer::kCodePageLabels)>) - 1;
  EXPECT_EQ(NumberIn("packaging/quillsetter-cli.1",
                     QStringLiteral("code\\\\-page \" N\"\\n[^\\n]* 0 to (\\d+)\\.")),
            last);
  EXPECT_EQ(NumberIn("packaging/quillsetter-cli.bash",
                     QStringLiteral("--code-page\\)\\n[^\\n]*seq 0 (\\d+)")),
            last);
}

TEST(Constants, TheManualPageGivesThePauseAndTheRestartLimitOfTheCode) {
  const char* page = "packaging/quillsetter-cli.1";
  EXPECT_EQ(NumberIn(page, QStringLiteral("the full (\\d+) ms")), printer::kSequencePauseMs);
  EXPECT_EQ(NumberIn(page, QStringLiteral("wait\\\\-restart\\n[^.]*\\(at most\\s+(\\d+)\\s+s\\)")),
            std::chrono::duration_cast<std::chrono::seconds>(printer::kRestartLimit).count());
}

}  // namespace
