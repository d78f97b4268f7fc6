#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

#include "application.h"
#include "application_title.h"
#include "message_dialog.h"

namespace {

TApplication& Application() { return *dynamic_cast<TApplication*>(QCoreApplication::instance()); }

}  // namespace

TEST(ApplicationTitle, IsTheProgramNameUpToItsFirstDotWithTheRestInLowerCase) {
  EXPECT_EQ(ApplicationTitleFor("/usr/bin/quillsetter"), "quillsetter");
  EXPECT_EQ(ApplicationTitleFor("Quillsetter.exe"), "Quillsetter");
  EXPECT_EQ(ApplicationTitleFor("/opt/tools/QUILL.SETTER.EXE"), "Quill");
  EXPECT_EQ(ApplicationTitleFor("/opt/tools/qUILLSETTER.EXE"), "quillsetter");
  EXPECT_EQ(ApplicationTitleFor("/opt/tools/.hidden"), "");
  EXPECT_EQ(ApplicationTitle(), "app_tests");
}

TEST(ErrorText, GetsAFullStopUnlessItEndsAtOrBelowOne) {
  EXPECT_EQ(ErrorText("Access violation"), "Access violation.");
  EXPECT_EQ(ErrorText("Out of memory!"), "Out of memory!");
  EXPECT_EQ(ErrorText("Done."), "Done.");
  EXPECT_EQ(ErrorText("List index out of bounds (12)"), "List index out of bounds (12)");
  EXPECT_EQ(ErrorText("Port 3/"), "Port 3/.");
  EXPECT_EQ(ErrorText("Грешка"), "Грешка.");
  EXPECT_EQ(ErrorText(""), "");
}

TEST(Application, ShowsErrorsEscapingHandlersAndGoesOn) {
  QStringList shown;
  Application().SetErrorSink([&](const QString& message) { shown << message; });
  QStringList handled;
  QTimer::singleShot(0, [] { throw std::runtime_error("Invalid port handle"); });
  QTimer::singleShot(1, [] { throw 42; });
  QTimer::singleShot(5, [&] {
    handled << "after";
    QCoreApplication::quit();
  });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_EQ(shown, QStringList({"Invalid port handle", ""}));
  EXPECT_EQ(handled, QStringList({"after"}));
}
