// Windows Sockets 1.1 and the few kernel services the program uses, declared
// with their Windows names and types for POSIX systems. The declarations live
// in namespace winsock so that they never collide with the C library's own
// socket functions; core code sees them through the using-declarations below.
// The implementation files include winsock_api.h only.
#pragma once
#include "platform/posix/winsock_api.h"

using winsock::accept;
using winsock::bind;
using winsock::closesocket;
using winsock::connect;
using winsock::gethostbyname;
using winsock::getpeername;
using winsock::hostent;
using winsock::htons;
using winsock::in_addr;
using winsock::inet_addr;
using winsock::listen;
using winsock::recv;
using winsock::send;
using winsock::sockaddr;
using winsock::sockaddr_in;
using winsock::socket;
