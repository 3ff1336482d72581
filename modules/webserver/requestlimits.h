#pragma once

#include <QtGlobal>

namespace webserver {

// What one client may ask of the server. Every browser stays far inside these; they only keep a
// hostile client from tying up memory, descriptors or time.
namespace limits {

// Request line, and each header line, at most this long (longer: 414 / 431).
constexpr qsizetype kMaxLineBytes = 8 * 1024;
// The whole request head (request line and headers) at most this long.
constexpr qsizetype kMaxHeadBytes = 64 * 1024;
// Per-connection working memory of the engine: the request head plus room for the next
// pipelined one and the reply's header block.
constexpr size_t kConnectionMemory = 80 * 1024;
// Connections served at once; more wait in the kernel's queue until a slot frees.
constexpr unsigned kMaxConnections = 256;
// A new connection must deliver a complete request head within this time.
constexpr int kHeaderTimeoutSeconds = 10;
// Between requests, and while a reply is not being read, a connection may idle this long.
constexpr int kIdleTimeoutSeconds = 30;
// Request log entries waiting for the window; beyond this they are counted, not kept.
constexpr qsizetype kMaxPendingLogEntries = 2000;

} // namespace limits

} // namespace webserver
