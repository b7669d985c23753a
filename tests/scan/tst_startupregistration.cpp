// Registration to start at log-on, without a window: the Run value and the log-on entry go
// in together or not at all, and what is left behind when undoing fails is told apart.

#include "scan/StartupRegistration.h"

#include "platform/linux/LinuxFileSystem.h"

#include <QtTest>

#include <map>
#include <set>

using namespace quenno;
using Registered = scan::StartupRegistration::Registered;
using Removed = scan::StartupRegistration::Removed;

Q_DECLARE_METATYPE(Registered)
Q_DECLARE_METATYPE(Removed)

namespace {

const std::string kRun = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const std::string kApp = "/opt/Quenno AV";

// String values in memory; writes and deletions can be refused, and a problem can be
// raised by any call.
struct FakeRegistry final : platform::Registry {
    std::map<std::string, std::string> values;
    bool refuseWrite = false;
    bool refuseDelete = false;
    std::string problemOnDelete;
    std::string problem;

    bool writeString(const std::string& path, const std::string& data) override
    {
        if (refuseWrite)
            return false;
        values[path] = data;
        return true;
    }
    bool writeDword(const std::string&, std::uint32_t) override { return false; }
    bool deleteValue(const std::string& path) override
    {
        problem += problemOnDelete;
        return !refuseDelete && values.erase(path) == 1;
    }
    std::optional<platform::RegistryValue> readValue(const std::string& path) const override
    {
        const auto found = values.find(path);
        if (found == values.end())
            return std::nullopt;
        return platform::RegistryValue{platform::RegistryValue::Type::String, found->second, 0};
    }
    std::string takeProblem() override { return std::exchange(problem, {}); }
};

struct FakeAutostart final : platform::Autostart {
    std::string exePath;
    std::map<std::string, std::string> entries;
    bool refuseEnable = false;
    bool refuseDisable = false;

    std::string executablePath() const override { return exePath; }
    bool enable(const std::string& name, const std::string& path) override
    {
        if (refuseEnable)
            return false;
        entries[name] = path;
        return true;
    }
    bool disable(const std::string& name) override
    {
        if (refuseDisable && entries.count(name) == 1)
            return false;
        entries.erase(name);
        return true;
    }
};

std::set<std::string> namesOf(const std::map<std::string, std::string>& map, const std::string& prefix = {})
{
    std::set<std::string> names;
    for (const auto& [name, data] : map)
        names.insert(name.substr(prefix.size()));
    return names;
}

using Names = std::set<std::string>;

}  // namespace

Q_DECLARE_METATYPE(Names)

class TestStartupRegistration : public QObject {
    Q_OBJECT

private slots:
    // Each part that fails is matched by undoing the other; a part that cannot be undone
    // makes the outcome Partly, and what it left stays visible in the store.
    void enable_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<bool>("withRegistry");
        QTest::addColumn<bool>("refuseWrite");
        QTest::addColumn<bool>("refuseEnable");
        QTest::addColumn<bool>("refuseDelete");
        QTest::addColumn<bool>("refuseDisable");
        QTest::addColumn<Registered>("result");
        QTest::addColumn<Names>("values");
        QTest::addColumn<Names>("entries");
        const QString exe = QString::fromStdString(kApp + "/QuennoAV");
        const Names quenno{"QuennoAV"};
        // clang-format off
        QTest::newRow("both written")                 << exe << true << false << false << false << false << Registered::Yes << quenno << quenno;
        QTest::newRow(".exe left out of the name")    << QString::fromStdString(kApp + "/QuennoAV.EXE") << true << false << false << false << false << Registered::Yes << quenno << quenno;
        QTest::newRow("another executable name")      << QString::fromStdString(kApp + "/quenno-av") << true << false << false << false << false << Registered::Yes << Names{"quenno-av"} << Names{"quenno-av"};
        QTest::newRow("registry refuses")             << exe << true << true << false << false << false << Registered::No << Names{} << Names{};
        QTest::newRow("no registry")                  << exe << false << false << false << false << false << Registered::No << Names{} << Names{};
        QTest::newRow("autostart refuses")            << exe << true << false << true << false << false << Registered::No << Names{} << Names{};
        QTest::newRow("both refuse")                  << exe << true << true << true << true << true << Registered::No << Names{} << Names{};
        QTest::newRow("no executable path")           << QString() << true << false << false << false << false << Registered::No << Names{} << Names{};
        QTest::newRow("entry cannot be undone")       << exe << true << true << false << false << true << Registered::Partly << Names{} << quenno;
        QTest::newRow("value cannot be undone")       << exe << true << false << true << true << false << Registered::Partly << quenno << Names{};
        // clang-format on
    }
    void enable()
    {
        QFETCH(QString, exe);
        QFETCH(bool, withRegistry);
        QFETCH(bool, refuseWrite);
        QFETCH(bool, refuseEnable);
        QFETCH(bool, refuseDelete);
        QFETCH(bool, refuseDisable);
        QFETCH(Registered, result);
        QFETCH(Names, values);
        QFETCH(Names, entries);
        FakeRegistry registry;
        registry.refuseWrite = refuseWrite;
        registry.refuseDelete = refuseDelete;
        FakeAutostart autostart;
        autostart.exePath = exe.toStdString();
        autostart.refuseEnable = refuseEnable;
        autostart.refuseDisable = refuseDisable;
        const platform::LinuxFileSystem files(kApp);

        const auto outcome = scan::StartupRegistration(withRegistry ? &registry : nullptr, &autostart, files).enable();
        QCOMPARE(outcome.result, result);
        QCOMPARE(namesOf(registry.values, kRun), values);
        QCOMPARE(namesOf(autostart.entries), entries);
        // Whatever is in place starts the executable from the application folder.
        const std::string started = kApp + exe.mid(exe.lastIndexOf('/')).toStdString();
        for (const auto& [name, data] : registry.values)
            QCOMPARE(data, started);
        for (const auto& [name, data] : autostart.entries)
            QCOMPARE(data, started);
    }

    // The store's problem is handed on once, including one raised while undoing.
    void storeProblemIsHandedOn()
    {
        FakeRegistry registry;
        registry.problem = "line 3 of the store cannot be read";
        registry.problemOnDelete = "; the store cannot be written";
        FakeAutostart autostart;
        autostart.exePath = kApp + "/QuennoAV";
        autostart.refuseEnable = true;
        const platform::LinuxFileSystem files(kApp);
        scan::StartupRegistration registration(&registry, &autostart, files);

        const auto outcome = registration.enable();
        QCOMPARE(outcome.result, Registered::No);
        QCOMPARE(outcome.storeProblem, std::string("line 3 of the store cannot be read; the store cannot be written"));
        registry.problemOnDelete.clear();
        QCOMPARE(registration.disable().storeProblem, std::string());
    }

    // Off removes the value and entry named QuennoAV, whatever the executable is called;
    // the entry is removed even when there is no value.
    void disable_data()
    {
        QTest::addColumn<Names>("valuesBefore");
        QTest::addColumn<Names>("entriesBefore");
        QTest::addColumn<bool>("withAutostart");
        QTest::addColumn<bool>("refuseDelete");
        QTest::addColumn<bool>("refuseDisable");
        QTest::addColumn<Removed>("result");
        QTest::addColumn<Names>("values");
        QTest::addColumn<Names>("entries");
        const Names quenno{"QuennoAV"};
        const Names other{"quenno-av"};
        // clang-format off
        QTest::newRow("both there")            << quenno << quenno << true << false << false << Removed::Yes << Names{} << Names{};
        QTest::newRow("value only")            << quenno << Names{} << true << false << false << Removed::Yes << Names{} << Names{};
        QTest::newRow("nothing there")         << Names{} << Names{} << true << false << false << Removed::NoneThere << Names{} << Names{};
        QTest::newRow("entry without value")   << Names{} << quenno << true << false << false << Removed::NoneThere << Names{} << Names{};
        QTest::newRow("another name is kept")  << other << other << true << false << false << Removed::NoneThere << other << other;
        QTest::newRow("value cannot go")       << quenno << quenno << true << true << false << Removed::No << quenno << Names{};
        QTest::newRow("entry cannot go")       << quenno << quenno << true << false << true << Removed::No << Names{} << quenno;
        QTest::newRow("no autostart")          << quenno << Names{} << false << false << false << Removed::No << Names{} << Names{};
        // clang-format on
    }
    void disable()
    {
        QFETCH(Names, valuesBefore);
        QFETCH(Names, entriesBefore);
        QFETCH(bool, withAutostart);
        QFETCH(bool, refuseDelete);
        QFETCH(bool, refuseDisable);
        QFETCH(Removed, result);
        QFETCH(Names, values);
        QFETCH(Names, entries);
        FakeRegistry registry;
        for (const std::string& name : valuesBefore)
            registry.values[kRun + name] = kApp + "/" + name;
        registry.refuseDelete = refuseDelete;
        FakeAutostart autostart;
        for (const std::string& name : entriesBefore)
            autostart.entries[name] = kApp + "/" + name;
        autostart.refuseDisable = refuseDisable;
        const platform::LinuxFileSystem files(kApp);

        const auto outcome
            = scan::StartupRegistration(&registry, withAutostart ? &autostart : nullptr, files).disable();
        QCOMPARE(outcome.result, result);
        QCOMPARE(namesOf(registry.values, kRun), values);
        QCOMPARE(namesOf(autostart.entries), entries);
    }
};

QTEST_GUILESS_MAIN(TestStartupRegistration)
#include "tst_startupregistration.moc"
