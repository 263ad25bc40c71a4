// instance_link.h - the hand-over between a second start of the program and the instance
// that already runs in the same working folder.
//
// The running instance owns a Unix-domain socket in its working folder.  A second start
// connects, sends a request code and a short text, and waits for the reply code; the
// running instance answers between frames.  Neither side waits for the other for longer
// than its time-out, so a hung instance never hangs a second start (nor the reverse).
//
// The socket and its connections wake a loop waiting for messages (platform/messages.h).
// The running instance never blocks on the socket: each connection keeps the part of its
// request read so far, a pass of the frame loop spends at most INSTANCE_SERVE_BUDGET_MS on
// the socket however many clients wait, and a connection whose request is not complete
// INSTANCE_READ_TIMEOUT_MS after it was accepted is dropped.  Only the same user reaches
// the socket: it is made mode 0600, and a connection from another user id is closed.
//
// Wire format, little-endian, written field by field:
//   request: u32 code, u8 text length (0..63), the text bytes (no terminating zero)
//   reply:   u32 reply code
#pragma once
#include <cstdint>

constexpr const char* INSTANCE_SOCKET_NAME = "zkt_instance.sock";
constexpr int INSTANCE_TEXT_MAX = 63;          // characters of a request's text
constexpr int INSTANCE_REPLY_TIMEOUT_MS = 5000;  // a second start waits this long for a reply
constexpr int INSTANCE_READ_TIMEOUT_MS = 500;    // the running instance waits this long for a request
constexpr int INSTANCE_SERVE_BUDGET_MS = 2;      // longest time of one serving pass, handlers aside
constexpr int INSTANCE_CONNECTION_MAX = 16;      // connections held at once; a new one drops the oldest

// Starts listening in the working folder; a socket left by an instance that ended without
// closing is replaced when it is a socket of this user's (anything else of that name stays,
// and this instance does not listen).  1 when listening (also when already listening), 0 on
// failure.  Closing removes the socket file only while it is still the one this instance made.
int  InstanceLinkOpen();
void InstanceLinkClose();    // stops listening and removes the socket
int  InstanceLinkListening();
// 1 when another instance listens in this working folder.
int  InstanceLinkFindRunning();

// Accepts waiting connections, reads what their senders sent so far and answers every
// request that is complete: handler(code, text) gives the reply code.  Returns the number
// of requests answered.  Never blocks; a sender that sends nothing in time (or a damaged
// request) gets no reply.  A connection from another user is closed and refusedPeer (when
// given) told its user id.
using InstanceRequestHandler = uint32_t (*)(uint32_t code, const char* text);
using InstanceRefusedPeerHandler = void (*)(uint32_t userId);
int InstanceLinkServe(InstanceRequestHandler handler, InstanceRefusedPeerHandler refusedPeer = nullptr);

enum InstanceSendResult {
  INSTANCE_REPLIED = 0,      // reply holds the running instance's answer
  INSTANCE_NOT_RUNNING = 1,  // nobody listens in this folder
  INSTANCE_TIMED_OUT = 2,    // no reply within timeoutMs
  INSTANCE_LINK_FAILED = 3,  // the connection broke
};
// Sends one request (text cut to INSTANCE_TEXT_MAX characters; null for none) and waits
// up to timeoutMs for the reply.  A running instance whose queue of connections is full is
// asked again until the time is up.
InstanceSendResult InstanceLinkSend(uint32_t code, const char* text, int timeoutMs, uint32_t& reply);
