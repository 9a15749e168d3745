// The file-manager calls on a real bus: a private dbus-daemon, and a stand-in file manager on its
// own connection and thread that records what it is asked. Skipped where no dbus-daemon exists.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include <gtest/gtest.h>

#include "FakeDesktopServices.h"
#include "browser/QtShellServices.h"
#include "shell/ShellNamespace.h"

using tv::CShellNamespace;

namespace {

class CStandInFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    struct Call {
        QString method;
        QStringList uris;
        QString startupId;
    };
    std::vector<Call> Calls() {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

public slots:
    Q_SCRIPTABLE void ShowItemProperties(const QStringList& uris, const QString& startupId) {
        Record(QStringLiteral("ShowItemProperties"), uris, startupId);
    }
    Q_SCRIPTABLE void ShowFolders(const QStringList& uris, const QString& startupId) {
        Record(QStringLiteral("ShowFolders"), uris, startupId);
    }

private:
    void Record(const QString& method, const QStringList& uris, const QString& startupId) {
        QMutexLocker lock(&m_mutex);
        m_calls.push_back({method, uris, startupId});
    }
    QMutex m_mutex;
    std::vector<Call> m_calls;
};

// The real services on the private bus; only the message box is kept from showing.
class CPrivateBusServices : public tv::CDesktopServices {
public:
    explicit CPrivateBusServices(QDBusConnection bus) : m_bus(std::move(bus)) {}
    QStringList messages;
    std::vector<std::string> propertiesShown;
    void ShowMessage(QWidget*, QMessageBox::Icon, const QString& text) override {
        messages << text;
    }
    uint32_t ShowPropertiesWindow(const std::string& path, QWidget*) override {
        propertiesShown.push_back(path);
        return 0;
    }

protected:
    QDBusConnection Bus() override { return m_bus; }

private:
    QDBusConnection m_bus;
};

class FileManagerBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
        ASSERT_TRUE(m_dir.isValid());
        // No service directories: nothing on this bus can be activated, whatever is installed.
        // The auth element and the policy are those of the standard session bus; with less the
        // daemon leaves the client's Hello unanswered.
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                "busconfig.dtd\">\n<busconfig><type>session</type>"
                "<listen>unix:dir=%1</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>\n")
                .arg(m_dir.path())
                .toUtf8());
        file.close();
        m_daemon.start(daemon, {QStringLiteral("--config-file=") + config,
                                QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted(5000)) GTEST_SKIP() << "dbus-daemon does not start";
        QByteArray address;
        while (!address.contains('\n') && m_daemon.waitForReadyRead(5000))
            address += m_daemon.readAllStandardOutput();
        address = address.trimmed();
        ASSERT_FALSE(address.isEmpty());
        m_client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("client")));
        m_server = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("server")));
        ASSERT_TRUE(m_client->isConnected());
        ASSERT_TRUE(m_server->isConnected());
        m_services = std::make_unique<CPrivateBusServices>(*m_client);
    }

    void TearDown() override {
        if (m_thread.isRunning()) {
            m_thread.quit();
            m_thread.wait();
        }
        m_services.reset();
        m_client.reset();
        m_server.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(5000);
        }
    }

    // Puts the stand-in on the bus. It answers on a thread of its own, because the services
    // block the calling thread until the reply comes.
    void StartFileManager() {
        m_fileManager.moveToThread(&m_thread);
        m_thread.start();
        ASSERT_TRUE(m_server->registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                             &m_fileManager,
                                             QDBusConnection::ExportScriptableSlots));
        ASSERT_TRUE(m_server->registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<QDBusConnection> m_server;
    std::unique_ptr<CPrivateBusServices> m_services;
    CStandInFileManager m_fileManager;
    QThread m_thread;
};

}  // namespace

TEST_F(FileManagerBusTest, FindsTheServiceOnlyWhenItIsThere) {
    EXPECT_FALSE(m_services->HasFileManager());
    EXPECT_FALSE(m_services->CallFileManager(QStringLiteral("ShowFolders"), {}));
    StartFileManager();
    EXPECT_TRUE(m_services->HasFileManager());
}

TEST_F(FileManagerBusTest, CommandsReachTheFileManagerWithUrisAndNoStartupId) {
    StartFileManager();
    const tv::CDesktopServices* previous = tv::SetDesktopServices(m_services.get());
    const std::string folder = m_dir.path().toStdString();
    const std::string file = folder + "/bus.conf";
    EXPECT_TRUE(tv::ShowFileProperties(file));
    EXPECT_TRUE(tv::ExploreItem(CShellNamespace().PathToIdList(folder)));
    // A method the file manager does not offer is an error reply, not a success.
    EXPECT_FALSE(m_services->CallFileManager(QStringLiteral("ShowItems"), {tv::FileUri(file)}));
    tv::SetDesktopServices(const_cast<tv::CDesktopServices*>(previous));

    const auto calls = m_fileManager.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].method, QStringLiteral("ShowItemProperties"));
    EXPECT_EQ(calls[0].uris, QStringList{tv::FileUri(file)});
    EXPECT_EQ(calls[0].startupId, QString());
    EXPECT_EQ(calls[1].method, QStringLiteral("ShowFolders"));
    EXPECT_EQ(calls[1].uris, QStringList{tv::FileUri(folder)});
    EXPECT_TRUE(m_services->messages.isEmpty());
    EXPECT_TRUE(m_services->propertiesShown.empty());
}

#include "FileManagerBusTest.moc"
