// The quarantine names and the quarantine manager screen, on a temporary application folder.

#include "../scan/ScanRig.h"
#include "quarantine/FormQuarantine.h"
#include "quarantine/QuarantineStore.h"
#include "shell/AppFiles.h"

#include <QListWidget>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>

#include <functional>

using namespace quenno;

namespace {

// The real file system; on the held file, something happens just before a copy or a
// removal goes through, the way another program acting at that moment would.
class RacingFileSystem final : public test::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::function<void()> beforeCopy, afterCopy, beforeRemove;

    std::unique_ptr<platform::HeldFile> holdFile(const std::string& folder, std::string_view name) override
    {
        auto inner = m_inner.holdFile(folder, name);
        return inner ? std::make_unique<Held>(std::move(inner), *this) : nullptr;
    }

private:
    class Held final : public platform::HeldFile {
    public:
        Held(std::unique_ptr<platform::HeldFile> inner, RacingFileSystem& owner)
            : m_inner(std::move(inner)), m_owner(owner)
        {
        }
        platform::FileIdentity identity() const override { return m_inner->identity(); }
        platform::FileIdentity folderIdentity() const override { return m_inner->folderIdentity(); }
        std::unique_ptr<platform::FileReader> reader() const override { return m_inner->reader(); }
        bool clearAttributes() override { return m_inner->clearAttributes(); }
        bool copyTo(const std::string& target) const override
        {
            if (m_owner.beforeCopy)
                m_owner.beforeCopy();
            const bool ok = m_inner->copyTo(target);
            if (m_owner.afterCopy)
                m_owner.afterCopy();
            return ok;
        }
        bool remove() override
        {
            if (m_owner.beforeRemove)
                m_owner.beforeRemove();
            return m_inner->remove();
        }

    private:
        std::unique_ptr<platform::HeldFile> m_inner;
        RacingFileSystem& m_owner;
    };
};

enum class Race { WrittenWhileCopied, SwappedBeforeRemoval, FolderSwappedBeforeCopy };

}  // namespace

Q_DECLARE_METATYPE(Race)

using Answer = platform::MessageBoxes::Answer;
using Style = platform::MessageBoxes::Style;

class TestQuarantine : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Rig> rig;

    QStringList listed(quarantine::FormQuarantine& form)
    {
        auto* list = form.findChild<QListWidget*>("FileListQua");
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    void select(quarantine::FormQuarantine& form, const QString& name)
    {
        auto* list = form.findChild<QListWidget*>("FileListQua");
        const auto found = list->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list->setCurrentItem(found.front());
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void actions_raceWithAnotherProgram_data()
    {
        QTest::addColumn<bool>("quarantine");
        QTest::addColumn<Race>("race");
        QTest::addColumn<int>("outcome");  // RemoveOutcome or QuarantineOutcome::Status
        using Status = quarantine::QuarantineOutcome::Status;
        QTest::newRow("quarantine, written while it is copied")
            << true << Race::WrittenWhileCopied << int(Status::Changed);
        QTest::newRow("quarantine, folder swapped for a link before the copy: the held file is copied")
            << true << Race::FolderSwappedBeforeCopy << int(Status::Moved);
        QTest::newRow("quarantine, name taken by another file just before removal")
            << true << Race::SwappedBeforeRemoval << int(Status::RemoveFailed);
        QTest::newRow("delete, name taken by another file just before removal")
            << false << Race::SwappedBeforeRemoval << int(quarantine::RemoveOutcome::Failed);
    }
    // Whatever another program does between the check and the act, no file but the detected
    // one is copied or removed, and the detected one is removed only as itself.
    void actions_raceWithAnotherProgram()
    {
        QFETCH(bool, quarantine);
        QFETCH(Race, race);
        QFETCH(int, outcome);
        const QByteArray virus = "detected content";
        const QByteArray other = "another file that took the name";
        const QString folder = rig->dir.path() + "/tree";
        const QString path = folder + "/a.exe";
        QVERIFY(test::writeFile(path, virus));
        QVERIFY(test::writeFile(rig->dir.path() + "/outside/a.exe", other));
        RacingFileSystem files(rig->real);

        // What the scan saw.
        quarantine::DetectedFile file{
            QFile::encodeName(path).toStdString(), test::checksumOf(virus).toStdString(), {}, {}};
        file.identity = rig->real.openRead(file.path)->identity();
        file.folderIdentity = rig->real.openFolder(QFile::encodeName(folder).toStdString())->identity();

        switch (race) {
        case Race::WrittenWhileCopied:
            files.afterCopy = [&] {
                test::writeFile(path, other);
            };
            break;
        case Race::FolderSwappedBeforeCopy:
            files.beforeCopy = [&] {
                QDir().rename(folder, folder + ".moved");
                QFile::link(rig->dir.path() + "/outside", folder);
            };
            break;
        case Race::SwappedBeforeRemoval:
            files.beforeRemove = [&] {
                QFile::rename(path, path + ".moved");
                test::writeFile(path, other);
            };
            break;
        }
        const int got = quarantine ? int(quarantine::QuarantineFile(files, rig->clock, file).status)
                                   : int(quarantine::RemoveDetectedFile(files, file));
        QCOMPARE(got, outcome);

        QCOMPARE(test::readFile(rig->dir.path() + "/outside/a.exe"), other);
        const QStringList stored = QDir(rig->quarantine()).entryList(QDir::Files);
        if (race == Race::FolderSwappedBeforeCopy) {
            QCOMPARE(stored.size(), 1);
            QCOMPARE(test::readFile(rig->quarantine() + '/' + stored.front()), virus);
            QVERIFY(!QFile::exists(folder + ".moved/a.exe"));
        } else {
            QVERIFY(stored.isEmpty());
            QCOMPARE(test::readFile(path), other);  // the file that took the name stays
        }
        if (race == Race::SwappedBeforeRemoval)
            QCOMPARE(test::readFile(path + ".moved"), virus);
    }
    void init() { rig = std::make_unique<test::Rig>(); }
    void cleanup() { rig.reset(); }

    void stamp_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("m");
        QTest::addColumn<int>("s");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("09:15:30") << 9 << 15 << 30 << "144430";
        QTest::newRow("noon") << 12 << 0 << 0 << "120000";
        QTest::newRow("23:59:59") << 23 << 59 << 59 << "000001";
        QTest::newRow("midnight") << 0 << 0 << 0 << "000000";
        QTest::newRow("00:00:01") << 0 << 0 << 1 << "235959";
    }
    void stamp()
    {
        QFETCH(int, h);
        QFETCH(int, m);
        QFETCH(int, s);
        QFETCH(QString, stamp);
        const int seconds = quarantine::SecondsSinceLocalMidnight(test::localTimeToday(h, m, s));
        QCOMPARE(QString::fromStdString(quarantine::QuarantineStamp(seconds)), stamp);
    }

    void listing_leavesOutHiddenAndFoldersInAStableOrder()
    {
        const QString q = rig->quarantine();
        test::writeFile(q + "/qnosecure144430.mal", "x");
        test::writeFile(q + "/Other.bin", "y");
        test::writeFile(q + "/qnosecure000001.mal", "z");
        test::writeFile(q + "/.hidden", "h");
        test::writeFile(q + "/marked-hidden.mal", "h");
        QVERIFY(rig->files.setAttributes(QFile::encodeName(q + "/marked-hidden.mal").toStdString(),
                                         platform::Attribute::Hidden));
        QDir().mkpath(q + "/sub");
        quarantine::FormQuarantine form(rig->platform);
        const QStringList expected = {"Other.bin", "qnosecure000001.mal", "qnosecure144430.mal"};
        QCOMPARE(listed(form), expected);
        QCOMPARE(form.windowTitle(), QStringLiteral("Quarantina"));
        QCOMPARE(form.size(), QSize(326, 432));
        QVERIFY(rig->messages.texts.isEmpty());
    }

    void delete_afterConfirmation_data()
    {
        QTest::addColumn<bool>("select");
        QTest::addColumn<int>("answer");  // Answer
        QTest::addColumn<bool>("deleted");
        QTest::newRow("nothing selected") << false << int(Answer::Yes) << false;
        QTest::newRow("No") << true << int(Answer::No) << false;
        QTest::newRow("Yes") << true << int(Answer::Yes) << true;
    }
    void delete_afterConfirmation()
    {
        QFETCH(bool, select);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        const QString q = rig->quarantine();
        test::writeFile(q + "/qnosecure144430.mal", "x");
        test::writeFile(q + "/qnosecure120000.mal", "y");
        quarantine::FormQuarantine form(rig->platform);
        test::writeFile(q + "/qnosecure000001.mal", "arrived after the screen opened");
        if (select)
            this->select(form, "qnosecure144430.mal");
        rig->messages.answers.push_back(Answer(answer));
        form.IQuaDeleteb_Click();

        if (!select) {
            QVERIFY(rig->messages.texts.isEmpty());
        } else {
            QCOMPARE(rig->messages.texts.value(0), "Do you want to delete file '" + q + "/qnosecure144430.mal'?");
            QCOMPARE(rig->messages.styles.value(0), Style::YesNoQuestion);
            QCOMPARE(rig->messages.texts.size(), 1);
        }
        QCOMPARE(QFile::exists(q + "/qnosecure144430.mal"), !deleted);
        if (deleted)
            QCOMPARE(listed(form), QStringList({"qnosecure000001.mal", "qnosecure120000.mal"}));
        else
            QCOMPARE(listed(form), QStringList({"qnosecure120000.mal", "qnosecure144430.mal"}));
    }

    // The question lets events run: the screen may be closed before it is answered. The
    // answer still counts; nothing then touches the closed screen or reports to it.
    void delete_screenClosedWhileAsked_data()
    {
        QTest::addColumn<int>("answer");  // Answer
        QTest::addColumn<bool>("goneBefore");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("Yes") << int(Answer::Yes) << false << true;
        QTest::newRow("No") << int(Answer::No) << false << false;
        QTest::newRow("Yes to a file already gone") << int(Answer::Yes) << true << true;
    }
    void delete_screenClosedWhileAsked()
    {
        QFETCH(int, answer);
        QFETCH(bool, goneBefore);
        QFETCH(bool, deleted);
        const QString path = rig->quarantine() + "/qnosecure144430.mal";
        test::writeFile(path, "x");
        auto* form = new quarantine::FormQuarantine(rig->platform);
        select(*form, "qnosecure144430.mal");
        rig->messages.answers.push_back(Answer(answer));
        rig->messages.whileShown = [&] {
            if (!form)
                return;
            delete form;
            form = nullptr;
            if (goneBefore)
                QFile::remove(path);
        };
        QPointer<quarantine::FormQuarantine> watch(form);
        form->IQuaDeleteb_Click();

        QVERIFY(!watch);
        QCOMPARE(rig->messages.texts.size(), 1);  // the question only
        QCOMPARE(QFile::exists(path), !deleted);
    }

    void delete_failureIsReported_data()
    {
        QTest::addColumn<bool>("goneBefore");
        QTest::newRow("refused") << false;
        QTest::newRow("already gone") << true;
    }
    void delete_failureIsReported()
    {
        QFETCH(bool, goneBefore);
        const QString path = rig->quarantine() + "/qnosecure144430.mal";
        test::writeFile(path, "x");
        quarantine::FormQuarantine form(rig->platform);
        select(form, "qnosecure144430.mal");
        if (goneBefore)
            QFile::remove(path);
        else
            rig->files.refuseRemove.insert(QFile::encodeName(path).toStdString());
        rig->messages.answers.push_back(Answer::Yes);
        form.IQuaDeleteb_Click();
        QCOMPARE(rig->messages.texts.size(), 2);
        QVERIFY(rig->messages.texts[1].contains(path));
        QCOMPARE(rig->messages.styles[1], Style::Critical);
        QCOMPARE(listed(form), goneBefore ? QStringList() : QStringList({"qnosecure144430.mal"}));
    }

    void opening_withoutTheFolderSaysSoAndStaysUsable()
    {
        QVERIFY(QDir(rig->quarantine()).removeRecursively());
        quarantine::FormQuarantine form(rig->platform);
        QCOMPARE(rig->messages.texts.size(), 1);
        QVERIFY(rig->messages.texts[0].contains(rig->quarantine()));
        QVERIFY(listed(form).isEmpty());
        form.IQuaDeleteb_Click();  // nothing selected: nothing happens
        QCOMPARE(rig->messages.texts.size(), 1);
    }

    void hover_lightsDeleteAndBackgroundResets()
    {
        quarantine::FormQuarantine form(rig->platform);
        auto* rest = form.findChild<QWidget*>("IQuaDelete");
        auto* lit = form.findChild<QWidget*>("IQuaDeleteb");
        QVERIFY(rest->isVisibleTo(&form) && !lit->isVisibleTo(&form));
        form.IQuaDelete_MouseMove();
        QVERIFY(!rest->isVisibleTo(&form) && lit->isVisibleTo(&form));
        QCOMPARE(rig->sound.played, QStringList({rig->app + "/" + shell::appfiles::MenuCommandSound}));
        form.IQuaBackground_MouseMove();
        QVERIFY(rest->isVisibleTo(&form) && !lit->isVisibleTo(&form));
    }
};

QTEST_MAIN(TestQuarantine)
#include "tst_quarantine.moc"
