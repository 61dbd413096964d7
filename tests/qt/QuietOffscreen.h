#pragma once
// The offscreen platform repeats a line about size hints at every show; keep
// test output readable by dropping just that line.
#include <QtGlobal>

inline void InstallQuietMessageHandler() {
  static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains(QLatin1String("propagateSizeHints"))) return;
    if (previous) previous(type, context, msg);
  });
}
