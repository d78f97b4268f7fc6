#pragma once

#include <QString>
#include <QtGlobal>

// The offscreen platform warns "This plugin does not support propagateSizeHints()" for every
// fixed-size window. Installs a message handler that drops that warning and passes every other
// message on to the handler it replaces.
namespace size_hint_warnings {

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a message handler reads it
inline QtMessageHandler passOn = nullptr;

inline void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (!message.contains(QLatin1String("propagateSizeHints"))) passOn(type, context, message);
}

}  // namespace size_hint_warnings

inline void DropSizeHintWarnings() {
  size_hint_warnings::passOn = qInstallMessageHandler(size_hint_warnings::Handle);
}
