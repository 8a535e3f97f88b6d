// Named mutexes and the windows of other copies.
//
// A named mutex is a lock file in the user's runtime folder, held with flock() by the process
// that created it first. That process also listens on a local socket named after the mutex;
// a later copy that finds the mutex held asks through it for the holder's windows by
// caption, and to raise, restore or bring them to the top. One request line, one answer line
// per connection.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <memory>
#include <set>
#include <vector>

#include "internal.h"

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kAnswerTimeoutMs = 3000;
constexpr qsizetype kMaxRequest = 1024;

DWORD g_lastError = ERROR_SUCCESS;

struct NamedMutex {
    std::string name;
    int fd = -1;
    bool held = false;  // this process holds the name
    QString socketPath;
    std::unique_ptr<QLocalServer> server;
};

// Open until closed or until the process ends, like the platform's handles: the set is
// never destroyed, so a handle still open at exit is not a leak.
std::set<NamedMutex*>& Mutexes() {
    static auto* mutexes = new std::set<NamedMutex*>;
    return *mutexes;
}

// $XDG_RUNTIME_DIR, else a private folder of this user in /tmp; empty when neither is safe.
QString RuntimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && *xdg != '\0' && QDir(QString::fromLocal8Bit(xdg)).exists()) {
        return QString::fromLocal8Bit(xdg);
    }
    std::string dir = "/tmp/vel7m-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 077) != 0) {
        return {};
    }
    return QString::fromStdString(dir);
}

// "PreventAnotherVavaze Devedire Rizuz" -> "PreventAnotherVavaze_Devedire_Rizuz".
std::string FileNameOf(const std::string& name) {
    std::string out;
    for (char c : name) {
        bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
        out += plain ? c : '_';
    }
    return out.substr(0, 100);
}

QByteArray Answer(const QByteArray& line) {
    QList<QByteArray> parts = line.split(' ');
    const QByteArray& verb = parts.value(0);
    if (verb == "FIND") {
        HWND h = afx::FindLocalTopLevel(QString::fromUtf8(line.mid(5)));
        return h != nullptr ? QByteArray::number(h->serial) : QByteArray("0");
    }
    bool ok = false;
    quint32 serial = parts.value(1).toUInt(&ok);
    HWND h = ok ? afx::FindBySerial(serial) : nullptr;
    if (h == nullptr)
        return "0";
    if (verb == "FOREGROUND") {
        afx::CountForegroundRequest(h);
        return SetForegroundWindow(h) ? "1" : "0";
    }
    if (verb == "POPUP") {
        HWND popup = afx::LastActivePopup(h);
        return QByteArray::number(popup != nullptr ? popup->serial : h->serial);
    }
    if (verb == "ICONIC")
        return IsIconic(h) ? "1" : "0";
    if (verb == "SHOW") {
        bool cmdOk = false;
        int cmd = parts.value(2).toInt(&cmdOk);
        if (!cmdOk)
            return "0";
        ShowWindow(h, cmd);
        return "1";
    }
    if (verb == "TOP")
        return BringWindowToTop(h) ? "1" : "0";
    return "0";
}

void Serve(QLocalServer* server) {
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > kMaxRequest)
                        socket->abort();
                    return;
                }
                QByteArray line = socket->readLine(kMaxRequest).trimmed();
                socket->write(Answer(line) + '\n');
                socket->flush();
                socket->disconnectFromServer();
            });
        }
    });
}

}  // namespace

DWORD GetLastError() {
    return g_lastError;
}
void SetLastError(DWORD error) {
    g_lastError = error;
}

HANDLE CreateMutexA(void*, BOOL, LPCSTR name) {
    afx::EnsureApplication();
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    QString dir = RuntimeDir();
    if (dir.isEmpty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::string base = FileNameOf(name);
    QString lockPath = dir + '/' + QString::fromStdString(base) + ".lock";
    int fd = open(QFile::encodeName(lockPath).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    auto* mutex = new NamedMutex;
    mutex->name = name;
    mutex->fd = fd;
    mutex->socketPath = dir + '/' + QString::fromStdString(base) + ".sock";
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        mutex->held = true;
        // A socket left by a copy that crashed is stale: we hold the name now.
        QLocalServer::removeServer(mutex->socketPath);
        mutex->server = std::make_unique<QLocalServer>();
        mutex->server->setSocketOptions(QLocalServer::UserAccessOption);
        if (mutex->server->listen(mutex->socketPath)) {
            Serve(mutex->server.get());
        } else {
            mutex->server.reset();
        }
        SetLastError(ERROR_SUCCESS);
    } else {
        SetLastError(ERROR_ALREADY_EXISTS);
    }
    Mutexes().insert(mutex);
    return mutex;
}

BOOL ReleaseMutex(HANDLE handle) {
    auto* mutex = static_cast<NamedMutex*>(handle);
    if (mutex == nullptr || Mutexes().count(mutex) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Ownership is not tracked beyond the name itself, which stays held until the handle
    // is closed or the process ends.
    if (!mutex->held) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    auto* mutex = static_cast<NamedMutex*>(handle);
    if (mutex == nullptr || Mutexes().erase(mutex) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (mutex->server) {
        mutex->server->close();
        mutex->server.reset();
    }
    close(mutex->fd);  // releases the lock
    delete mutex;
    return TRUE;
}

QByteArray afx::AskRemote(HWND remote, const QByteArray& request) {
    if (!IsRemoteHandle(remote))
        return {};
    QLocalSocket socket;
    socket.connectToServer(remote->remoteServer);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return {};
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(kConnectTimeoutMs))
        return {};
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            return {};
        if (socket.bytesAvailable() > kMaxRequest)
            return {};
    }
    return socket.readLine(kMaxRequest).trimmed();
}

HWND afx::FindRemoteWindow(const QString& caption) {
    for (NamedMutex* mutex : Mutexes()) {
        if (mutex->held)
            continue;
        HWND probe = NewRemoteHandle(mutex->socketPath, 0);
        QByteArray name = caption.toUtf8();
        name.replace('\n', ' ');
        QByteArray answer = AskRemote(probe, "FIND " + name);
        bool ok = false;
        quint32 serial = answer.toUInt(&ok);
        if (ok && serial != 0)
            return NewRemoteHandle(mutex->socketPath, serial);
    }
    return nullptr;
}

HWND FindWindowA(LPCSTR, LPCSTR windowName) {
    if (windowName == nullptr)
        return nullptr;
    QString caption = afx::FromAnsi(windowName);
    if (HWND local = afx::FindLocalTopLevel(caption))
        return local;
    return afx::FindRemoteWindow(caption);
}
