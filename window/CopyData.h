// Stand-in for the window search (FindWindow) and WM_COPYDATA between
// instances of the program, on Qt's local sockets.
//
// Every running window listens on its own socket, "<class>-<pid>", in the
// user's private socket folder (CopyDataFolder).  A peer that connects is
// greeted with the window's class and its caption at that moment, so a
// search can match both as the window search would.  A request on that same
// connection is the copy-data message, little-endian:
//
//   dwData  unsigned 32-bit
//   cbData  unsigned 32-bit, at most MaxCopyData
//   cbData bytes of data
//
// and the reply is the handler's signed 32-bit result.  Greeting:
// class name, NUL, caption (UTF-8), NUL.
//
// The receiving side never blocks: it serves every connected peer at once
// from the event loop, each against its own deadline, drops a peer that has
// not completed its message within PeerTimeoutMs or announces more than
// MaxCopyData bytes, and hands the handler exactly the bytes received.
// A newcomer is never turned away, so peers that merely hold connections
// open cannot keep a request from the window.
// The sending side blocks, but only until the deadline it is given.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QLocalServer;
class QWidget;

// Largest cbData the receiver accepts; a longer message is dropped unread.
inline constexpr uint32_t MaxCopyData = 65536;
// A connected peer that has not completed its message by then is dropped.
inline constexpr int PeerTimeoutMs = 3000;
// Most peers held at the same time (bounds descriptors and memory: each
// buffers at most 8 + MaxCopyData bytes).  A newcomer beyond it makes the
// oldest peer, the nearest to its own deadline, go.
inline constexpr int MaxCopyDataPeers = 128;

// The folder that holds this user's window sockets: "$XDG_RUNTIME_DIR/quorvant"
// when XDG_RUNTIME_DIR names an absolute folder where it can be made, else
// "<temporary folder>/quorvant-<uid>".  Created with mode 0700 when missing;
// an existing one of this user's with looser access is tightened to 0700.
// Empty when neither is, or can be made, a real folder (not a link) owned by
// this user (then nobody listens and nothing is found).
QString CopyDataFolder();

// The window's side: listens for copy-data messages to Window.  Parented to
// Window; the socket is removed when the receiver is destroyed.
class TCopyDataReceiver : public QObject {
  Q_OBJECT
public:
  // Handler(dwData, data) runs on the GUI thread for every complete message;
  // its result is the reply.  Exceptions escaping it are swallowed (reply 0).
  using THandler = std::function<int32_t(uint32_t DwData, const QByteArray& Data)>;

  TCopyDataReceiver(QWidget* Window, THandler Handler);
  ~TCopyDataReceiver() override;

  // Starts listening; false when there is no socket folder or the socket
  // cannot be created.  The window works without it (it just is not found).
  bool Listen();
  // Full path of the listening socket; empty when not listening.
  QString SocketPath() const;

private:
  void AcceptPending();
  void Serve(QLocalSocket* Peer);
  // Hangs up on Peer and forgets it; later calls for the same peer do nothing.
  void Drop(QLocalSocket* Peer);

  QWidget* FWindow;
  THandler FHandler;
  QLocalServer* FServer = nullptr;
  QList<QLocalSocket*> FPeers;  // live peers, oldest first; at most MaxCopyDataPeers
};

// A window found by FindWindow: the open connection to its instance.
using TWindowHandle = std::unique_ptr<QLocalSocket>;

// The first live window of ClassName whose caption is exactly Caption, newest
// first; nullptr when none answers before Deadline.  Sockets of instances
// that are gone (nobody listens, the process no longer exists) are removed.
TWindowHandle FindWindow(const QString& ClassName, const QString& Caption, QDeadlineTimer Deadline);

// Sends the copy-data message to Window and waits for the reply until
// Deadline.  True when the reply arrived (then *Result holds it).
bool SendCopyData(QLocalSocket& Window, uint32_t DwData, const QByteArray& Data,
                  QDeadlineTimer Deadline, int32_t* Result = nullptr);

// The single-instance request a new start sends to the running window.
inline constexpr uint32_t SingleInstanceRequestData = 1024;
inline constexpr char SingleInstanceToken[] = "KVX07";  // sent with its NUL
// The longest a start waits for the running window to take the request.
inline constexpr int SingleInstanceWaitMs = 3000;
