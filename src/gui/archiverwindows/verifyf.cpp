// The check of one archive side.
#include "verifyf.h"

#include "core/platform/winexec.h"
#include "gui/appearance/kovapanel.h"
#include "gui/appearance/windowparts.h"

#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>

TverifyF::TverifyF(Side side, QString programDir, TkovaProvider &texts, QWidget *parent)
    : TPanelWindow(QStringLiteral("verifyF"), QSize(480, 300), false, parent), m_side(side),
      m_programDir(std::move(programDir))
{
    kovaProvider1->setKovaLanguage(texts.KovaLanguage());
    KovaPanel1->setBevelInner(TKovaPanel::Bevel::Lowered);
    KovaPanel1->setBorderStyle(TKovaPanel::BorderStyle::Single);
    headingLabel = makeCentredLabel(KovaPanel1, QStringLiteral("HeadingLabel"), QRect(8, 10, 464, 18));
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    findingsList = new QListWidget(KovaPanel1);
    findingsList->setObjectName(QStringLiteral("FindingsList"));
    findingsList->setGeometry(8, 34, 464, 192);
    resultLabel = makeCentredLabel(KovaPanel1, QStringLiteral("ResultLabel"), QRect(8, 232, 464, 20));
    resultLabel->setFont(bold);
    QToolButton *closeButton =
        makeSpeedButton(KovaPanel1, QStringLiteral("CloseButton"), QRect(195, 262, 90, 26));
    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);

    setWindowTitle(texts.GetText(QStringLiteral("CheckArchiveButton")));
    headingLabel->setText(texts.GetText(side == Side::Primary ? QStringLiteral("PrimaryArchive")
                                                              : QStringLiteral("SecondaryArchive")));
    closeButton->setText(texts.GetText(QStringLiteral("ExitButton")));
}

TverifyF::~TverifyF()
{
    stopCheck();
}

void TverifyF::showEvent(QShowEvent *event)
{
    centreOnScreen(this);
    TPanelWindow::showEvent(event);
    startCheck();
}

void TverifyF::hideEvent(QHideEvent *event)
{
    stopCheck();
    TPanelWindow::hideEvent(event);
}

void TverifyF::startCheck()
{
    stopCheck();
    findingsList->clear();
    m_pending.clear();
    m_files = m_findings = 0;
    // The Archiver beside the panel, found as the panel finds it to start it.
    QString program;
    QStringList arguments;
    win::UINT error = 0;
    const QString side = m_side == Side::Primary ? QStringLiteral("primary") : QStringLiteral("secondary");
    if (!win::ResolveCommandLine(m_programDir + QStringLiteral("\\Archiv.exe --verify ") + side, &program,
                                 &arguments, &error)) {
        resultLabel->setText(kovaProvider1->GetText(QStringLiteral("VerifyUnreachable")));
        return;
    }
    setCursor(Qt::BusyCursor);
    resultLabel->setText(kovaProvider1->GetText(QStringLiteral("VerifyBusy")));
    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &TverifyF::takeOutput);
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        checkEnded(status == QProcess::NormalExit ? exitCode : 2);
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError processError) {
        if (processError == QProcess::FailedToStart)
            checkEnded(2);
    });
    m_process->start(program, arguments);
}

// One finding a line; the closing line gives the count of files read.
void TverifyF::takeOutput()
{
    m_pending += m_process->readAllStandardOutput();
    static const QRegularExpression summary(QStringLiteral(": checked (\\d+) files, (\\d+) findings$"));
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        const QRegularExpressionMatch match = summary.match(line);
        if (match.hasMatch()) {
            m_files = match.captured(1).toLongLong();
            m_findings = match.captured(2).toLongLong();
        } else if (!line.isEmpty()) {
            findingsList->addItem(line.section(QStringLiteral("archive: "), 1));
        }
    }
}

void TverifyF::checkEnded(int exitCode)
{
    if (!m_process)
        return;
    takeOutput();
    m_process->deleteLater();
    m_process = nullptr;
    unsetCursor();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (exitCode == 0)
        resultLabel->setText(
            kovaProvider1->GetText(QStringLiteral("VerifyClean")).arg(english.toString(m_files)));
    else if (exitCode == 1)
        resultLabel->setText(
            kovaProvider1->GetText(QStringLiteral("VerifyDamaged")).arg(english.toString(m_findings)));
    else
        resultLabel->setText(kovaProvider1->GetText(QStringLiteral("VerifyUnreachable")));
}

void TverifyF::stopCheck()
{
    if (!m_process)
        return;
    QProcess *process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    process->kill();
    process->waitForFinished(5000);
    process->deleteLater();
    unsetCursor();
}
