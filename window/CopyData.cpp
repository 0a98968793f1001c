#include "CopyData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>

namespace {

constexpr int HeaderSize = 8;      // dwData, cbData
constexpr int MaxGreeting = 4096;  // class and caption with their NULs
// Per candidate: how long a search waits for a window's greeting.  A hung
// instance thus costs at most this much of the whole deadline.
constexpr int GreetingWaitMs = 1000;

// A real folder of ours that nobody else can enter (mode tightened when it
// is ours but looser).
bool IsPrivateFolder(const QByteArray& Path) {
  struct stat Info {};
  if (lstat(Path.constData(), &Info) != 0) return false;
  if (!S_ISDIR(Info.st_mode) || Info.st_uid != getuid()) return false;
  if ((Info.st_mode & 077) != 0 && chmod(Path.constData(), 0700) != 0) return false;
  return true;
}

QString MakePrivateFolder(const QString& Path) {
  const QByteArray Native = QFile::encodeName(Path);
  if (mkdir(Native.constData(), 0700) != 0 && errno != EEXIST) return QString();
  return IsPrivateFolder(Native) ? Path : QString();
}

// The pid in a socket name "<class>-<pid>"; 0 when there is none.
pid_t SocketPid(const QString& Name) {
  bool Ok = false;
  const long Pid = Name.section('-', -1).toLong(&Ok);
  return Ok && Pid > 0 ? static_cast<pid_t>(Pid) : 0;
}

bool ProcessGone(pid_t Pid) { return Pid > 0 && kill(Pid, 0) != 0 && errno == ESRCH; }

int Remaining(const QDeadlineTimer& Deadline) {
  return static_cast<int>(std::max<qint64>(0, Deadline.remainingTime()));
}

// Reads until Buffer holds Size bytes or Deadline passes.
bool ReadExactly(QLocalSocket& Socket, QByteArray& Buffer, qsizetype Size,
                 const QDeadlineTimer& Deadline) {
  while (Buffer.size() < Size) {
    Buffer += Socket.read(Size - Buffer.size());
    if (Buffer.size() >= Size) break;
    if (Deadline.hasExpired() || !Socket.waitForReadyRead(Remaining(Deadline))) {
      Buffer += Socket.read(Size - Buffer.size());
      return Buffer.size() >= Size;
    }
  }
  return true;
}

// Reads the greeting: class NUL caption NUL.
bool ReadGreeting(QLocalSocket& Socket, QString& ClassName, QString& Caption,
                  const QDeadlineTimer& Deadline) {
  QByteArray Greeting;
  for (;;) {
    Greeting += Socket.readAll();
    if (Greeting.count('\0') >= 2) break;
    if (Greeting.size() > MaxGreeting) return false;
    if (Deadline.hasExpired() || !Socket.waitForReadyRead(Remaining(Deadline))) {
      Greeting += Socket.readAll();
      if (Greeting.count('\0') >= 2) break;
      return false;
    }
  }
  const qsizetype First = Greeting.indexOf('\0');
  const qsizetype Second = Greeting.indexOf('\0', First + 1);
  ClassName = QString::fromUtf8(Greeting.left(First));
  Caption = QString::fromUtf8(Greeting.mid(First + 1, Second - First - 1));
  return true;
}

}  // namespace

QString CopyDataFolder() {
  const QString Runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
  if (!Runtime.isEmpty() && QDir::isAbsolutePath(Runtime)) {
    // The runtime folder is the user's own by definition; ours lives inside.
    const QString Folder = MakePrivateFolder(Runtime + QStringLiteral("/quorvant"));
    if (!Folder.isEmpty()) return Folder;
  }
  return MakePrivateFolder(QDir::tempPath() + QStringLiteral("/quorvant-") +
                           QString::number(getuid()));
}

// ---- receiving side -------------------------------------------------------

TCopyDataReceiver::TCopyDataReceiver(QWidget* Window, THandler Handler)
    : QObject(Window), FWindow(Window), FHandler(std::move(Handler)) {}

TCopyDataReceiver::~TCopyDataReceiver() {
  if (FServer) FServer->close();  // removes the socket file
}

bool TCopyDataReceiver::Listen() {
  if (FServer && FServer->isListening()) return true;
  const QString Folder = CopyDataFolder();
  if (Folder.isEmpty()) return false;
  const QString Path = Folder + '/' + QString::fromLatin1(FWindow->metaObject()->className()) +
                       '-' + QString::number(getpid());
  // A socket of our own name can only be left by a dead process whose pid
  // we now carry.
  QLocalServer::removeServer(Path);
  if (!FServer) {
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TCopyDataReceiver::AcceptPending);
  }
  return FServer->listen(Path);
}

QString TCopyDataReceiver::SocketPath() const {
  return FServer && FServer->isListening() ? FServer->fullServerName() : QString();
}

void TCopyDataReceiver::AcceptPending() {
  while (QLocalSocket* Peer = FServer->nextPendingConnection()) {
    // Room is made rather than refused: the oldest peer has had the most of
    // its time, and a request that just arrived must not wait behind it.
    if (FPeers.size() >= MaxCopyDataPeers) Drop(FPeers.front());
    Peer->setParent(this);
    FPeers.append(Peer);
    Serve(Peer);
  }
}

void TCopyDataReceiver::Drop(QLocalSocket* Peer) {
  // Deadline, hang-up, error, reply and eviction all end here; only the
  // first of them counts.
  if (!FPeers.removeOne(Peer)) return;
  Peer->disconnectFromServer();
  Peer->deleteLater();
}

void TCopyDataReceiver::Serve(QLocalSocket* Peer) {
  auto Buffer = std::make_shared<QByteArray>();
  // Each peer has its own deadline from its arrival, whatever it sends; the
  // window never waits on any of them.
  QTimer::singleShot(PeerTimeoutMs, Peer, [this, Peer] { Drop(Peer); });
  connect(Peer, &QLocalSocket::disconnected, this, [this, Peer] { Drop(Peer); });
  connect(Peer, &QLocalSocket::errorOccurred, this, [this, Peer] { Drop(Peer); });
  connect(Peer, &QLocalSocket::readyRead, this, [this, Peer, Buffer] {
    if (!FPeers.contains(Peer)) return;
    *Buffer += Peer->readAll();
    if (Buffer->size() < HeaderSize) return;
    const auto* Header = reinterpret_cast<const uchar*>(Buffer->constData());
    const uint32_t DwData = qFromLittleEndian<quint32>(Header);
    const uint32_t CbData = qFromLittleEndian<quint32>(Header + 4);
    if (CbData > MaxCopyData) {
      Drop(Peer);
      return;
    }
    if (Buffer->size() < HeaderSize + static_cast<qsizetype>(CbData)) return;
    // Exactly the bytes announced; anything sent beyond them is not looked at.
    const QByteArray Data = Buffer->mid(HeaderSize, CbData);
    int32_t Result = 0;
    try {
      Result = FHandler(DwData, Data);
    } catch (...) {
      Result = 0;
    }
    if (!FPeers.contains(Peer)) return;  // the handler's own events let it go
    uchar Reply[4];
    qToLittleEndian<qint32>(Result, Reply);
    Peer->write(reinterpret_cast<const char*>(Reply), sizeof Reply);
    Peer->flush();
    Drop(Peer);
  });
  const QByteArray Greeting = QByteArray(FWindow->metaObject()->className()) + '\0' +
                              FWindow->windowTitle().toUtf8() + '\0';
  Peer->write(Greeting);
  Peer->flush();
}

// ---- sending side ---------------------------------------------------------

TWindowHandle FindWindow(const QString& ClassName, const QString& Caption,
                         QDeadlineTimer Deadline) {
  const QString Folder = CopyDataFolder();
  if (Folder.isEmpty()) return nullptr;
  // Newest first, as the window on top of the others would be found first.
  const QFileInfoList Sockets = QDir(Folder).entryInfoList(
      QStringList() << ClassName + "-*", QDir::System | QDir::Files | QDir::Hidden, QDir::Time);
  for (const QFileInfo& Entry : Sockets) {
    if (Deadline.hasExpired()) break;
    auto Socket = std::make_unique<QLocalSocket>();
    Socket->connectToServer(Entry.absoluteFilePath());
    if (!Socket->waitForConnected(Remaining(Deadline))) {
      // Nobody listens there: the socket of an instance that was killed.
      // A live process may be between creating its socket and listening.
      if (Socket->error() == QLocalSocket::ConnectionRefusedError &&
          ProcessGone(SocketPid(Entry.fileName()))) {
        QFile::remove(Entry.absoluteFilePath());
      }
      continue;
    }
    QString FoundClass, FoundCaption;
    QDeadlineTimer GreetingDeadline(std::min(GreetingWaitMs, Remaining(Deadline)));
    if (ReadGreeting(*Socket, FoundClass, FoundCaption, GreetingDeadline) &&
        FoundClass == ClassName && FoundCaption == Caption) {
      return Socket;
    }
    Socket->abort();
  }
  return nullptr;
}

bool SendCopyData(QLocalSocket& Window, uint32_t DwData, const QByteArray& Data,
                  QDeadlineTimer Deadline, int32_t* Result) {
  if (static_cast<quint64>(Data.size()) > MaxCopyData) return false;
  uchar Header[HeaderSize];
  qToLittleEndian<quint32>(DwData, Header);
  qToLittleEndian<quint32>(static_cast<quint32>(Data.size()), Header + 4);
  Window.write(reinterpret_cast<const char*>(Header), HeaderSize);
  Window.write(Data);
  while (Window.bytesToWrite() > 0) {
    if (Deadline.hasExpired() || !Window.waitForBytesWritten(Remaining(Deadline))) return false;
  }
  QByteArray Reply;
  if (!ReadExactly(Window, Reply, 4, Deadline)) return false;
  if (Result) *Result = qFromLittleEndian<qint32>(Reply.constData());
  return true;
}
