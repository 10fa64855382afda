// Shared by the POSIX layer's own files, never by core code.
#pragma once
#include "platform/posix/winsock_api.h"

// The Windows Sockets number for a POSIX errno; WSASYSCALLFAILURE (10107)
// for an errno with no Windows twin, so a failure never reads as 0.
int wsa_from_errno(int errno_value);
// The Windows Sockets number for a getaddrinfo result (11001 to 11004).
int wsa_from_resolver(int gai_result, int errno_value);
// Records the number WSAGetLastError returns next.
void set_last_error(int number);
// Closes every socket the layer still has open (WSACleanup).
void close_all_sockets(void);
// The sockets the layer keeps open at once, as WSAStartup reports them.
const int max_sockets = 64;
