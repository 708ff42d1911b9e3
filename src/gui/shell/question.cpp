// The panel's yes/no questions.
#include "question.h"

#include "confirm1f.h"

#include <QPointer>
#include <QToolButton>

namespace {

QPointer<Tconfirm1F> &panelWindow()
{
    static QPointer<Tconfirm1F> window;
    return window;
}

QList<bool> &queuedAnswers()
{
    static QList<bool> answers;
    return answers;
}

QStringList &recordedQuestions()
{
    static QStringList questions;
    return questions;
}

// Takes a queued answer, else asks in the window; false without one.
bool answer(Tconfirm1F *confirm, const QString &first, const QString &second, Question::Delay delay)
{
    if (!queuedAnswers().isEmpty()) {
        recordedQuestions().append(second.isEmpty() ? first : first + QLatin1Char('\n') + second);
        return queuedAnswers().takeFirst();
    }
    if (!confirm)
        return false;
    if (delay == Question::Delay::DelayedYes) {
        confirm->startDelay();
    } else {
        confirm->clearDelay();
    }
    return confirm->ask(first, second);
}

} // namespace

void Question::setWindow(Tconfirm1F *window)
{
    panelWindow() = window;
}

bool Question::ask(const QString &first, const QString &second, Delay delay)
{
    return answer(panelWindow().data(), first, second, delay);
}

bool Question::askIn(Tconfirm1F &window, const QString &first, const QString &second, Delay delay)
{
    return answer(&window, first, second, delay);
}

void Question::setNextAnswers(const QList<bool> &answers)
{
    queuedAnswers() = answers;
}

QStringList Question::askedQuestions()
{
    return recordedQuestions();
}

void Question::clearAskedQuestions()
{
    recordedQuestions().clear();
}
