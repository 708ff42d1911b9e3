// The environment that loads the crash shim into a program the test starts; the test's target
// defines CRASHSHIM_LIBRARY. What the shim does is set by the CRASHSHIM_* entries given.
#pragma once

#include <QMap>
#include <QProcessEnvironment>
#include <QRegularExpression>

inline QProcessEnvironment crashShimEnvironment(const QMap<QString, QString> &values,
                                                QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(CRASHSHIM_LIBRARY));
    // The shim comes before an instrumented program's sanitizer runtime in the load order.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        env.insert(it.key(), it.value());
    return env;
}

// The number of calls a shimmed program reported counting ("calls N" in its output), or -1.
inline long shimCalls(const QByteArray &out)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("calls (\\d+)")).match(QString::fromLatin1(out));
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}
