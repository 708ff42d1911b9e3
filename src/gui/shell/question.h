// Question: every yes/no question of the panel goes through here, to the confirmation window or,
// in tests, to answers queued beforehand.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Tconfirm1F;

class Question
{
public:
    enum class Delay { None, DelayedYes };

    // The panel's confirmation window, which ask() shows; set by the panel when it creates it.
    static void setWindow(Tconfirm1F *window);

    // Asks in the panel's confirmation window; true for Yes. DelayedYes unlocks Yes only after the
    // window's delay; None clears whatever an earlier delay left. False without a window.
    static bool ask(const QString &first, const QString &second, Delay delay);
    // The same in a window of the caller's own (before the panel's windows exist).
    static bool askIn(Tconfirm1F &window, const QString &first, const QString &second, Delay delay);

    // Answers queued for the next questions: while one is queued, a question takes it without
    // showing a window, and is recorded ("first" or "first\nsecond").
    static void setNextAnswers(const QList<bool> &answers);
    static QStringList askedQuestions();
    static void clearAskedQuestions();
};
