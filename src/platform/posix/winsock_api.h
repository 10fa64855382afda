// Windows Sockets 1.1 and kernel types, constants and calls, declared for POSIX.
#pragma once
#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int BOOL;
typedef unsigned short u_short;
typedef unsigned long u_long;
typedef int SOCKET;
typedef void *HINSTANCE;

#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)
// Core code sees the Windows values; the layer's own files include the system
// headers first, keep the system's macros and translate.
#ifndef AF_INET
#define AF_INET 2
#endif
#ifndef SOCK_STREAM
#define SOCK_STREAM 1
#endif
#ifndef INADDR_ANY
#define INADDR_ANY 0x00000000u
#endif
#ifndef INADDR_NONE
#define INADDR_NONE 0xffffffffu
#endif

#define MAKEWORD(lo, hi) ((WORD)(((BYTE)(lo)) | ((WORD)((BYTE)(hi))) << 8))
#define LOBYTE(w) ((BYTE)((w)&0xff))
#define HIBYTE(w) ((BYTE)(((w) >> 8) & 0xff))

// Error numbers the program names itself; all others come from the layer.
#define WSAVERNOTSUPPORTED 10092
#define WSASYSCALLFAILURE 10107
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char *lpVendorInfo;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

int WSAStartup(WORD requested, WSADATA *data);
int WSACleanup(void);
int WSAGetLastError(void);
void WSASetLastError(int error);

DWORD GetTickCount(void);
void GetLocalTime(SYSTEMTIME *time);
BOOL Beep(DWORD frequency, DWORD duration_ms);
HINSTANCE GetModuleHandleA(const char *name);
int LoadStringA(HINSTANCE module, unsigned id, char *buffer, int size);

namespace winsock {

struct in_addr {
    uint32_t s_addr;
};

// The same layout as the system's IPv4 socket address (checked in the layer).
struct sockaddr_in {
    short sin_family;
    u_short sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};

struct sockaddr {
    u_short sa_family;
    char sa_data[14];
};

struct hostent {
    char *h_name;
    char **h_aliases;
    short h_addrtype;
    short h_length;
    char **h_addr_list;
};

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr *name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr *addr, int *addrlen);
int getpeername(SOCKET s, sockaddr *name, int *namelen);
int connect(SOCKET s, const sockaddr *name, int namelen);
int send(SOCKET s, const char *buf, int len, int flags);
int recv(SOCKET s, char *buf, int len, int flags);
int closesocket(SOCKET s);
u_short htons(u_short host);
unsigned long inet_addr(const char *text);
hostent *gethostbyname(const char *name);

}  // namespace winsock
