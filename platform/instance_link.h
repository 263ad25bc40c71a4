// instance_link.h - the hand-over between a second start of the program and the instance
// that already runs in the same working folder.
//
// The running instance owns a Unix-domain socket in its working folder.  A second start
// connects, sends a request code and a short text, and waits for the reply code; the
// running instance answers between frames.  Neither side waits for the other for longer
// than its time-out, so a hung instance never hangs a second start (nor the reverse).
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

// Starts listening in the working folder; a socket left by an instance that ended without
// closing is replaced.  1 when listening (also when already listening), 0 on failure.
int  InstanceLinkOpen();
void InstanceLinkClose();    // stops listening and removes the socket
int  InstanceLinkListening();
// 1 when another instance listens in this working folder.
int  InstanceLinkFindRunning();

// Answers every request waiting now: handler(code, text) gives the reply code.  Returns
// the number of requests answered.  Never blocks longer than INSTANCE_READ_TIMEOUT_MS per
// request; a sender that sends nothing (or a damaged request) gets no reply.
using InstanceRequestHandler = uint32_t (*)(uint32_t code, const char* text);
int InstanceLinkServe(InstanceRequestHandler handler);

enum InstanceSendResult {
  INSTANCE_REPLIED = 0,      // reply holds the running instance's answer
  INSTANCE_NOT_RUNNING = 1,  // nobody listens in this folder
  INSTANCE_TIMED_OUT = 2,    // no reply within timeoutMs
  INSTANCE_LINK_FAILED = 3,  // the connection broke
};
// Sends one request (text cut to INSTANCE_TEXT_MAX characters; null for none) and waits
// up to timeoutMs for the reply.
InstanceSendResult InstanceLinkSend(uint32_t code, const char* text, int timeoutMs, uint32_t& reply);
