// The two sides of a measurement and the steps they share.
#pragma once
#include <cstddef>
#include <cstdint>

#include "meter/meter.h"
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

// Room for the longest dotted quad, "255.255.255.255", and its terminator.
const int dotted_quad_size = 16;
// Writes address (network byte order) as a dotted quad, first byte first.
void format_dotted_quad(char *text, size_t size, uint32_t address);

// Counts a piece of n bytes into a side's byte total: the totals the meter and
// the summary read follow it, and the meter sees the piece. Returns the new
// total. Inline because both loops call it for every piece.
inline int64_t account_piece(int64_t total, int n) {
    total += n;
    set_transfer_totals(total);
    meter_update(n);
    return total;
}

void print_transfer_header(const SYSTEMTIME &time, const char *side_line);
void print_transfer_summary(int64_t total_bytes);
// Closes the data socket of a finished transfer, wipes the rate line, prints
// the side's end line and the summary of total_bytes.
void end_transfer(SOCKET data, const char *end_line, int64_t total_bytes);

// The size of every piece sent or received.
const int piece_size = 1024;
// Room for a formatted side line.
const int side_line_size = 96;
