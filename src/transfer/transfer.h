#pragma once
#include <cstdint>

#include "platform/platform.h"

// Each returns 0, or the error number of the failure it reported.
int run_server(void);
int run_client(void);

// The IPv4 address for name in network byte order; 0 when none was found,
// INADDR_NONE for "255.255.255.255".
uint32_t resolve_host(const char *name);

// A newline and the hint at the right end of the line; the status line that
// follows starts with "\r" and is written over the line's start.
void print_cancel_hint(void);
// An IPv4 socket address; address in network byte order.
sockaddr_in ipv4_address(int32_t port, uint32_t address);

void print_transfer_header(const SYSTEMTIME &time, const char *side_line);
void print_transfer_summary(int64_t total_bytes);

// The size of every piece sent or received.
const int piece_size = 1024;
// Room for a formatted side line.
const int side_line_size = 96;
