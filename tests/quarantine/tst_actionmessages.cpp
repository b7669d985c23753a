// What each outcome of an action on a detected or quarantined file comes to: whether its
// result leaves the lists, the sentence the screens show and the command line's reason.

#include "quarantine/ActionMessages.h"

#include <QtTest>

using namespace quenno;
using quarantine::ActionResult;
using quarantine::RemoveOutcome;
using Status = quarantine::QuarantineOutcome::Status;

Q_DECLARE_METATYPE(ActionResult)
Q_DECLARE_METATYPE(RemoveOutcome)
Q_DECLARE_METATYPE(Status)

namespace {

const std::string kPath = "/home/u/Down loads/setup.exe";
const std::string kFolder = "/opt/Quenno AV/Quarantine";

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

class TestActionMessages : public QObject {
    Q_OBJECT

private slots:
    void deleteOutcomes_data()
    {
        QTest::addColumn<RemoveOutcome>("outcome");
        QTest::addColumn<ActionResult>("result");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("quarantinedSentence");
        QTest::newRow("removed") << RemoveOutcome::Removed << ActionResult::Done << ""
                                 << ""
                                 << "";
        QTest::newRow("already gone")
            << RemoveOutcome::AlreadyGone << ActionResult::AlreadyGone << ""
            << ""
            << "The file '/home/u/Down loads/setup.exe' is no longer in the quarantine folder.";
        QTest::newRow("changed")
            << RemoveOutcome::Changed << ActionResult::NotDone
            << "The file '/home/u/Down loads/setup.exe' has changed since the scan, so it was left as it is."
            << "changed since the scan"
            << "The file '/home/u/Down loads/setup.exe' could not be deleted.";
        QTest::newRow("failed") << RemoveOutcome::Failed << ActionResult::NotDone
                                << "The file '/home/u/Down loads/setup.exe' could not be deleted."
                                << "could not be deleted"
                                << "The file '/home/u/Down loads/setup.exe' could not be deleted.";
    }
    void deleteOutcomes()
    {
        QFETCH(RemoveOutcome, outcome);
        QFETCH(ActionResult, result);
        QFETCH(QString, sentence);
        QFETCH(QString, reason);
        QFETCH(QString, quarantinedSentence);
        QCOMPARE(quarantine::ResultOf(outcome), result);
        QCOMPARE(text(quarantine::DeleteProblem(outcome, kPath)), sentence);
        QCOMPARE(text(quarantine::DeleteReason(outcome)), reason);
        QCOMPARE(text(quarantine::QuarantinedDeleteProblem(outcome, kPath)), quarantinedSentence);
        // The screen keeps an entry exactly when it has something to say about it.
        QCOMPARE(sentence.isEmpty(), result != ActionResult::NotDone);
    }

    void quarantineOutcomes_data()
    {
        QTest::addColumn<Status>("status");
        QTest::addColumn<ActionResult>("result");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>("reason");
        QTest::newRow("moved") << Status::Moved << ActionResult::Done << ""
                               << "";
        QTest::newRow("already gone") << Status::AlreadyGone << ActionResult::AlreadyGone << ""
                                      << "";
        QTest::newRow("changed")
            << Status::Changed << ActionResult::NotDone
            << "The file '/home/u/Down loads/setup.exe' has changed since the scan, so it was left as it is."
            << "changed since the scan";
        QTest::newRow("copy failed") << Status::CopyFailed << ActionResult::NotDone
                                     << "The file '/home/u/Down loads/setup.exe' could not be copied into the "
                                        "quarantine folder '/opt/Quenno AV/Quarantine', so it was left where it is."
                                     << "no copy could be written into /opt/Quenno AV/Quarantine";
        QTest::newRow("copy differs") << Status::CopyDiffers << ActionResult::NotDone
                                      << "The copy of '/home/u/Down loads/setup.exe' in the quarantine folder did "
                                         "not match the file, so the file was left where it is."
                                      << "the copy did not match the file";
        QTest::newRow("remove failed") << Status::RemoveFailed << ActionResult::NotDone
                                       << "The file '/home/u/Down loads/setup.exe' could not be deleted after it was "
                                          "copied, so it was left where it is."
                                       << "could not be deleted after it was copied";
    }
    void quarantineOutcomes()
    {
        QFETCH(Status, status);
        QFETCH(ActionResult, result);
        QFETCH(QString, sentence);
        QFETCH(QString, reason);
        QCOMPARE(quarantine::ResultOf(status), result);
        QCOMPARE(text(quarantine::QuarantineProblem(status, kPath, kFolder)), sentence);
        QCOMPARE(text(quarantine::QuarantineReason(status, kFolder)), reason);
        QCOMPARE(sentence.isEmpty(), result != ActionResult::NotDone);
    }

    // Paths are put in as they are: what looks like a placeholder in one is not filled in.
    void pathsAreTakenLiterally()
    {
        QCOMPARE(text(quarantine::QuarantineProblem(Status::CopyFailed, "/t/%2 %1.exe", "/q/%1")),
                 QString("The file '/t/%2 %1.exe' could not be copied into the quarantine folder '/q/%1', "
                         "so it was left where it is."));
    }

    void unreadableFolder()
    {
        QCOMPARE(text(quarantine::UnreadableFolderProblem(true, kFolder)),
                 QString("The quarantine folder '/opt/Quenno AV/Quarantine' cannot be read."));
        QCOMPARE(text(quarantine::UnreadableFolderProblem(false, kFolder)),
                 QString("The quarantine folder '/opt/Quenno AV/Quarantine' does not exist."));
    }
};

QTEST_GUILESS_MAIN(TestActionMessages)
#include "tst_actionmessages.moc"
